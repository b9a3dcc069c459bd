// The runner of compiled code, its body shared by the two files that instantiate it: the
// runner of every run (vm/run.cpp) and the one of a run that traces (vm/run_trace.cpp),
// which is compiled apart so that its size does not change what the optimiser makes of the
// first. Each instruction does what the grammar routine that compiled it does while
// executing, on the same value stack and with the same messages; the scanner does not move,
// so a message quotes the line it has reached, as a replay that parses again would.
#pragma once

#include "limits/sanitizers.hpp"
#include "vm/machine.hpp"

// How a fused operator's case takes its routine. Optimised, inlined: a call on every such
// instruction would cost more than the operator on two numbers itself. Under the
// sanitizers, called: inlined, the several hundred expansions make the runner one function
// so large, with the sanitizers' checks in every one, that g++ 12 with -g spends many minutes
// of processor time on this file, most of it tracking variables; called, a small part of that.
#if MOXA_ASAN
#define MOXA_OPERATOR_NA_MISTE [[gnu::noinline]]
#else
#define MOXA_OPERATOR_NA_MISTE [[gnu::always_inline]]
#endif

namespace moxa {

// Whether the runner checks every instruction code it reads and stops at one it does not
// know: the checked builds (debug, sanitizers). An optimised build trusts the emitter, which
// appends only the codes of the table, unless the code is corrupt.
#if !defined(NDEBUG) || defined(MOXA_KONTROLY_KODU)
inline constexpr bool KONTROLUJE_KOD = true;
#else
inline constexpr bool KONTROLUJE_KOD = false;
#endif

// Operator OP on operands read in place (a variable's place in the table or a literal's
// index, in `a`), its result left in place C (a variable's place following them). An operand in
// place ZASOBNIK is the value on top of the stack: the result takes its place there, or it is
// popped. Two numbers take the short way; anything else goes through `binarni`.
template <Misto L, Misto P, Misto C, Znacka OP>
MOXA_OPERATOR_NA_MISTE inline int Stroj::binarni_na_miste(const std::uint32_t* a) {
  constexpr int PRAVY = L == ZASOBNIK ? 0 : 1;                   // the right operand's index
  constexpr int CIL = PRAVY + (P == ZASOBNIK ? 0 : 1);           // the result's slot
  constexpr bool ZE_ZASOBNIKU = L == ZASOBNIK || P == ZASOBNIK;  // one operand is on top
  if constexpr (ZE_ZASOBNIKU) zas_.zajisti(1);
  // A variable or the stack's top is read as a value; a literal, from the pool's record.
  const Hodnota* leva = nullptr;
  if constexpr (L == ZASOBNIK) leva = &zas_.vrchol();
  if constexpr (L == PROMENNA) leva = &tab_.na_miste(a[0]);
  const Hodnota* prava = nullptr;
  if constexpr (P == ZASOBNIK) prava = &zas_.vrchol();
  if constexpr (P == PROMENNA) prava = &tab_.na_miste(a[PRAVY]);
  // Where the result goes; the truth register's value is a scratch one.
  Hodnota& r = C == PROMENNA  ? tab_.na_miste(a[CIL])
               : C == PRAVDA  ? pomocna_
               : ZE_ZASOBNIKU ? zas_.vrchol()
                              : zas_.pridej();
  // Two whole numbers under an operator that keeps them whole: no rounding to look at.
  if constexpr (zachovava_cela(OP)) {
    const bool cela = (L == LITERAL ? kod_.literal_je_cele(a[0]) : leva->je_cele()) &&
                      (P == LITERAL ? kod_.literal_je_cele(a[PRAVY]) : prava->je_cele());
    if (cela) {
      const double x = L == LITERAL ? kod_.cteni_literalu(a[0]) : leva->cteni();
      const double y = P == LITERAL ? kod_.cteni_literalu(a[PRAVY]) : prava->cteni();
      double cislo = 0.0;
      if (na_celych(OP, x, y, cislo)) {
        r.nastav_cele(cislo);  // a test's value too: a run that traces shows it
        if constexpr (C == PRAVDA) pravda_ = cislo != 0.0;
      } else if constexpr (C == PRAVDA) {
        pomocna_.nastav_vysledek(cislo);
        pravda_ = pomocna_.pravda();
      } else {
        r.nastav_vysledek(cislo);
      }
      if constexpr (ZE_ZASOBNIKU && C != ZASOBNIK) zas_.zahod();
      return 0;
    }
  }
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
    if (binarni(OP, *leva, *prava, r) != 0) return 1;
    if constexpr (C == PRAVDA) pravda_ = pomocna_.pravda();
  }
  if constexpr (ZE_ZASOBNIKU && C != ZASOBNIK) zas_.zahod();
  return 0;
}

