// Writing "%.6f" with the C library's snprintf, for platforms whose <charconv> has no
// formatting of doubles. Both snprintf and to_chars print the exact decimal expansion of
// the double, rounded to six decimals, so the bytes are the same.
#include <cstdio>

#include "expr/number_bridge.hpp"

namespace moxa::cisla {

std::size_t zapis_f6_libc(double d, char* buf) {
  const int n = std::snprintf(buf, DELKA_F6, "%.6f", d);
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

}  // namespace moxa::cisla
