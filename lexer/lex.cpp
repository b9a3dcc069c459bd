#include "lexer/lex.hpp"

#include "limits/budget.hpp"

namespace moxa {

// The next token from the scanner, recorded on the tape while a loop is executing.
void ZdrojTokenu::ze_skeneru() {
  if (--zbyva_ == 0) return vycerpano();
  Token* t = pasek_.prazdny() ? &skenovany_ : &pasek_.pridej();
  token_buffer_ = t;
  skener_.skenuj(*t);
  if (t != &skenovany_ && pamet_textu(t->text) != 0) Rozpocet::pridej(t->text.size());
}

// Past the step limit the run sees only the end of input, which no construct accepts, so
// the parse ends at its next check.
void ZdrojTokenu::vycerpano() {
  vychozi_.text.assign(1, '\xFF');
  vychozi_.kind = T_KONEC;
  vychozi_.znacka = Znacka::Zadna;
  token_buffer_ = &vychozi_;
  // From now on `Lex` replays a one-token range in a circle: this end-of-input token, at
  // every call.
  rezim_ = RezimLA{true, &vychozi_, &vychozi_, &vychozi_ + 1};
  // One step left, so that the next step taken spends it and comes back here.
  zbyva_ = 1;
  vycerpano_ = true;
  Rozpocet::kroky_dosly();
}

// Output held too long is written out; a stop (or output that has failed) ends the run as a
// spent budget does. False when the run ends.
bool ZdrojTokenu::obsluz_budik() {
  if (out_.obsluz()) return true;
  vycerpano();
  return false;
}

}  // namespace moxa