// Operator OP on the two values on top of the stack, as `na_zasobniku` applies it.
template <Znacka OP>
[[gnu::always_inline]] inline int Stroj::na_zasobniku_s() {
  zas_.zajisti(2);
  Hodnota& leva = zas_.pod_vrcholem();
  const Hodnota& prava = zas_.vrchol();
  double cislo = 0.0;
  if (zachovava_cela(OP) && leva.je_cele() && prava.je_cele()) {
    if (na_celych(OP, leva.cteni(), prava.cteni(), cislo)) {
      leva.nastav_cele(cislo);
    } else {
      leva.nastav_vysledek(cislo);
    }
  } else if (leva.je_cislo() && prava.je_cislo()) {
    na_cislech_do(OP, leva.cteni(), prava.cteni(), leva);
  } else if (binarni_texty(OP, leva, prava, leva) != 0) {
    return 1;
  }
  zas_.zahod();
  return 0;
}

// An operand in place as a whole number, in `x`; false when it is not one.
[[gnu::always_inline]] inline bool Stroj::cele_na_miste(Misto kde, std::uint32_t index, double& x) {
  if (kde == LITERAL) {
    x = kod_.cteni_literalu(index);
    return kod_.literal_je_cele(index);
  }
  const Hodnota& v = tab_.na_miste(index);
  x = v.cteni();
  return v.je_cele();
}

// The same for an operand that reads as a number, whole or not.
[[gnu::always_inline]] inline bool Stroj::cislo_na_miste(Misto kde, std::uint32_t index,
                                                         double& x) {
  if (kde == LITERAL) {
    x = kod_.cteni_literalu(index);
    return kod_.literal_je_cislo(index);
  }
  const Hodnota& v = tab_.na_miste(index);
  if (!v.je_cislo()) return false;  // which tells the value's reading first
  x = v.cteni();
  return true;
}

// A fused operator of a chain (one of its places is AKU) the short way. `aku` is the runner's
// register and `plny` whether it holds the chain's running result. A chain's start puts its
// result there when its operands are whole numbers, the result is whole and the stack has
// room for the push it saves (so that the stack grows, or not, as it would); a run that
// traces never does, and shows every push. An operator after it takes the register's value
// while the register holds one and the result stays a whole number, and leaves its own
// result there, or at the chain's end in its place. True when that is done; false when the
// operator is to run as its form without the register, with the register's value pushed
// where the operators one by one would have left it. So the values and places that a chain
// leaves are the ones the operators one by one leave. Only the pairs of form and operator
// that the emitter gives have the short way.
template <Misto L, Misto P, Misto C, Znacka OP, bool S>
MOXA_OPERATOR_NA_MISTE inline bool Stroj::v_retezu(const std::uint32_t* a, double& aku,
                                                   bool& plny) {
  constexpr bool KRATCE = !S && retez_vydava(C, OP);
  if constexpr (L != AKU && P != AKU) {
    if constexpr (KRATCE) {
      double x = 0.0;
      double y = 0.0;
      if (zas_.ma_volno() && cele_na_miste(L, a[0], x) && cele_na_miste(P, a[1], y) &&
          na_celych(OP, x, y, aku)) {
        plny = true;
        return true;
      }
    }
    plny = false;
    return false;
  } else {
    if (!plny) return false;
    constexpr bool VLEVO = L == AKU;  // the register's value is the left operand
    constexpr Misto JINY = VLEVO ? P : L;
    if constexpr (KRATCE && zachovava_cela(OP)) {
      double z = 0.0;
      double r = 0.0;
      if (cele_na_miste(JINY, a[0], z) && na_celych(OP, VLEVO ? aku : z, VLEVO ? z : aku, r)) {
        if constexpr (C == AKU) {
          aku = r;
        } else {
          plny = false;
          if constexpr (C == ZASOBNIK) zas_.pridej().nastav_cele(r);
          if constexpr (C == PROMENNA) tab_.na_miste(a[1]).nastav_cele(r);
          if constexpr (C == PRAVDA) {
            pomocna_.nastav_cele(r);  // a test's value, as the operator leaves it
            pravda_ = r != 0.0;
          }
        }
        return true;
      }
    } else if constexpr (KRATCE && je_relace(OP)) {
      double z = 0.0;
      if (cislo_na_miste(JINY, a[0], z)) {
        const bool pravda = VLEVO ? plati(OP, aku, z) : plati(OP, z, aku);
        plny = false;
        if constexpr (C == ZASOBNIK) zas_.pridej().nastav_pravdivost(pravda);
        if constexpr (C == PROMENNA) tab_.na_miste(a[1]).nastav_pravdivost(pravda);
        if constexpr (C == PRAVDA) pravda_ = pravda;
        return true;
      }
    }
    zas_.pridej().nastav_cele(aku);
    plny = false;
    return false;
  }
}

