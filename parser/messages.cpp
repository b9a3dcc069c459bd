#include "parser/messages.hpp"

namespace moxa::zpravy {

namespace {

// "V bloku: '<blok>', na radku: <radek> nastala chyba - "
void zacatek(Vystup& out, std::string_view blok, std::uint64_t radek) {
  out.pis("V bloku: '");
  out.pis(blok);
  out.pis("', na radku: ");
  out.pis_cislo(radek);
  out.pis(" nastala chyba - ");
}

}  // namespace

void neotevren(Vystup& out, std::string_view soubor) {
  out.pis("\nSoubor \"");
  out.pis(soubor);
  out.pis("\" se nezdarilo otevrit.\n");
}

void ocekavan_znak(Vystup& out, std::string_view blok, std::uint64_t radek,
                   std::string_view ocekavano, std::string_view nalezeno) {
  zacatek(out, blok, radek);
  out.pis("byl ocekavan znak: \"");
  out.pis(ocekavano);
  out.pis("\", namisto toho se vyskytl tento znak: \"");
  out.pis(nalezeno);
  out.pis("\".\n");
}

void nejedna_se_o_cislo(Vystup& out, std::string_view blok, std::uint64_t radek) {
  zacatek(out, blok, radek);
  out.pis("nejedna se o cislo.\n");
}

void prilis_dlouha(Vystup& out, std::string_view blok, std::uint64_t radek) {
  zacatek(out, blok, radek);
  out.pis("hodnota je prilis dlouha.\n");
}

void prilis_hluboko(Vystup& out, std::string_view blok, std::uint64_t radek) {
  zacatek(out, blok, radek);
  out.pis("prilis hluboke vnoreni.\n");
}

}  // namespace moxa::zpravy
