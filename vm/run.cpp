// The later passes of a loop, run from its compiled form. Each instruction does what the
// grammar routine that compiled it does while executing, on the same value stack and with
// the same messages; the scanner does not move, so a message quotes the line it has
// reached, as a replay that parses again would.
#include "parser/interpret.hpp"
#include "parser/operators.hpp"

namespace moxa {

// Operator OP on operands read in place (their indexes in `a`), its result left in place C
// (a variable's slot following the indexes). A left operand in place ZASOBNIK is the value
// on top of the stack: the result takes its place there, or it is popped. Two numbers take
// the short way; anything else goes through `binarni`.
template <Misto L, Misto P, Misto C, Znacka OP>
[[gnu::always_inline]] inline int Interpret::binarni_na_miste(const std::uint32_t* a) {
  constexpr int PRAVY = L == ZASOBNIK ? 0 : 1;
  if constexpr (L == ZASOBNIK) zas_.zajisti(1);
  // A variable or the stack's top is read as a value; a literal, from the pool's record.
  const Hodnota* leva = nullptr;
  if constexpr (L == ZASOBNIK) leva = &zas_.vrchol();
  if constexpr (L == PROMENNA) leva = &tab_.hodnota(static_cast<std::int32_t>(a[0]));
  const Hodnota* prava = nullptr;
  if constexpr (P == PROMENNA) prava = &tab_.hodnota(static_cast<std::int32_t>(a[PRAVY]));
  // Where the result goes; the truth register's value is a scratch one.
  Hodnota& r = C == PROMENNA   ? tab_.hodnota(static_cast<std::int32_t>(a[PRAVY + 1]))
               : C == PRAVDA   ? pomocna_
               : L == ZASOBNIK ? zas_.vrchol()
                               : zas_.pridej();
  // Only one arm of each choice below is ever taken: L and P are known when compiling.
  const bool cisla = (L == LITERAL ? kod_.literal_je_cislo(a[0]) : leva->je_cislo()) &&
                     (P == LITERAL ? kod_.literal_je_cislo(a[PRAVY]) : prava->je_cislo());
  if (cisla) {
    const double x = L == LITERAL ? kod_.cteni_literalu(a[0]) : leva->cteni();
    const double y = P == LITERAL ? kod_.cteni_literalu(a[PRAVY]) : prava->cteni();
    double cislo = 0.0;
    bool pravda = false;
    const bool logicky = na_cislech(OP, x, y, cislo, pravda);
    if constexpr (C == PRAVDA) {
      if (logicky) {
        pravda_ = pravda;
      } else {
        // The truth of the rounded result, which can be zero where the exact one is not.
        pomocna_.nastav_vysledek(cislo);
        pravda_ = pomocna_.pravda();
      }
    } else if (logicky) {
      r.nastav_pravdivost(pravda);
    } else {
      r.nastav_vysledek(cislo);
    }
  } else {
    if constexpr (L == LITERAL) leva = &kod_.hodnota_literalu(a[0], 0);
    if constexpr (P == LITERAL) prava = &kod_.hodnota_literalu(a[PRAVY], 1);
    if ((g_.chyba_SA = binarni(OP, *leva, *prava, r)) != 0) return g_.chyba_SA;
    if constexpr (C == PRAVDA) pravda_ = pomocna_.pravda();
  }
  if constexpr (L == ZASOBNIK && C != ZASOBNIK) zas_.zahod();
  return 0;
}

// Operator OP on the two values on top of the stack, as `na_zasobniku` applies it.
template <Znacka OP>
[[gnu::always_inline]] inline int Interpret::na_zasobniku_s() {
  zas_.zajisti(2);
  Hodnota& leva = zas_.pod_vrcholem();
  const Hodnota& prava = zas_.vrchol();
  if (leva.je_cislo() && prava.je_cislo()) {
    na_cislech_do(OP, leva.cteni(), prava.cteni(), leva);
  } else if ((g_.chyba_SA = binarni_texty(OP, leva, prava, leva)) != 0) {
    return g_.chyba_SA;
  }
  zas_.zahod();
  return 0;
}

void Interpret::preskoc_cteni(std::uint64_t n) {
  for (; n > 0; --n)
    precti_slovo(nullptr);
}

// Runs the code from `od` until the loop's own test leaves it for `po`. This is the one long
// function of the interpreter, on purpose: the instructions are the cases of one switch in
// one loop, so that the compiler keeps `pc` and the code's base in registers and turns the
// switch into a single jump table; a case moved out into a function of its own would cost a
// call on every instruction of every pass. Each case is short and does what the grammar
// routine that compiled it does.
int Interpret::Proved(KodCyklu::Pozice od, KodCyklu::Pozice po) {
  const std::uint32_t* const kod = kod_.data();
  KodCyklu::Pozice pc = od;
  // The run ends where the loop's own test jumps to its exit, the one way to reach `po`
  // (the code starts at the loop's jump back, and every part of the loop lies before
  // `po`), so only jumps look for the end.
  for (;;) {
    const std::uint32_t w = kod[pc++];
    std::uint32_t arg = KodCyklu::argument(w);
    // Only the instructions whose argument is a slot or a literal's index can have a long
    // one, in the next word; the others carry an operator's code or nothing.
    // On the code, not the enumeration: the fused operators are a numbered range.
    switch (w & 0xFF) {
      case kod_instrukce(Instrukce::Literal):
        if (arg == KodCyklu::DLOUHY) arg = kod[pc++];  // a long argument
        kod_.do_hodnoty(arg, zas_.pridej());
        break;
      case kod_instrukce(Instrukce::Promenna):
        if (arg == KodCyklu::DLOUHY) arg = kod[pc++];  // a long argument
        zas_.Vloz_do_zas(tab_.hodnota(static_cast<std::int32_t>(arg)));
        break;
      // The sums and products, the most frequent, know their operator after one test.
      case kod_instrukce(Instrukce::Scitani):
        if ((arg == static_cast<std::uint32_t>(Znacka::Plus)
                 ? na_zasobniku_s<Znacka::Plus>()
                 : na_zasobniku_s<Znacka::Minus>()) != 0) {
          return g_.chyba_SA;
        }
        break;
      case kod_instrukce(Instrukce::Nasobeni):
        if ((arg == static_cast<std::uint32_t>(Znacka::Krat) ? na_zasobniku_s<Znacka::Krat>()
             : arg == static_cast<std::uint32_t>(Znacka::Deleno)
                 ? na_zasobniku_s<Znacka::Deleno>()
                 : na_zasobniku_s<Znacka::Modulo>()) != 0) {
          return g_.chyba_SA;
        }
        break;
      case kod_instrukce(Instrukce::Relace):
      case kod_instrukce(Instrukce::Logicka):
        if (na_zasobniku(static_cast<Znacka>(arg)) != 0) return g_.chyba_SA;
        break;
      case kod_instrukce(Instrukce::Negace):
        if ((g_.chyba_SA = LV_1()) != 0) return g_.chyba_SA;
        break;
#define MOXA_BINARNI_OP(L, P, C, OP)                                              \
  case binarni_instrukce(binarni_forma(L, P, C), Znacka::OP):                     \
    if (binarni_na_miste<L, P, C, Znacka::OP>(kod + pc) != 0) return g_.chyba_SA; \
    pc += (L == ZASOBNIK ? 1 : 2) + (C == PROMENNA ? 1 : 0);                      \
    break;
#define MOXA_BINARNI(L, P, C)          \
  MOXA_BINARNI_OP(L, P, C, Plus)       \
  MOXA_BINARNI_OP(L, P, C, Minus)      \
  MOXA_BINARNI_OP(L, P, C, Krat)       \
  MOXA_BINARNI_OP(L, P, C, Deleno)     \
  MOXA_BINARNI_OP(L, P, C, Modulo)     \
  MOXA_BINARNI_OP(L, P, C, Mensi)      \
  MOXA_BINARNI_OP(L, P, C, Vetsi)      \
  MOXA_BINARNI_OP(L, P, C, Rovno)      \
  MOXA_BINARNI_OP(L, P, C, Nerovno)    \
  MOXA_BINARNI_OP(L, P, C, MensiRovno) \
  MOXA_BINARNI_OP(L, P, C, VetsiRovno) \
  MOXA_BINARNI_OP(L, P, C, A)          \
  MOXA_BINARNI_OP(L, P, C, Nebo)
#define MOXA_BINARNI_CIL(C)           \
  MOXA_BINARNI(PROMENNA, PROMENNA, C) \
  MOXA_BINARNI(PROMENNA, LITERAL, C)  \
  MOXA_BINARNI(LITERAL, PROMENNA, C)  \
  MOXA_BINARNI(LITERAL, LITERAL, C)
        MOXA_BINARNI_CIL(ZASOBNIK)
        MOXA_BINARNI_CIL(PROMENNA)
        MOXA_BINARNI_CIL(PRAVDA)
        MOXA_BINARNI(ZASOBNIK, PROMENNA, ZASOBNIK)
        MOXA_BINARNI(ZASOBNIK, LITERAL, ZASOBNIK)
        MOXA_BINARNI(ZASOBNIK, PROMENNA, PROMENNA)
        MOXA_BINARNI(ZASOBNIK, LITERAL, PROMENNA)
        MOXA_BINARNI(ZASOBNIK, PROMENNA, PRAVDA)
        MOXA_BINARNI(ZASOBNIK, LITERAL, PRAVDA)
#undef MOXA_BINARNI_CIL
#undef MOXA_BINARNI
#undef MOXA_BINARNI_OP
      case kod_instrukce(Instrukce::Kopiruj): {
        if (arg == KodCyklu::DLOUHY) arg = kod[pc++];  // a long argument
        Hodnota& cil = tab_.hodnota(static_cast<std::int32_t>(arg));
        if (kod[pc] == PROMENNA) {
          const Hodnota& zdroj = tab_.hodnota(static_cast<std::int32_t>(kod[pc + 1]));
          if (&cil != &zdroj) cil = zdroj;  // a variable assigned to itself keeps its value
        } else {
          kod_.do_hodnoty(kod[pc + 1], cil);
        }
        pc += 2;
        break;
      }
      case kod_instrukce(Instrukce::Prirad):
        if (arg == KodCyklu::DLOUHY) arg = kod[pc++];  // a long argument
        zas_.zajisti(1);
        tab_.hodnota(static_cast<std::int32_t>(arg)) = std::move(zas_.vrchol());
        zas_.zahod();
        break;
      case kod_instrukce(Instrukce::Pis):
        zas_.zajisti(1);
        out_.pis(zas_.vrchol().text());
        zas_.zahod();
        if (arg != 0) out_.pis('\n');
        if (out_.selhal()) return g_.chyba_SA = 1;  // output can no longer be written
        break;
      case kod_instrukce(Instrukce::Cti): {
        if (arg == KodCyklu::DLOUHY) arg = kod[pc++];  // a long argument
        std::string slovo;
        if (!precti_slovo(&slovo)) return g_.chyba_SA = chyba_dlouha("Cti");
        tab_.hodnota(static_cast<std::int32_t>(arg)) = Hodnota::text(std::move(slovo));
        break;
      }
      case kod_instrukce(Instrukce::Kdyz):
      case kod_instrukce(Instrukce::KdyzR):
        if (KodCyklu::instrukce(w) == Instrukce::KdyzR ? pravda_ : zas_.Uber_pravdivost()) {
          pc += 2;
        } else {
          preskoc_cteni(kod[pc]);
          pc = kod[pc + 1];
          if (pc == po) return 0;
        }
        break;
      case kod_instrukce(Instrukce::Jinak):
        preskoc_cteni(kod[pc]);
        pc = kod[pc + 1];
        if (pc == po) return 0;
        break;
      case kod_instrukce(Instrukce::CyklusVstup): prvni_pruchod_.push_back(1); break;
      case kod_instrukce(Instrukce::CyklusTest):
      case kod_instrukce(Instrukce::CyklusTestR):
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
      case kod_instrukce(Instrukce::CyklusZpet):
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
