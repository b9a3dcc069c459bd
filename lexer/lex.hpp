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
  // On the tape: the next token, and the range [zacatek, konec) in which reading wraps
  // around (a recorded list is replayed in a circle). Nothing is appended to the tape while
  // anything reads from it, so the pointers stay valid while they are in use.
  const Token* pozice = nullptr;
  const Token* zacatek = nullptr;
  const Token* konec = nullptr;
};

class Lexer {
 public:
  Lexer(Vstup& f, ZasobnikCyklu& cykly, std::uint64_t limit_kroku)
      : skener_(f), cykly_(cykly), zbyva_(limit_kroku == 0 ? UINT64_MAX : limit_kroku + 1) {
    vychozi_.text.clear();  // before the first token: the empty text, kind end of input
  }

  void Lex() {
    if (rezim_.z_pasky) {
      if (rezim_.pozice == rezim_.konec) rezim_.pozice = rezim_.zacatek;
      token_buffer_ = rezim_.pozice++;
    } else if (--zbyva_ == 0) {
      vycerpano();
    } else if (cykly_.prazdny()) {
      skener_.skenuj(skenovany_);
      token_buffer_ = &skenovany_;
    } else {
      Token& t = cykly_.pridej();
      skener_.skenuj(t);
      token_buffer_ = &t;
    }
  }

  const Token& token() const { return *token_buffer_; }

  // The tape position of the token that the next `Lex` delivers.
  PoziceNaPasce dalsi_pozice() {
    if (!rezim_.z_pasky) return cykly_.delka();
    if (rezim_.pozice == rezim_.konec) rezim_.pozice = rezim_.zacatek;
    return cykly_.pozice(rezim_.pozice);
  }

  // Replays the tape range [od, po) from its start.
  void prehravej(PoziceNaPasce od, PoziceNaPasce po) {
    if (--zbyva_ == 0) return vycerpano();
    rezim_ = RezimLA{true, cykly_.token(od), cykly_.token(od), cykly_.token(po)};
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
  // Steps the run may still take, plus one: a step is a token scanned or a recorded list
  // replayed, so a program that never ends runs out of them too. At zero every token is
  // the end of input.
  std::uint64_t zbyva_;
};

}  // namespace moxa
