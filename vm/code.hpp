// The compiled form of loops. While a loop that executes is read for the first time, the
// grammar routines, besides executing, append to this code what each of their actions did:
// a factor pushes, an operator applies, a statement stores, prints or reads, a conditional
// or a loop jumps. Every later pass of the loop runs that code and reads no token again.
//
// The code is one flat sequence of 32-bit words, appended to while the outermost executing
// loop is read and emptied when it ends; a loop nested in it is a range of the same code.
// A word holds the instruction in its low byte and its argument in the other three; an
// argument too large for them is marked so and held in the next word. Conditionals and
// loops keep the word count of their passed-over parts and jump targets in words of their
// own, filled in when their end has been read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "expr/value.hpp"
#include "lexer/token.hpp"
#include "storage/hash_index.hpp"
#include "storage/variables.hpp"
#include "vm/operators.hpp"

namespace moxa {

// Every instruction but the fused operators, in the order of their codes, each with its
// argument and the words that follow it (the disassembler's description of both):
//   X(name, argument, following words)
// An argument that names a variable or a literal (MISTO) may be too long for its word and
// then stands in the next word; OPERATOR is an operator's Znacka; PRIZNAK is 0 or 1.
// clang-format off
#define MOXA_INSTRUKCE(X)                                                                          \
  /* Expressions, on the value stack. */                                                           \
  X(Literal, MISTO, 0)    /* pushes literal [arg] */                                               \
  X(Promenna, MISTO, 0)   /* pushes a copy of variable [arg] */                                    \
  X(Nasobeni, OPERATOR, 0) /* "*", "/" or "%" on the two values on top */                          \
  X(Scitani, OPERATOR, 0) /* "+" or "-" */                                                         \
  X(Relace, OPERATOR, 0)  /* a comparison */                                                       \
  X(Negace, ZADNY, 0)     /* the prefix "!" on the value on top */                                 \
  X(Logicka, OPERATOR, 0) /* "|" or "&" */                                                         \
  /* Statements. */                                                                                \
  X(Prirad, MISTO, 0)     /* pops into the variable at place [arg] */                              \
  X(Pis, PRIZNAK, 0)      /* pops and writes; [arg] 1 adds a line feed */                          \
  X(Cti, MISTO, 0)        /* reads a word into the variable of slot [arg] (or none: -1) */         \
  /* A call statement ends: the step that a run which traces reports ([arg] the literal of */    \
  /* the call's name). Compiled only in such a run; it does nothing else. */                     \
  X(Volani, MISTO, 0)                                                                              \
  /* Assigns a literal or a variable's value ([arg] the target; kind and index follow). */         \
  X(Kopiruj, MISTO, 2)                                                                             \
  /* Conditionals: [count] [target] follow the instruction word. */                                \
  X(Kdyz, ZADNY, 2)       /* pops a truth; when false: passes over [count] read statements, */     \
                          /* jumps */                                                              \
  X(Jinak, ZADNY, 2)      /* end of the branch taken: passes over the other's [count], jumps */    \
  /* Loops: "enter" starts a loop's run; "test" follows the condition ([count] [target]: */        \
  /* the body's read statements and the exit); "zpet" ends the body ([target] [tokens]: the */     \
  /* condition, and the steps a later pass costs). */                                              \
  X(CyklusVstup, ZADNY, 0)                                                                         \
  X(CyklusTest, ZADNY, 2)                                                                          \
  X(CyklusZpet, ZADNY, 2)                                                                          \
  /* The same tests taking the truth of the condition from the truth register, where a */          \
  /* fused comparison left it. */                                                                  \
  X(KdyzR, ZADNY, 2)                                                                               \
  X(CyklusTestR, ZADNY, 2)
// clang-format on

// Where a fused operator takes an operand or leaves its result.
enum Misto : std::uint32_t {
  ZASOBNIK = 0,  // the value stack: the left operand on top, replaced by the result
  PROMENNA = 1,  // a variable, by its place in the table
  LITERAL = 2,   // a literal, by index
  PRAVDA = 3,    // the result only as the truth of a condition, in the truth register
  AKU = 4,       // the running result of a chain (below), kept in the runner's register
};

// A binary operator with its right operand read where it lives, and its left one either read
// in place too or on top of the value stack (the operands' indexes follow the instruction
// word; [arg] is the operator's Znacka). The instruction carries the operator and the places
// of both operands and of the result (pushed, or taking the left operand's place on the
// stack; stored in a variable whose place follows; or only its truth, in the truth register),
// so that its run needs no second dispatch. The forms, by the places of the left and the
// right operand and of the result, in the order of their codes: twelve with both operands in
// place, six with the left one on the stack, then three with the left one a variable and the
// right one on the stack (`@s -> @s + ...`: the variable is read where it lives, not copied
// to the stack and back; an expression changes no variable, so reading it after the right
// operand is computed reads the same value).
//
// Then the forms of chains: an operator on two operands in place whose result the next
// operator takes from the stack, and whole numbers stay whole under both ("+", "-", "*", "%"),
// leaves its result in the runner's register (AKU) when its operands are whole numbers, and
// on the stack as before when they are not; each operator of the chain after it takes the
// register's value when it holds one (it keeps its result there, or leaves it in its place
// at the chain's end), and the stack's top when it does not. So a chain of whole numbers
// touches the stack not at all, and any other chain runs as the forms above run it.
#define MOXA_FORMY(X, ...)                     \
  X(__VA_ARGS__, PROMENNA, PROMENNA, ZASOBNIK) \
  X(__VA_ARGS__, PROMENNA, LITERAL, ZASOBNIK)  \
  X(__VA_ARGS__, LITERAL, PROMENNA, ZASOBNIK)  \
  X(__VA_ARGS__, LITERAL, LITERAL, ZASOBNIK)   \
  X(__VA_ARGS__, PROMENNA, PROMENNA, PROMENNA) \
  X(__VA_ARGS__, PROMENNA, LITERAL, PROMENNA)  \
  X(__VA_ARGS__, LITERAL, PROMENNA, PROMENNA)  \
  X(__VA_ARGS__, LITERAL, LITERAL, PROMENNA)   \
  X(__VA_ARGS__, PROMENNA, PROMENNA, PRAVDA)   \
  X(__VA_ARGS__, PROMENNA, LITERAL, PRAVDA)    \
  X(__VA_ARGS__, LITERAL, PROMENNA, PRAVDA)    \
  X(__VA_ARGS__, LITERAL, LITERAL, PRAVDA)     \
  X(__VA_ARGS__, ZASOBNIK, PROMENNA, ZASOBNIK) \
  X(__VA_ARGS__, ZASOBNIK, LITERAL, ZASOBNIK)  \
  X(__VA_ARGS__, ZASOBNIK, PROMENNA, PROMENNA) \
  X(__VA_ARGS__, ZASOBNIK, LITERAL, PROMENNA)  \
  X(__VA_ARGS__, ZASOBNIK, PROMENNA, PRAVDA)   \
  X(__VA_ARGS__, ZASOBNIK, LITERAL, PRAVDA)    \
  X(__VA_ARGS__, PROMENNA, ZASOBNIK, ZASOBNIK) \
  X(__VA_ARGS__, PROMENNA, ZASOBNIK, PROMENNA) \
  X(__VA_ARGS__, PROMENNA, ZASOBNIK, PRAVDA)   \
  X(__VA_ARGS__, PROMENNA, PROMENNA, AKU)      \
  X(__VA_ARGS__, PROMENNA, LITERAL, AKU)       \
  X(__VA_ARGS__, LITERAL, PROMENNA, AKU)       \
  X(__VA_ARGS__, LITERAL, LITERAL, AKU)        \
  X(__VA_ARGS__, AKU, PROMENNA, AKU)           \
  X(__VA_ARGS__, AKU, LITERAL, AKU)            \
  X(__VA_ARGS__, AKU, PROMENNA, ZASOBNIK)      \
  X(__VA_ARGS__, AKU, LITERAL, ZASOBNIK)       \
  X(__VA_ARGS__, AKU, PROMENNA, PROMENNA)      \
  X(__VA_ARGS__, AKU, LITERAL, PROMENNA)       \
  X(__VA_ARGS__, AKU, PROMENNA, PRAVDA)        \
  X(__VA_ARGS__, AKU, LITERAL, PRAVDA)         \
  X(__VA_ARGS__, PROMENNA, AKU, AKU)           \
  X(__VA_ARGS__, PROMENNA, AKU, ZASOBNIK)      \
  X(__VA_ARGS__, PROMENNA, AKU, PROMENNA)      \
  X(__VA_ARGS__, PROMENNA, AKU, PRAVDA)
// The binary operators, "+" to ">=", then "&" and "|": each form has one instruction per
// operator, in this order.
// clang-format off
#define MOXA_BINARNI_OPERATORY(X, ...)                                                             \
  X(__VA_ARGS__, Plus) X(__VA_ARGS__, Minus) X(__VA_ARGS__, Krat) X(__VA_ARGS__, Deleno)          \
  X(__VA_ARGS__, Modulo) X(__VA_ARGS__, Mensi) X(__VA_ARGS__, Vetsi) X(__VA_ARGS__, Rovno)        \
  X(__VA_ARGS__, Nerovno) X(__VA_ARGS__, MensiRovno) X(__VA_ARGS__, VetsiRovno)                   \
  X(__VA_ARGS__, A) X(__VA_ARGS__, Nebo)
// clang-format on

// The instruction codes: the plain instructions, then every fused form with every operator
// (named B_<left>_<right>_<result>_<operator>).
#define MOXA_KOD_INSTRUKCE(jmeno, argument, slov) jmeno,
#define MOXA_KOD_BINARNI(L, P, C, OP) B_##L##_##P##_##C##_##OP,
#define MOXA_KODY_FORMY(_, L, P, C) MOXA_BINARNI_OPERATORY(MOXA_KOD_BINARNI, L, P, C)
enum class Instrukce : std::uint16_t {
  MOXA_INSTRUKCE(MOXA_KOD_INSTRUKCE)  //
  MOXA_FORMY(MOXA_KODY_FORMY, _)      //
  POCET                               // not an instruction: how many there are
};
#undef MOXA_KODY_FORMY
#undef MOXA_KOD_BINARNI
#undef MOXA_KOD_INSTRUKCE

constexpr std::uint32_t kod_instrukce(Instrukce i) { return static_cast<std::uint32_t>(i); }

// An instruction word holds the instruction's code in its low half and its argument in the
// high one; an argument too large for it is marked so and held in the next word. A code in
// the low half is taken out of the word by one zero-extension on the way to its part.
inline constexpr std::uint32_t BITY_KODU = 16;
inline constexpr std::uint32_t MASKA_KODU = (1U << BITY_KODU) - 1;
static_assert(kod_instrukce(Instrukce::POCET) <= MASKA_KODU + 1, "every code fits its field");

// The form of an instruction's argument, for the disassembler.
enum class Argument : std::uint8_t { ZADNY, MISTO, OPERATOR, PRIZNAK };

// The places of the fused forms, by form number.
inline constexpr Misto FORMY[][3] = {
#define MOXA_MISTA_FORMY(_, L, P, C) {L, P, C},
    MOXA_FORMY(MOXA_MISTA_FORMY, _)
#undef MOXA_MISTA_FORMY
};
inline constexpr std::uint32_t POCET_FOREM = sizeof FORMY / sizeof FORMY[0];
inline constexpr Znacka BINARNI_OPERATORY[] = {
#define MOXA_ZNACKA_OPERATORU(_, OP) Znacka::OP,
    MOXA_BINARNI_OPERATORY(MOXA_ZNACKA_OPERATORU, _)
#undef MOXA_ZNACKA_OPERATORU
};
inline constexpr std::uint32_t BINARNICH_OPERATORU =
    sizeof BINARNI_OPERATORY / sizeof BINARNI_OPERATORY[0];

// The number of a form by its places (POCET_FOREM for places no form has).
constexpr std::uint32_t binarni_forma(Misto levy, Misto pravy, Misto cil) {
  std::uint32_t f = 0;
  while (f < POCET_FOREM && (FORMY[f][0] != levy || FORMY[f][1] != pravy || FORMY[f][2] != cil))
    ++f;
  return f;
}
// The places of the operands of form `forma`.
constexpr Misto levy_formy(std::uint32_t forma) { return FORMY[forma][0]; }
constexpr Misto pravy_formy(std::uint32_t forma) { return FORMY[forma][1]; }
constexpr Misto cil_formy(std::uint32_t forma) { return FORMY[forma][2]; }
// Words that follow a fused instruction's word: the operands in place, the result's place.
constexpr std::uint32_t slov_formy(std::uint32_t forma) {
  const auto na_miste = [](Misto m) { return m == PROMENNA || m == LITERAL ? 1U : 0U; };
  return na_miste(levy_formy(forma)) + na_miste(pravy_formy(forma)) +
         (cil_formy(forma) == PROMENNA ? 1U : 0U);
}
// Values a fused instruction takes from the stack (a chain's register stands for the stack's
// top: the operators one by one take it from there).
constexpr std::uint32_t odebira_formy(std::uint32_t forma) {
  const auto zasobnik = [](Misto m) { return m == ZASOBNIK || m == AKU ? 1U : 0U; };
  return zasobnik(levy_formy(forma)) + zasobnik(pravy_formy(forma));
}

constexpr std::uint32_t poradi_operatoru(Znacka op) {
  const auto z = static_cast<std::uint32_t>(op) - static_cast<std::uint32_t>(Znacka::Plus);
  return op <= Znacka::VetsiRovno ? z : z - 1;  // the prefix "!" lies between
}
inline constexpr std::uint32_t PRVNI_BINARNI =
    kod_instrukce(Instrukce::B_PROMENNA_PROMENNA_ZASOBNIK_Plus);
constexpr std::uint32_t binarni_instrukce(std::uint32_t forma, Znacka op) {
  return PRVNI_BINARNI + forma * BINARNICH_OPERATORU + poradi_operatoru(op);
}
constexpr bool je_binarni(std::uint32_t kod) { return kod >= PRVNI_BINARNI; }
// The form of a fused operator's code (one that `je_binarni`).
constexpr std::uint32_t forma_binarni(std::uint32_t kod) {
  return (kod - PRVNI_BINARNI) / BINARNICH_OPERATORU;
}

// A chain's form: one of its places is the register. When the register holds nothing, it
// runs as the form with the stack's top in the register's place, which reads the same words.
constexpr bool je_retezu(Misto levy, Misto pravy, Misto cil) {
  return levy == AKU || pravy == AKU || cil == AKU;
}
// Whether the emitter gives operator `op` a chain's form with result place `cil` (see
// `navaz_retez`): a start or a step that keeps the result in the register under "+", "-",
// "*" and "%" only, a chain's last step under those or a comparison.
constexpr bool retez_vydava(Misto cil, Znacka op) {
  return zachovava_cela(op) || (cil != AKU && je_relace(op));
}

// The lists agree with the numbering that the emitter computes.
constexpr bool formy_sedi() {
  for (std::uint32_t f = 0; f < POCET_FOREM; ++f)
    if (binarni_forma(FORMY[f][0], FORMY[f][1], FORMY[f][2]) != f) return false;
  for (std::uint32_t k = 0; k < BINARNICH_OPERATORU; ++k)
    if (poradi_operatoru(BINARNI_OPERATORY[k]) != k) return false;
  return true;
}
static_assert(formy_sedi(), "the forms and operators in the order of their codes");
static_assert(binarni_instrukce(POCET_FOREM - 1, Znacka::Nebo) + 1 ==
                  kod_instrukce(Instrukce::POCET),
              "one code per form and operator");

// What the disassembler knows of a plain instruction.
struct PopisInstrukce {
  const char* jmeno;
  Argument argument;
  std::uint32_t slov;  // words following the instruction word
};
inline constexpr PopisInstrukce POPISY[] = {
#define MOXA_POPIS_INSTRUKCE(jmeno, argument, slov) {#jmeno, Argument::argument, slov},
    MOXA_INSTRUKCE(MOXA_POPIS_INSTRUKCE)
#undef MOXA_POPIS_INSTRUKCE
};
static_assert(sizeof POPISY / sizeof POPISY[0] == PRVNI_BINARNI, "a description per instruction");

class KodCyklu {
 public:
  using Pozice = std::uint32_t;
  static constexpr Pozice NIKDE = UINT32_MAX;

