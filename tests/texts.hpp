// The fixed texts of a run's output, for the tests and fuzzers that build the output they
// expect: the banners, the last line of a run, and the error messages. One copy for all of
// them, typed out here rather than taken from the interpreter, so that a changed byte in the
// interpreter shows up as a failing test instead of passing on both sides.
#pragma once

#include <string>
#include <string_view>

namespace texty {

inline constexpr std::string_view HELLO = "\nhello\n\n";
inline constexpr std::string_view BYE = "\nbye\n\n";
inline constexpr std::string_view USPECH = "\nProgram probehl bez chyb.\n";
inline constexpr std::string_view VERDIKT = "\nV programu se vyskytla chyba.\n";

// What follows the opening of an error message.
inline constexpr std::string_view NENI_CISLO = "nejedna se o cislo.\n";
inline constexpr std::string_view PRILIS_DLOUHA = "hodnota je prilis dlouha.\n";
inline constexpr std::string_view PRILIS_HLUBOKO = "prilis hluboke vnoreni.\n";

// The error of routine `blok` at line `radek`, ending in `popis`.
inline std::string chyba(std::string_view blok, long long radek, std::string_view popis) {
  std::string s = "V bloku: '";
  s.append(blok).append("', na radku: ").append(std::to_string(radek));
  return s.append(" nastala chyba - ").append(popis);
}

// The syntax error of routine `blok`, which expected `ocekavano` and found `nalezeno`.
inline std::string ocekavan(std::string_view blok, long long radek, std::string_view ocekavano,
                            std::string_view nalezeno) {
  std::string popis = "byl ocekavan znak: \"";
  popis.append(ocekavano).append("\", namisto toho se vyskytl tento znak: \"");
  return chyba(blok, radek, popis.append(nalezeno).append("\".\n"));
}

// The whole output of a run that prints `vystup` and succeeds.
inline std::string uspech(std::string_view vystup) {
  return std::string(HELLO).append(vystup).append(USPECH).append(BYE);
}

// The whole output of a run that prints `vystup`, then fails with `zprava`.
inline std::string neuspech(std::string_view vystup, std::string_view zprava) {
  return std::string(HELLO).append(vystup).append(zprava).append(VERDIKT).append(BYE);
}

}  // namespace texty