// Runs the code from `od` until the loop's own test leaves it for `po`. This is the one long
// function of the interpreter, on purpose: the instructions are the labelled parts of one
// function, so that the compiler keeps `pc` and the code's base in registers; a part moved
// out into a function of its own would cost a call on every instruction of every pass. Each
// part ends by fetching the next instruction and jumping straight to its part through a table
// of label addresses (a GNU extension that g++ and clang++ both have): one indirect jump per
// instruction, each from a place of its own, which the processor predicts better than the one
// jump of a switch. The table is made from the same lists as the instruction codes, so it has
// a part for every code in their order, and a code without its label does not compile. Each
// part is short and calls the effect that the grammar routine which compiled it calls.
//
// `S` is a run that traces: its parts also tell the trace what each statement did. The
// version without it is the one every other run takes, and has none of that code.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
template <bool S>
int Stroj::proved(KodCyklu::Pozice od, KodCyklu::Pozice po) {
  // `pc` points at the next word to read; a jump's target is an offset from `kod`.
  const std::uint32_t* const kod = kod_.data();
  const std::uint32_t* const konec = kod + po;
  const std::uint32_t* pc = kod + od;
  // A conditional's test: on to its first branch, or past it. False when that leaves the
  // run.
  const auto kdyz = [&](bool pravda) __attribute__((always_inline)) {
    if (pravda) {
      pc += 2;
      return true;
    }
    preskoc_cteni(pc[0]);
    pc = kod + pc[1];
    return pc != konec;
  };
  // A loop's test: into its body, or out of the loop. False when that leaves the run.
  const auto test_cyklu = [&](bool pravda) __attribute__((always_inline)) {
    if (pravda) {
      pc += 2;
      return true;
    }
    if (prvni_pruchod_.back() != 0) preskoc_cteni(pc[0]);
    prvni_pruchod_.pop_back();
    pc = kod + pc[1];
    return pc != konec;
  };
    // The run ends where the loop's own test jumps to its exit, the one way to reach `po`
    // (the code starts at the loop's jump back, and every part of the loop lies before
    // `po`), so only jumps look for the end.
    // The parts in the order of the codes: the plain instructions, then the fused forms.
    // A chain's code that has no short way in this runner (every one in a run that traces;
    // an operator the emitter never gives that form) leads straight to the part of its form
    // without the register, which reads the same words: the register holds nothing then. So
    // only the chains' parts that can do something are targets of the table; the compiler
    // drops the rest, and the function's compile stays short (every jump to the next
    // instruction may go to any target of the table, so the targets count twice over).
#define MOXA_CIL_INSTRUKCE(jmeno, argument, slov) &&I_##jmeno,
#define MOXA_BEZ_AKU_AKU ZASOBNIK
#define MOXA_BEZ_AKU_ZASOBNIK ZASOBNIK
#define MOXA_BEZ_AKU_PROMENNA PROMENNA
#define MOXA_BEZ_AKU_LITERAL LITERAL
#define MOXA_BEZ_AKU_PRAVDA PRAVDA
#define MOXA_BEZ_AKU(m) MOXA_BEZ_AKU_##m
#define MOXA_NAVESTI_(L, P, C, OP) I_B_##L##_##P##_##C##_##OP
#define MOXA_NAVESTI(L, P, C, OP) MOXA_NAVESTI_(L, P, C, OP)
#define MOXA_CIL_BINARNI(L, P, C, OP)                                          \
  (je_retezu(L, P, C) && (S || !retez_vydava(C, Znacka::OP))                   \
       ? &&MOXA_NAVESTI(MOXA_BEZ_AKU(L), MOXA_BEZ_AKU(P), MOXA_BEZ_AKU(C), OP) \
       : &&I_B_##L##_##P##_##C##_##OP),
#define MOXA_CILE_FORMY(_, L, P, C) MOXA_BINARNI_OPERATORY(MOXA_CIL_BINARNI, L, P, C)
  static const void* const CILE[] = {MOXA_INSTRUKCE(MOXA_CIL_INSTRUKCE)  //
                                     MOXA_FORMY(MOXA_CILE_FORMY, _)};
#undef MOXA_CILE_FORMY
#undef MOXA_CIL_BINARNI
#undef MOXA_CIL_INSTRUKCE
  static_assert(sizeof CILE / sizeof CILE[0] == kod_instrukce(Instrukce::POCET),
                "a part for every instruction code");
  // The test that follows an operator whose result is the truth register (the emitter puts
  // one there, a conditional's or a loop's), done at once, without a dispatch of its own:
  // the one branch on the truth follows its computation. False when that leaves the run.
  const auto test_za_registrem = [&]() __attribute__((always_inline)) {
    const std::uint32_t dalsi = KodCyklu::kod(*pc++);
    if (dalsi == kod_instrukce(Instrukce::KdyzR)) return kdyz(pravda_);
    if (KONTROLUJE_KOD && dalsi != kod_instrukce(Instrukce::CyklusTestR)) neznama_instrukce(dalsi);
    return test_cyklu(pravda_);
  };
  // A chain's register, and whether it holds the chain's running result.
  double aku = 0.0;
  bool aku_plny = false;
  std::uint32_t w = 0;
  // The argument is taken out of the word only by the parts that have one (the fused
  // operators carry theirs in their code). Only a slot or a literal's index can be a long
  // one, in the next word; the others are an operator's code, a flag or nothing.
  std::uint32_t arg = 0;
#define MOXA_ARGUMENT() (arg = KodCyklu::argument(w))
#define MOXA_MISTO()                                      \
  do {                                                    \
    if (MOXA_ARGUMENT() == KodCyklu::DLOUHY) arg = *pc++; \
  } while (false)
  // Fetches the next instruction and jumps to its part; a run that traces first notes where
  // the instruction stands and how deep the stack is before it. No instruction has a code
  // past the table unless the code is corrupt, and a checked build stops there at once.
#define MOXA_DALSI()                                                           \
  do {                                                                         \
    if constexpr (S) {                                                         \
      pc_stopy_ = static_cast<KodCyklu::Pozice>(pc - kod);                     \
      stopa_->sahni(zas_.vyska(), odebira(*pc));                               \
    }                                                                          \
    w = *pc++;                                                                 \
    if (KONTROLUJE_KOD && KodCyklu::kod(w) >= kod_instrukce(Instrukce::POCET)) \
      neznama_instrukce(w);                                                    \
    goto* CILE[KodCyklu::kod(w)];                                              \
  } while (false)
  MOXA_DALSI();
  {
  I_Literal:
    MOXA_MISTO();
    kod_.do_hodnoty(arg, zas_.pridej());
    MOXA_DALSI();
  I_Promenna:
    MOXA_MISTO();
    zas_.Vloz_do_zas(tab_.na_miste(arg));
    MOXA_DALSI();
  // The sums and products, the most frequent, know their operator after one test.
  I_Scitani:
    if ((MOXA_ARGUMENT() == static_cast<std::uint32_t>(Znacka::Plus)
             ? na_zasobniku_s<Znacka::Plus>()
             : na_zasobniku_s<Znacka::Minus>()) != 0) {
      return 1;
    }
    MOXA_DALSI();
  I_Nasobeni:
    if ((MOXA_ARGUMENT() == static_cast<std::uint32_t>(Znacka::Krat)
             ? na_zasobniku_s<Znacka::Krat>()
         : arg == static_cast<std::uint32_t>(Znacka::Deleno)
             ? na_zasobniku_s<Znacka::Deleno>()
             : na_zasobniku_s<Znacka::Modulo>()) != 0) {
      return 1;
    }
    MOXA_DALSI();
  I_Relace:
  I_Logicka:
    if (na_zasobniku(static_cast<Znacka>(MOXA_ARGUMENT())) != 0) return 1;
    MOXA_DALSI();
  I_Negace:
    if (negace() != 0) return 1;
    MOXA_DALSI();
    // A chain's operator that does not go the short way goes on in the part of its form
    // without the register.
#define MOXA_BINARNI_OP(L, P, C, OP)                                                       \
  I_B_##L##_##P##_##C##_##OP : if constexpr (je_retezu(L, P, C)) {                         \
    if (!v_retezu<L, P, C, Znacka::OP, S>(pc, aku, aku_plny))                              \
      goto MOXA_NAVESTI(MOXA_BEZ_AKU(L), MOXA_BEZ_AKU(P), MOXA_BEZ_AKU(C), OP);            \
  }                                                                                        \
  else if (binarni_na_miste<L, P, C, Znacka::OP>(pc) != 0) return 1;                       \
  pc += slov_formy(binarni_forma(L, P, C));                                                \
  if constexpr (S && C == PROMENNA) krok_prirazeni(TabulkaPromennych::slot_mista(pc[-1])); \
  if constexpr (S && C == PRAVDA) pravda_logicka_ = je_logicky(Znacka::OP);                \
  if constexpr (!S && C == PRAVDA) {                                                       \
    if (!test_za_registrem()) return 0;                                                    \
  }                                                                                        \
  MOXA_DALSI();
#define MOXA_BINARNI(_, L, P, C) MOXA_BINARNI_OPERATORY(MOXA_BINARNI_OP, L, P, C)
    MOXA_FORMY(MOXA_BINARNI, _)
#undef MOXA_BINARNI
#undef MOXA_BINARNI_OP
#undef MOXA_NAVESTI
#undef MOXA_NAVESTI_
#undef MOXA_BEZ_AKU
#undef MOXA_BEZ_AKU_PRAVDA
#undef MOXA_BEZ_AKU_LITERAL
#undef MOXA_BEZ_AKU_PROMENNA
#undef MOXA_BEZ_AKU_ZASOBNIK
#undef MOXA_BEZ_AKU_AKU
  I_Kopiruj : {
    MOXA_MISTO();
    Hodnota& cil = tab_.na_miste(arg);
    if (pc[0] == PROMENNA) {
      const Hodnota& zdroj = tab_.na_miste(pc[1]);
      if (&cil != &zdroj) cil = zdroj;  // a variable assigned to itself keeps its value
    } else {
      kod_.do_hodnoty(pc[1], cil);
    }
    pc += 2;
    if constexpr (S) krok_prirazeni(TabulkaPromennych::slot_mista(arg));
    MOXA_DALSI();
  }
  I_Prirad:
    MOXA_MISTO();
    prirad_s<S>(TabulkaPromennych::slot_mista(arg));
    MOXA_DALSI();
  I_Pis:
    if (pis_s<S>(MOXA_ARGUMENT() != 0) != 0) return 1;  // output can no longer be written
    MOXA_DALSI();
  I_Cti:
    MOXA_MISTO();
    if (cti_s<S>(static_cast<std::int32_t>(arg)) != 0) return 1;
    MOXA_DALSI();
  I_Volani:
    MOXA_MISTO();
    if constexpr (S) krok_volani(kod_.text_literalu(arg));
    MOXA_DALSI();
  I_Kdyz:
    if (!kdyz(test_s<S>(KDYZ))) return 0;
    MOXA_DALSI();
  I_KdyzR:
    if (!kdyz(test_registru_s<S>(KDYZ))) return 0;
    MOXA_DALSI();
  I_Jinak:
    preskoc_cteni(pc[0]);
    pc = kod + pc[1];
    if (pc == konec) return 0;
    MOXA_DALSI();
  I_CyklusVstup:
    prvni_pruchod_.push_back(1);
    MOXA_DALSI();
  I_CyklusTest:
    if (!test_cyklu(test_s<S>(CYKLUS))) return 0;
    MOXA_DALSI();
  I_CyklusTestR:
    if (!test_cyklu(test_registru_s<S>(CYKLUS))) return 0;
    MOXA_DALSI();
  I_CyklusZpet:
    // A later pass costs a step per token of the loop; past the budget the condition
    // finds the end of input where its first factor should be.
    prvni_pruchod_.back() = 0;
    if constexpr (S) pc_stopy_ = pc[0];  // an error here belongs to the condition
    if (!lex_.krok(pc[1])) return chyba_faktoru();
    pc = kod + pc[0];
    MOXA_DALSI();
#undef MOXA_DALSI
#undef MOXA_MISTO
#undef MOXA_ARGUMENT
  }
}
#pragma GCC diagnostic pop

}  // namespace moxa
