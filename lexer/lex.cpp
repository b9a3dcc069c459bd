#include "lexer/lex.hpp"

namespace moxa {

// Past the token limit the run sees only the end of input, which no construct accepts, so
// the parse ends at its next check.
void Lexer::vycerpano() {
  vychozi_.text.assign(1, '\xFF');
  vychozi_.kind = T_KONEC;
  vychozi_.znacka = Znacka::Zadna;
  token_buffer_ = &vychozi_;
  zbyva_tokenu_ = 1;  // and so on for every later token
}

}  // namespace moxa
