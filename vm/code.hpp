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

namespace moxa {

enum class Instrukce : std::uint8_t {
  // Expressions, on the value stack.
  Literal,   // pushes literal [arg]
  Promenna,  // pushes a copy of variable [arg]
  Nasobeni,  // "*", "/" or "%" (the operator's Znacka in [arg]) on the two values on top
  Scitani,   // "+" or "-"
  Relace,    // a comparison
  Negace,    // the prefix "!" on the value on top
  Logicka,   // "|" or "&"
  // Statements.
  Prirad,  // pops into variable [arg]
  Pis,     // pops and writes; [arg] 1 adds a line feed
  Cti,     // reads a word into variable [arg]
  // Assigns a literal or a variable's value ([arg] the target; kind and index follow).
  Kopiruj,
  // Conditionals: [count] [target] follow the instruction word.
  Kdyz,   // pops a truth; when false: passes over [count] read statements, jumps
  Jinak,  // end of the branch taken: passes over the other branch's [count], jumps
  // Loops: "enter" starts a loop's run; "test" follows the condition ([count] [target]: the
  // body's read statements and the exit); "zpet" ends the body ([target]: the condition).
  CyklusVstup,
  CyklusTest,
  CyklusZpet,
  // The same tests taking the truth of the condition from the truth register, where a
  // fused comparison left it.
  KdyzR,
  CyklusTestR,
  // A binary operator with its right operand read where it lives, and its left one either
  // read in place too or on top of the value stack (the operands' indexes next; [arg] the
  // operator's Znacka). The instruction carries the operator and the places of both
  // operands and of the result (pushed, or taking the left operand's place on the stack;
  // stored in a variable whose slot follows; or only its truth, in the truth register),
  // so that its run needs no second dispatch. This is the first of those instructions;
  // see `binarni_instrukce`.
  Binarni,
};

// Where a fused operator takes an operand or leaves its result.
enum Misto : std::uint32_t {
  ZASOBNIK = 0,  // the value stack: the left operand on top, replaced by the result
  PROMENNA = 1,  // a variable, by slot
  LITERAL = 2,   // a literal, by index
  PRAVDA = 3,    // the result only as the truth of a condition, in the truth register
};

// The fused operators come in eighteen forms: twelve with both operands in place (by the
// places of the left and the right operand and of the result) and six with the left one on
// the stack, its place ZASOBNIK.
constexpr std::uint32_t binarni_forma(Misto levy, Misto pravy, Misto cil) {
  const std::uint32_t c = cil == PRAVDA ? 2U : static_cast<std::uint32_t>(cil);
  if (levy == ZASOBNIK) return 12 + c * 2 + (pravy - 1);
  return c * 4 + (levy - 1) * 2 + (pravy - 1);
}
// The places of the operands of form `forma`.
constexpr Misto levy_formy(std::uint32_t forma) {
  return forma >= 12 ? ZASOBNIK : static_cast<Misto>(forma % 4 / 2 + 1);
}
constexpr Misto pravy_formy(std::uint32_t forma) { return static_cast<Misto>(forma % 2 + 1); }

// Each form has one instruction per binary operator, "+" to ">=", then "&" and "|".
inline constexpr std::uint32_t BINARNICH_OPERATORU = 13;
constexpr std::uint32_t poradi_operatoru(Znacka op) {
  const auto z = static_cast<std::uint32_t>(op) - static_cast<std::uint32_t>(Znacka::Plus);
  return op <= Znacka::VetsiRovno ? z : z - 1;  // the prefix "!" lies between
}
constexpr std::uint32_t kod_instrukce(Instrukce i) { return static_cast<std::uint32_t>(i); }
constexpr std::uint32_t binarni_instrukce(std::uint32_t forma, Znacka op) {
  return kod_instrukce(Instrukce::Binarni) + forma * BINARNICH_OPERATORU + poradi_operatoru(op);
}
static_assert(kod_instrukce(Instrukce::Binarni) + 18 * BINARNICH_OPERATORU <= 0x100,
              "every instruction fits its word's low byte");
static_assert(poradi_operatoru(Znacka::Nebo) == BINARNICH_OPERATORU - 1 &&
                  poradi_operatoru(Znacka::VetsiRovno) == 10 && Znacka::Ne < Znacka::A,
              "the binary operators' codes");

class KodCyklu {
 public:
  using Pozice = std::uint32_t;
  static constexpr Pozice NIKDE = UINT32_MAX;
  // An argument word with this value says: the argument is the next word.
  static constexpr std::uint32_t DLOUHY = 0xFFFFFF;

  // The position of the next instruction (a jump target): operands still held back are
  // placed first.
  Pozice delka() {
    if (cekajicich_ > 0) vydej_cekajici();
    posledni_binarni_ = NIKDE;
    return static_cast<Pozice>(slova_.size());
  }
  const std::uint32_t* data() const { return slova_.data(); }

  // Appends an instruction with its argument.
  void pridej(Instrukce i, std::uint32_t arg = 0);

  // The push of a variable or a literal is held back, so that the operator or statement
  // that consumes it can read it in place.
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
  [[gnu::always_inline]] double cteni_literalu(std::uint32_t i) const { return literaly_[i].cteni; }
  std::string_view text_literalu(std::uint32_t i) const {
    const Literal& l = literaly_[i];
    return std::string_view(texty_).substr(l.od, l.delka & ~CISLO);
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

  // Empties the code and the literals, keeping the buffers of a modest size for reuse.
  void vyprazdni();

  // Instruction word fields.
  static Instrukce instrukce(std::uint32_t w) { return static_cast<Instrukce>(w & 0xFF); }
  static std::uint32_t argument(std::uint32_t w) { return w >> 8; }

 private:
  void rust();
  void slovo(std::uint32_t w) {
    rust();
    slova_.push_back(w);
  }
  void vydej_cekajici();
  void presmeruj_posledni(Misto cil);
  void zvetsi_index();
  void vydej(Instrukce i, std::uint32_t arg);

  struct Operand {
    Misto kde;
    std::uint32_t index;
  };
  Operand cekajici_[2] = {};
  int cekajicich_ = 0;
  // The last instruction, when it is a fused operator that pushes its result (or leaves it
  // in its left operand's place on the stack): an assignment or a test after it can take
  // the result instead.
  Pozice posledni_binarni_ = NIKDE;

  std::vector<std::uint32_t> slova_;
  // The literal pool. A literal is kept compact, not as a ready value: its text in the
  // shared buffer `texty_`, with its number test and reading.
  static constexpr std::uint32_t CISLO = 0x80000000;  // in `delka`: passes the number test
  struct Literal {
    double cteni;
    std::uint32_t od;     // where its text starts in `texty_`
    std::uint32_t delka;  // its length, with CISLO
  };
  std::vector<Literal> literaly_;
  std::string texty_;
  Hodnota docasne_[2];
  // Open addressing over the literals' texts: each entry is (index + 1) or 0 for empty;
  // kept at most half full.
  std::vector<std::uint32_t> index_literalu_;
};

}  // namespace moxa
