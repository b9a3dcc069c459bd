// `Lex`: makes the next token current, taking it from the one token source in use: the
// scanner (recording the token on the tape while a loop is executing) or the tape itself
// (while a loop replays).
#pragma once

#include <cstdint>

#include "lexer/scanner.hpp"
#include "storage/loop_frames.hpp"

namespace moxa {

// Where `Lex` takes tokens from. Saved and restored by the loop statement.
struct RezimLA {
  bool z_pasky = false;  // false: the scanner; true: the tape
  // On the tape: the next position, and the range [zacatek, konec) in which reading wraps
  // around (a recorded list is replayed in a circle).
  PoziceNaPasce pozice = 0;
  PoziceNaPasce zacatek = 0;
  PoziceNaPasce konec = 0;
};

class Lexer {
 public:
  Lexer(Vstup& f, ZasobnikCyklu& cykly, std::uint64_t limit_tokenu)
      : skener_(f), cykly_(cykly), limit_tokenu_(limit_tokenu) {
    vychozi_.text.clear();  // before the first token: the empty text, kind end of input
  }

  void Lex() {
    if (limit_tokenu_ != 0 && ++tokenu_ > limit_tokenu_) return vycerpano();
    if (!rezim_.z_pasky) {
      if (cykly_.prazdny()) {
        skener_.skenuj(skenovany_);
        token_buffer_ = &skenovany_;
      } else {
        Token& t = cykly_.pridej();
        skener_.skenuj(t);
        token_buffer_ = &t;
      }
    } else {
      if (rezim_.pozice == rezim_.konec) rezim_.pozice = rezim_.zacatek;
      token_buffer_ = &cykly_[rezim_.pozice++];
    }
  }

  const Token& token() const { return *token_buffer_; }

  // The tape position of the token that the next `Lex` delivers.
  PoziceNaPasce dalsi_pozice() {
    if (!rezim_.z_pasky) return cykly_.delka();
    if (rezim_.pozice == rezim_.konec) rezim_.pozice = rezim_.zacatek;
    return rezim_.pozice;
  }

  RezimLA& rezim() { return rezim_; }
  std::uint64_t cislo_radku() const { return skener_.cislo_radku(); }

 private:
  void vycerpano();

  Skener skener_;
  ZasobnikCyklu& cykly_;
  RezimLA rezim_;
  Token skenovany_;
  Token vychozi_;
  const Token* token_buffer_ = &vychozi_;
  std::uint64_t limit_tokenu_;  // 0 = none; past it every token is the end of input
  std::uint64_t tokenu_ = 0;
};

}  // namespace moxa
