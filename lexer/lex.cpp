#include "lexer/lex.hpp"

#include "limits/budget.hpp"

namespace moxa {

// The next token from the scanner, recorded on the tape while a loop is executing.
void ZdrojTokenu::ze_skeneru() {
  // One step for the token, and the bytes of program text taken in since the last one.
  if (!rozpocet_.krok(1)) return vycerpano();
  if (const std::uint64_t b = zdroj_.vezmi_prijate(); b != 0 && !rozpocet_.za_bajty(b)) {
    return vycerpano();
  }
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
  vycerpano_ = true;
}

}  // namespace moxa
