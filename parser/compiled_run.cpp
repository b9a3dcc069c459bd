// The later passes of a loop, run from its compiled form. Each instruction does what the
// grammar routine that compiled it does while executing, on the same value stack and with
// the same messages; the scanner does not move, so a message quotes the line it has
// reached, as a replay that parses again would.
#include "parser/interpret.hpp"
#include "parser/operators.hpp"

namespace moxa {

// Operator `op` on operands read in place (`a[0]`, `a[1]`), its result left in place C (its
// slot in `a[2]`). Two numbers take the short way; anything else goes through `binarni`.
template <Misto L, Misto P, Misto C>
[[gnu::always_inline]] inline int Interpret::binarni_na_miste(Znacka op, const std::uint32_t* a) {
  const Value& leva = operand<L>(a[0]);
  const Value& prava = operand<P>(a[1]);
  if (leva.je_cislo() && prava.je_cislo()) {
    double cislo = 0.0;
    bool pravda = false;
    bool logicky = false;
    // The operators of counting loops take a short way around the operator switch.
    if (op == Znacka::Plus) {
      cislo = leva.cteni() + prava.cteni();
    } else if (op == Znacka::Mensi) {
      pravda = leva.cteni() < prava.cteni();
      logicky = true;
    } else {
      logicky = na_cislech(op, leva.cteni(), prava.cteni(), cislo, pravda);
    }
    if constexpr (C == PRAVDA) {
      if (logicky) {
        pravda_ = pravda;
      } else {
        // The truth of the rounded result, which can be zero where the exact one is not.
        pomocna_.nastav_vysledek(cislo);
        pravda_ = pomocna_.pravda();
      }
    } else {
      Value& r = C == PROMENNA ? tab_.hodnota(static_cast<std::int32_t>(a[2])) : zas_.pridej();
      if (logicky) {
        r.nastav_pravdivost(pravda);
      } else {
        r.nastav_vysledek(cislo);
      }
    }
    return 0;
  }
  if constexpr (C == PRAVDA) {
    if ((g_.chyba_SA = binarni(op, leva, prava, pomocna_)) != 0) return g_.chyba_SA;
    pravda_ = pomocna_.pravda();
    return 0;
  } else {
    Value& r = C == PROMENNA ? tab_.hodnota(static_cast<std::int32_t>(a[2])) : zas_.pridej();
    return g_.chyba_SA = binarni(op, leva, prava, r);
  }
}

void Interpret::preskoc_cteni(std::uint64_t n) {
  for (; n > 0; --n)
    precti_slovo(nullptr);
}

int Interpret::Proved(KodCyklu::Pozice od, KodCyklu::Pozice po) {
  const std::uint32_t* const kod = kod_.data();
  KodCyklu::Pozice pc = od;
  // The run ends where the loop's own test jumps to its exit, the one way to reach `po`
  // (the code starts at the loop's jump back, and every part of the loop lies before
  // `po`), so only jumps look for the end.
  for (;;) {
    const std::uint32_t w = kod[pc++];
    std::uint32_t arg = KodCyklu::argument(w);
    if (arg == KodCyklu::DLOUHY) arg = kod[pc++];
    switch (KodCyklu::instrukce(w)) {
      case Instrukce::Literal: zas_.pridej() = kod_.hodnota_literalu(arg); break;
      case Instrukce::Promenna:
        zas_.Vloz_do_zas(tab_.hodnota(static_cast<std::int32_t>(arg)));
        break;
      case Instrukce::Nasobeni:
      case Instrukce::Scitani:
      case Instrukce::Relace:
      case Instrukce::Logicka:
        if (na_zasobniku(static_cast<Znacka>(arg)) != 0) return g_.chyba_SA;
        break;
      case Instrukce::Negace:
        if ((g_.chyba_SA = LV_1()) != 0) return g_.chyba_SA;
        break;
      case Instrukce::BinarniZV:
      case Instrukce::BinarniZL: {
        zas_.zajisti(1);
        Value& leva = zas_.vrchol();
        const Value& prava = KodCyklu::instrukce(w) == Instrukce::BinarniZV
                                 ? tab_.hodnota(static_cast<std::int32_t>(kod[pc]))
                                 : kod_.hodnota_literalu(kod[pc]);
        ++pc;
        if ((g_.chyba_SA = binarni(static_cast<Znacka>(arg), leva, prava, leva)) != 0) {
          return g_.chyba_SA;
        }
        break;
      }
      case Instrukce::BinarniZVdoP:
      case Instrukce::BinarniZLdoP:
      case Instrukce::BinarniZVdoR:
      case Instrukce::BinarniZLdoR: {
        const Instrukce i = KodCyklu::instrukce(w);
        zas_.zajisti(1);
        const Value& leva = zas_.vrchol();
        const Value& prava = i == Instrukce::BinarniZVdoP || i == Instrukce::BinarniZVdoR
                                 ? tab_.hodnota(static_cast<std::int32_t>(kod[pc]))
                                 : kod_.hodnota_literalu(kod[pc]);
        const bool do_promenne = i == Instrukce::BinarniZVdoP || i == Instrukce::BinarniZLdoP;
        Value& r = do_promenne ? tab_.hodnota(static_cast<std::int32_t>(kod[pc + 1])) : pomocna_;
        if ((g_.chyba_SA = binarni(static_cast<Znacka>(arg), leva, prava, r)) != 0) {
          return g_.chyba_SA;
        }
        if (!do_promenne) pravda_ = pomocna_.pravda();
        zas_.zahod();
        pc += do_promenne ? 2 : 1;
        break;
      }
#define MOXA_BINARNI(L, P, C)                                                                   \
  case binarni_forma(L, P, C):                                                                  \
    if (binarni_na_miste<L, P, C>(static_cast<Znacka>(arg), kod + pc) != 0) return g_.chyba_SA; \
    pc += C == PROMENNA ? 3 : 2;                                                                \
    break;
#define MOXA_BINARNI_CIL(C)           \
  MOXA_BINARNI(PROMENNA, PROMENNA, C) \
  MOXA_BINARNI(PROMENNA, LITERAL, C)  \
  MOXA_BINARNI(LITERAL, PROMENNA, C)  \
  MOXA_BINARNI(LITERAL, LITERAL, C)
        MOXA_BINARNI_CIL(ZASOBNIK)
        MOXA_BINARNI_CIL(PROMENNA)
        MOXA_BINARNI_CIL(PRAVDA)
#undef MOXA_BINARNI_CIL
#undef MOXA_BINARNI
      case Instrukce::Kopiruj: {
        Value& cil = tab_.hodnota(static_cast<std::int32_t>(arg));
        const Value& zdroj =
            kod[pc] == PROMENNA ? operand<PROMENNA>(kod[pc + 1]) : operand<LITERAL>(kod[pc + 1]);
        if (&cil != &zdroj) cil = zdroj;  // a variable assigned to itself keeps its value
        pc += 2;
        break;
      }
      case Instrukce::Prirad:
        zas_.zajisti(1);
        tab_.hodnota(static_cast<std::int32_t>(arg)) = std::move(zas_.vrchol());
        zas_.zahod();
        break;
      case Instrukce::Pis:
        zas_.zajisti(1);
        out_.pis(zas_.vrchol().text());
        zas_.zahod();
        if (arg != 0) out_.pis('\n');
        if (out_.selhal()) return g_.chyba_SA = 1;  // output can no longer be written
        break;
      case Instrukce::Cti: {
        std::string slovo;
        if (!precti_slovo(&slovo)) return g_.chyba_SA = chyba_dlouha("Cti");
        tab_.hodnota(static_cast<std::int32_t>(arg)) = Value::text(std::move(slovo));
        break;
      }
      case Instrukce::Kdyz:
      case Instrukce::KdyzR:
        if (KodCyklu::instrukce(w) == Instrukce::KdyzR ? pravda_ : zas_.Uber_pravdivost()) {
          pc += 2;
        } else {
          preskoc_cteni(kod[pc]);
          pc = kod[pc + 1];
          if (pc == po) return 0;
        }
        break;
      case Instrukce::Jinak:
        preskoc_cteni(kod[pc]);
        pc = kod[pc + 1];
        if (pc == po) return 0;
        break;
      case Instrukce::CyklusVstup: prvni_pruchod_.push_back(1); break;
      case Instrukce::CyklusTest:
      case Instrukce::CyklusTestR:
        if (KodCyklu::instrukce(w) == Instrukce::CyklusTestR ? pravda_ : zas_.Uber_pravdivost()) {
          // A later pass of the body costs a step; past the budget the body finds the end
          // of input where its "{" should be.
          if (prvni_pruchod_.back() == 0 && !lex_.krok()) {
            return g_.chyba_SA = chyba_znak("Blok", "{");
          }
          pc += 2;
        } else {
          if (prvni_pruchod_.back() != 0) preskoc_cteni(kod[pc]);
          prvni_pruchod_.pop_back();
          pc = kod[pc + 1];
          if (pc == po) return 0;
        }
        break;
      case Instrukce::CyklusZpet:
        // A later pass of the condition costs a step; past the budget the condition finds
        // the end of input where its first factor should be.
        prvni_pruchod_.back() = 0;
        if (!lex_.krok()) {
          return g_.chyba_SA =
                     chyba_znak("Faktor", "cislo, promenna, retezec, komentar nebo volani fce");
        }
        pc = kod[pc];
        break;
      default:
        // Every instruction the compiler appends is handled above.
        __builtin_unreachable();
    }
  }
}

}  // namespace moxa