  // Where a statement, or the test of a conditional's or loop's condition, starts in the
  // code, and where its first token stands in the source. Fusion never crosses the start
  // of a statement, so every instruction belongs to exactly one statement: the last one
  // that starts at or before it.
  struct ZacatekPrikazu {
    Pozice kod;
    PoziceTokenu misto;
    bool test;  // the test of a condition, not a statement
  };
  // The side table of statement starts is kept only when asked for (a run that does not
  // ask pays nothing): for a step view, a listing.
  void zaznamenavej_prikazy(bool ano) { zaznamenavat_ = ano; }
  // A statement (`test` false) or a condition's test starts here, its first token at
  // `misto`. Operands still held back are placed first: they belong to what came before.
  void zacatek_prikazu(const PoziceTokenu& misto, bool test) {
    const Pozice kde = delka();
    if (zaznamenavat_) zaznamenej(ZacatekPrikazu{kde, misto, test});
  }
  // The statement or test that the instruction at `pc` belongs to; null when none is
  // recorded before it.
  const ZacatekPrikazu* prikaz_na(Pozice pc) const;
  // An argument word with this value says: the argument is the next word.
  static constexpr std::uint32_t DLOUHY = UINT32_MAX >> BITY_KODU;

  // The position of the next instruction (a jump target): operands still held back are
  // placed first.
  Pozice delka() {
    if (cekajicich_ > 0) vydej_cekajici();
    posledni_binarni_ = NIKDE;
    retez_ = NIKDE;
    vyska_stinu_ = 0;
    return static_cast<Pozice>(slova_.size());
  }
  const std::uint32_t* data() const { return slova_.data(); }

