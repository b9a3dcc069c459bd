#include "lexer/lex.hpp"

#include "limits/budget.hpp"

namespace moxa {

// The next token from the scanner, recorded on the tape while a loop is executing.
void Lexer::ze_skeneru() {
  if (--zbyva_ == 0) return vycerpano();
  Token* t = cykly_.prazdny() ? &skenovany_ : &cykly_.pridej();
  token_buffer_ = t;
  skener_.skenuj(*t);
  if (t != &skenovany_ && t->text.size() > 15) Rozpocet::pridej(t->text.size());
}

// Past the step limit the run sees only the end of input, which no construct accepts, so
// the parse ends at its next check.
void Lexer::vycerpano() {
  vychozi_.text.assign(1, '\xFF');
  vychozi_.kind = T_KONEC;
  vychozi_.znacka = Znacka::Zadna;
  token_buffer_ = &vychozi_;
  rezim_ = RezimLA{true, &vychozi_, &vychozi_, &vychozi_ + 1};  // it, again and again
  zbyva_ = 1;                                                   // and so on at every later step
  vycerpano_ = true;
  Rozpocet::kroky_dosly();
}

// Output held too long is written out; a stop (or output that has failed) ends the run as a
// spent budget does. False when the run ends.
bool Lexer::obsluz_budik() {
  if (out_.obsluz()) return true;
  vycerpano();
  return false;
}

}  // namespace moxa
