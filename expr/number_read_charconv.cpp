// Reading a decimal number with std::from_chars.
#include <charconv>

#include "expr/number_bridge.hpp"

namespace moxa::cisla {

Precteno precti_charconv(const char* zacatek, const char* konec) {
  Precteno p;
  const auto res = std::from_chars(zacatek, konec, p.hodnota, std::chars_format::general);
  p.konec = res.ptr;
  p.ok = res.ec == std::errc() || res.ec == std::errc::result_out_of_range;
  p.mimo_rozsah = res.ec == std::errc::result_out_of_range;
  return p;
}

}  // namespace moxa::cisla