  // Appends an instruction with its argument.
  void pridej(Instrukce i, std::uint32_t arg = 0);

  // The push of a variable (by its slot) or a literal is held back, so that the operator or
  // statement that consumes it can read it in place. In the code, a variable is named by its
  // place in the table (`TabulkaPromennych::misto`), not by its slot.
  void pridej_operand(Misto kde, std::uint32_t index);
  // A binary operator (`obecna` is its form on the value stack), fused with the operands
  // held back when there are any.
  void pridej_binarni(Instrukce obecna, Znacka op);
  // An assignment to variable `slot`: fused with an operator or operand just before it.
  void pridej_prirazeni(std::uint32_t slot);
  // A conditional's or loop's test, taking its truth from a comparison just before it when
  // there is one; `s_registrem` is the form that reads the truth register.
  Pozice pridej_test(Instrukce obecna, Instrukce s_registrem);
  // Appends an instruction followed by `n` words to be filled in later; returns the
  // position of the first of them.
  Pozice pridej_s_misty(Instrukce i, int n);
  void vypln(Pozice p, std::uint32_t hodnota) { slova_[p] = hodnota; }

  // The index of the literal with the text of token `t`, taken into the pool once.
  std::uint32_t literal(const Token& t);
  // A literal's number test, reading and text.
  [[gnu::always_inline]] bool literal_je_cislo(std::uint32_t i) const {
    return (literaly_[i].delka & CISLO) != 0;
  }
  // Whether literal `i` reads as a whole, finite number.
  [[gnu::always_inline]] bool literal_je_cele(std::uint32_t i) const {
    return (literaly_[i].delka & CELE) != 0;
  }
  [[gnu::always_inline]] double cteni_literalu(std::uint32_t i) const { return literaly_[i].cteni; }
  std::string_view text_literalu(std::uint32_t i) const {
    const Literal& l = literaly_[i];
    return std::string_view(texty_).substr(l.od, l.delka & ~(CISLO | CELE));
  }
  // Literal `i` made a value, in `v`.
  void do_hodnoty(std::uint32_t i, Hodnota& v) const {
    v.nastav_text(text_literalu(i), literal_je_cislo(i) ? Ciselnost::Je : Ciselnost::Neni,
                  cteni_literalu(i));
  }
  // Literal `i` made a value in scratch place `k` (0 or 1), valid until that place is used
  // again: for the operators' long way, which takes values.
  const Hodnota& hodnota_literalu(std::uint32_t i, int k) {
    do_hodnoty(i, docasne_[k]);
    return docasne_[k];
  }

