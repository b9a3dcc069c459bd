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
#include <unordered_map>
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
  // Conditionals: [count] [target] follow the instruction word.
  Kdyz,   // pops a truth; when false: passes over [count] read statements, jumps
  Jinak,  // end of the branch taken: passes over the other branch's [count], jumps
  // Loops: "enter" starts a loop's run; "test" follows the condition ([count] [target]: the
  // body's read statements and the exit); "zpet" ends the body ([target]: the condition).
  CyklusVstup,
  CyklusTest,
  CyklusZpet,
};

class KodCyklu {
 public:
  using Pozice = std::uint32_t;
  static constexpr Pozice NIKDE = UINT32_MAX;
  // An argument word with this value says: the argument is the next word.
  static constexpr std::uint32_t DLOUHY = 0xFFFFFF;

  Pozice delka() const { return static_cast<Pozice>(slova_.size()); }
  const std::uint32_t* data() const { return slova_.data(); }

  // Appends an instruction with its argument.
  void pridej(Instrukce i, std::uint32_t arg = 0);
  // Appends an instruction followed by `n` words to be filled in later; returns the
  // position of the first of them.
  Pozice pridej_s_misty(Instrukce i, int n);
  void vypln(Pozice p, std::uint32_t hodnota) { slova_[p] = hodnota; }

  // The index of the literal with the text of token `t`, taken into the pool once.
  std::uint32_t literal(const Token& t);
  const Value& hodnota_literalu(std::uint32_t i) const { return literaly_[i]; }

  // Empties the code and the literals, keeping the buffers of a modest size for reuse.
  void vyprazdni();

  // Instruction word fields.
  static Instrukce instrukce(std::uint32_t w) { return static_cast<Instrukce>(w & 0xFF); }
  static std::uint32_t argument(std::uint32_t w) { return w >> 8; }

 private:
  void rust();

  std::vector<std::uint32_t> slova_;
  std::vector<Value> literaly_;
  std::unordered_map<std::string, std::uint32_t> index_literalu_;
};

}  // namespace moxa
