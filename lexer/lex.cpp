#include "lexer/lex.hpp"

namespace moxa {

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
}

}  // namespace moxa