  // Bytes the code and its literals hold (for a run's memory budget).
  std::size_t pamet() const;

  // The code, one instruction a line, with the statement starts before their first
  // instruction: a listing for people and for tests.
  std::string vypis() const;

  // Empties the code and the literals, keeping the buffers of a modest size for reuse.
  void vyprazdni();

  // Instruction word fields.
  static std::uint32_t kod(std::uint32_t w) { return w & MASKA_KODU; }
  static Instrukce instrukce(std::uint32_t w) { return static_cast<Instrukce>(kod(w)); }
  static std::uint32_t argument(std::uint32_t w) { return w >> BITY_KODU; }

 private:
  void rust();
  void slovo(std::uint32_t w) {
    rust();
    slova_.push_back(w);
  }
  void vydej_cekajici();
  void presmeruj_posledni(Misto cil);
  void vydej(Instrukce i, std::uint32_t arg);

  struct Operand {
    Misto kde;
    std::uint32_t index;
  };
  void vydej_operand(const Operand& o);
  void zaznamenej(const ZacatekPrikazu& z);

  Operand cekajici_[2] = {};
  int cekajicich_ = 0;
  // The values that the code appended since the last jump target, statement or assignment
  // leaves on the stack, bottom first: for each, where the `Promenna` that pushed it stands,
  // or NIKDE when something else did. An operator whose left operand was pushed so reads the
  // variable in place instead. Only the top few are remembered.
  static constexpr int STIN = 8;
  Pozice stin_[STIN] = {};
  int vyska_stinu_ = 0;
  void stin_pridej(Pozice p) {
    if (vyska_stinu_ < STIN) stin_[vyska_stinu_] = p;
    ++vyska_stinu_;
  }
  void stin_odeber(int n) { vyska_stinu_ = vyska_stinu_ > n ? vyska_stinu_ - n : 0; }
  // Where the `Promenna` that pushed the value `k` below the top stands; NIKDE when unknown.
  Pozice stin(int k) const {
    const int i = vyska_stinu_ - 1 - k;
    return i >= 0 && i < STIN ? stin_[i] : NIKDE;
  }
  bool slouci_levou_promennou(Znacka op);
  // The last instruction, when it is a fused operator that pushes its result and may give it
  // to a chain: on two operands in place, or a chain's operator, under "+", "-", "*" or "%".
  Pozice retez_ = NIKDE;
  // An operator `op` that takes the last instruction's result from the stack, `jiny` its
  // operand in place: when the two can form a chain, the last instruction is made to leave its
  // result in the register, and AKU is returned, the place the operator takes it from; else
  // ZASOBNIK.
  Misto navaz_retez(Znacka op, const Operand& jiny);
  // Makes the fused operator at `p` leave its result in place `cil`, its operands as they are.
  void zmen_cil(Pozice p, Misto cil);
  // Whether operand `o` may be a whole number: a variable may, a literal when it is one.
  bool muze_byt_cely(const Operand& o) const {
    return o.kde != LITERAL || literal_je_cele(o.index);
  }
  // The last instruction, when it is a fused operator that pushes its result (or leaves it
  // in its left operand's place on the stack): an assignment or a test after it can take
  // the result instead.
  Pozice posledni_binarni_ = NIKDE;

  std::vector<std::uint32_t> slova_;
  bool zaznamenavat_ = false;
  std::vector<ZacatekPrikazu> prikazy_;
  // The literal pool. A literal is kept compact, not as a ready value: its text in the
  // shared buffer `texty_`, with its number test and reading.
  static constexpr std::uint32_t CISLO = 0x80000000;  // in `delka`: passes the number test
  static constexpr std::uint32_t CELE = 0x40000000;   // ... and reads as a whole number
  struct Literal {
    double cteni;
    std::uint32_t od;     // where its text starts in `texty_`
    std::uint32_t delka;  // its length, with CISLO
  };
  std::vector<Literal> literaly_;
  std::string texty_;
  Hodnota docasne_[2];
  // The literals by text, kept at most half full.
  IndexHashu index_literalu_;
};

}  // namespace moxa
