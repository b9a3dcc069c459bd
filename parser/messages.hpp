// Every text that the interpreter itself prints, in one place.
#pragma once

#include <cstdint>
#include <string_view>

#include "io/streams.hpp"

namespace moxa::zpravy {

inline constexpr std::string_view HELLO = "\nhello\n\n";
inline constexpr std::string_view BYE = "\nbye\n\n";
inline constexpr std::string_view MAN =
    "Prosim zadejte vstupni soubor ve tvaru: './moxa jmeno_souboru.mox'.\n";
inline constexpr std::string_view PRILIS_ARGUMENTU = "Prilis mnoho argumentu.\n";
inline constexpr std::string_view NEUZAVREN = "Soubor se nezdarilo uzavrit.\n";
inline constexpr std::string_view USPECH = "\nProgram probehl bez chyb.\n";
inline constexpr std::string_view VERDIKT = "\nV programu se vyskytla chyba.\n";

// "\nSoubor \"<name>\" se nezdarilo otevrit.\n"
void neotevren(Vystup& out, std::string_view soubor);

// A syntax error: routine `blok` expected `ocekavano` but found the token text `nalezeno`.
void ocekavan_znak(Vystup& out, std::string_view blok, std::uint64_t radek,
                   std::string_view ocekavano, std::string_view nalezeno);
// An operand of routine `blok` is not a number.
void nejedna_se_o_cislo(Vystup& out, std::string_view blok, std::uint64_t radek);
// A value computed in routine `blok` would be longer than a value may be.
void prilis_dlouha(Vystup& out, std::string_view blok, std::uint64_t radek);
// Routine `blok` would open one nesting level too many.
void prilis_hluboko(Vystup& out, std::string_view blok, std::uint64_t radek);

}  // namespace moxa::zpravy
