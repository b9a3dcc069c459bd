// Every text that the interpreter itself prints, in one place.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "io/streams.hpp"
#include "moxa/moxa.h"

namespace moxa::zpravy {

// The banners around a run, which every host that shows a whole run shares.
inline constexpr std::string_view HELLO = MOXA_OPENING;
inline constexpr std::string_view BYE = MOXA_CLOSING;
inline constexpr std::string_view MAN =
    "Prosim zadejte vstupni soubor ve tvaru: './moxa jmeno_souboru.mox'.\n";
inline constexpr std::string_view PRILIS_ARGUMENTU = "Prilis mnoho argumentu.\n";
inline constexpr std::string_view NEUZAVREN = "Soubor se nezdarilo uzavrit.\n";
inline constexpr std::string_view USPECH = "\nProgram probehl bez chyb.\n";
inline constexpr std::string_view VERDIKT = "\nV programu se vyskytla chyba.\n";

// "\nSoubor \"<name>\" se nezdarilo otevrit.\n"
void neotevren(Vystup& out, std::string_view soubor);

// The opening of an error in a routine: "V bloku: '<routine>', na radku: <line> nastala
// chyba - ", its fixed parts in order. The editors and the playground find a message (and
// the line it quotes) by a pattern generated from these.
inline constexpr std::string_view ZPRAVA_PRED_BLOKEM = "V bloku: '";
inline constexpr std::string_view ZPRAVA_PRED_RADKEM = "', na radku: ";
inline constexpr std::string_view ZPRAVA_ZA_RADKEM = " nastala chyba - ";

// What follows the opening of an error in a routine.
inline constexpr std::string_view NENI_CISLO = "nejedna se o cislo.\n";
inline constexpr std::string_view PRILIS_DLOUHA = "hodnota je prilis dlouha.\n";
inline constexpr std::string_view PRILIS_HLUBOKO = "prilis hluboke vnoreni.\n";
// A syntax error: OCEKAVAN, the expected text, NAMISTO, the token text found, OCEKAVAN_KONEC.
inline constexpr std::string_view OCEKAVAN = "byl ocekavan znak: \"";
inline constexpr std::string_view NAMISTO = "\", namisto toho se vyskytl tento znak: \"";
inline constexpr std::string_view OCEKAVAN_KONEC = "\".\n";

// Prints the error of routine `blok` found at line `radek`: the opening, then `casti`.
void chyba(Vystup& out, std::string_view blok, std::uint64_t radek,
           std::initializer_list<std::string_view> casti);
// The same error as one text, for the trace.
std::string text_chyby(std::string_view blok, std::uint64_t radek,
                       std::initializer_list<std::string_view> casti);

}  // namespace moxa::zpravy
