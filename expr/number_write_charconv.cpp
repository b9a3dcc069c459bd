// Writing "%.6f" with std::to_chars.
#include <charconv>

#include "expr/number_bridge.hpp"

namespace moxa::cisla {

std::size_t zapis_f6_charconv(double d, char* buf) {
  const auto res = std::to_chars(buf, buf + DELKA_F6, d, std::chars_format::fixed, 6);
  return static_cast<std::size_t>(res.ptr - buf);
}

}  // namespace moxa::cisla
