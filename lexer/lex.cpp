#include "lexer/lex.hpp"

#include <algorithm>
#include <string>

#include "limits/budget.hpp"

namespace moxa {

// The next token from the scanner, recorded on the tape while a loop is executing.
void ZdrojTokenu::ze_skeneru() {
  // One step for the token, and the bytes of program text taken in since the last one.
  if (!rozpocet_.krok(1)) return vycerpano();
  if (const std::uint64_t b = zdroj_.vezmi_prijate(); b != 0 && !rozpocet_.za_vstup(b)) {
    return vycerpano();
  }
  Token* t = pasek_.prazdny() ? &skenovany_ : &pasek_.pridej();
  token_buffer_ = t;
  skener_.skenuj(*t);
  if (t != &skenovany_ && pamet_textu(t->text) != 0) Rozpocet::pridej(t->text.size());
}

bool ZdrojTokenu::dlouhe_cteni(std::uint64_t prijato, std::size_t dalsich) {
  if (!rozpocet_.za_vstup(prijato)) {
    vycerpano();
    return false;
  }
  if (cteni_slov_) return true;
  // The token being scanned: on the tape while a loop is recorded.
  std::string& text = pasek_.prazdny() ? skenovany_.text : pasek_.posledni().text;
  // Until the next refill the text grows by at most the bytes just refilled, and what the
  // scanner gathers before it hands them over. An empty text gathers nothing (a comment,
  // white space) or has only begun, and grows by itself until the next report.
  const std::size_t potreba = text.size() + dalsich + Skener::SBER;
  if (text.empty() || potreba <= text.capacity()) return true;
  const std::size_t nova = std::max(potreba, 2 * text.capacity());
  Rozpocet::pridej(nova + 1);  // may stop the run (throws)
  text.reserve(nova);
  return true;
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
