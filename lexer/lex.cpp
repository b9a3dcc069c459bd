#include "lexer/lex.hpp"

#include <algorithm>
#include <string>

#include "limits/budget.hpp"

namespace moxa {

// `ze_skeneru` stands in lexer/scanner.cpp, beside the scanner it inlines.

bool ZdrojTokenu::dlouhe_cteni(std::uint64_t prijato, std::size_t dalsich) {
  if (!rozpocet_.za_vstup(prijato)) {
    vycerpano();
    return false;
  }
  if (cteni_slov_) return true;
  // The text of the token being scanned, when the scanner gathers it in its copy. Until the
  // next refill the copy grows by at most the bytes just refilled. No copy, or an empty one,
  // gathers nothing (a comment, white space) or has only begun, and grows by itself until
  // the next report.
  const std::string* text = skener_.sbirana_kopie();
  if (text == nullptr || text->empty()) return true;
  const std::size_t potreba = text->size() + dalsich;
  if (potreba <= text->capacity()) return true;
  const std::size_t nova = std::max(potreba, 2 * text->capacity());
  Rozpocet::pridej(nova + 1);  // may stop the run (throws)
  skener_.rezervuj(nova);
  return true;
}

// Past the step limit the run sees only the end of input, which no construct accepts, so
// the parse ends at its next check.
void ZdrojTokenu::vycerpano() {
  vychozi_.text = "\xFF";
  vychozi_.druh = T_KONEC;
  vychozi_.znacka = Znacka::Zadna;
  token_ = &vychozi_;
  vycerpano_ = true;
}

}  // namespace moxa
