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

}  // namespace moxa::zpravy
