// The scanner: a deterministic automaton over the bytes of the source, with one byte of
// push-back. It skips white space and comments, counts lines, and delivers one token per call.
#pragma once

#include <cstdint>

#include "io/streams.hpp"
#include "lexer/token.hpp"

namespace moxa {

class Skener {
 public:
  explicit Skener(Vstup& f) : f_(f) {}

  // Scans the next token that is neither white space nor a comment into `t`.
  void skenuj(Token& t);

  // The line counter: 1 at start, one more for every line feed read from the source.
  std::uint64_t cislo_radku() const { return cislo_radku_; }

 private:
  // One character: the pushed-back one if there is one, else the next from the source.
  int cti() {
    if (buffer_ != 0) {
      const int c = buffer_;
      buffer_ = 0;
      return c;
    }
    const int c = f_.cti_znak();
    if (c == '\n') ++cislo_radku_;
    return c;
  }

  Vstup& f_;
  int buffer_ = 0;  // the character after the last token (-1 for the end of input); 0 = none
  std::uint64_t cislo_radku_ = 1;
};

}  // namespace moxa
