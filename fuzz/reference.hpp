// What the fuzz targets compare the interpreter's number rules with: the C library's strtod,
// given only the longest decimal prefix of a text (strtod alone would also read
// hexadecimal, "inf" and "nan", which are not numbers here).
#pragma once

#include <cstddef>
#include <cstdlib>
#include <string>
#include <string_view>

namespace moxa_fuzz {

inline bool cislice(char c) { return c >= '0' && c <= '9'; }

// The longest prefix of the form [+-] digits ['.' digits] [(e|E) [+-] digits].
inline std::string desetinna_predpona(std::string_view t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  const std::size_t zacatek = i;
  while (i < t.size() && cislice(t[i]))
    ++i;
  if (i == zacatek) return {};
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && cislice(t[i]))
      ++i;
  }
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
    const std::size_t exponent = j;
    while (j < t.size() && cislice(t[j]))
      ++j;
    if (j > exponent) i = j;
  }
  return std::string(t.substr(0, i));
}

// strtod of the longest decimal prefix.
inline double referencni_cteni(std::string_view t) {
  return std::strtod(desetinna_predpona(t).c_str(), nullptr);
}

}  // namespace moxa_fuzz
