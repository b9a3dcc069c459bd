#include "vm/messages.hpp"

namespace moxa::zpravy {

void neotevren(Vystup& out, std::string_view soubor) {
  out.pis("\nSoubor \"");
  out.pis(soubor);
  out.pis("\" se nezdarilo otevrit.\n");
}

void chyba(Vystup& out, std::string_view blok, std::uint64_t radek,
           std::initializer_list<std::string_view> casti) {
  out.pis(ZPRAVA_PRED_BLOKEM);
  out.pis(blok);
  out.pis(ZPRAVA_PRED_RADKEM);
  out.pis_cislo(radek);
  out.pis(ZPRAVA_ZA_RADKEM);
  for (const std::string_view cast : casti)
    out.pis(cast);
}

std::string text_chyby(std::string_view blok, std::uint64_t radek,
                       std::initializer_list<std::string_view> casti) {
  std::string r;
  r += ZPRAVA_PRED_BLOKEM;
  r += blok;
  r += ZPRAVA_PRED_RADKEM;
  r += std::to_string(radek);
  r += ZPRAVA_ZA_RADKEM;
  for (const std::string_view cast : casti)
    r += cast;
  return r;
}

}  // namespace moxa::zpravy
