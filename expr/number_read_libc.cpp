// Reading a decimal number with the C library's strtod, for platforms whose <charconv> has
// no reading of doubles. strtod alone would also take leading white space, '+',
// hexadecimal numbers, "inf" and "nan"; so the decimal number is delimited here first and
// strtod is given that text alone.
#include <cmath>
#include <cstdlib>
#include <string>

#include "expr/number_bridge.hpp"

namespace moxa::cisla {

namespace {
bool cislice(char c) { return c >= '0' && c <= '9'; }
}  // namespace

Precteno precti_libc(const char* zacatek, const char* konec) {
  Precteno p;
  p.konec = zacatek;
  const char* i = zacatek;
  if (i != konec && *i == '-') ++i;
  bool cislic = false;
  bool nenulova = false;
  for (; i != konec && cislice(*i); ++i) {
    cislic = true;
    nenulova = nenulova || *i != '0';
  }
  if (i != konec && *i == '.') {
    const char* za_teckou = i + 1;
    const char* j = za_teckou;
    for (; j != konec && cislice(*j); ++j)
      nenulova = nenulova || *j != '0';
    if (cislic || j != za_teckou) {
      cislic = true;
      i = j;
    }
  }
  if (!cislic) return p;
  if (i != konec && (*i == 'e' || *i == 'E')) {
    const char* j = i + 1;
    if (j != konec && (*j == '+' || *j == '-')) ++j;
    if (j != konec && cislice(*j)) {
      while (j != konec && cislice(*j))
        ++j;
      i = j;
    }
  }
  const std::string text(zacatek, i);
  p.hodnota = std::strtod(text.c_str(), nullptr);
  p.konec = i;
  p.ok = true;
  p.mimo_rozsah = std::isinf(p.hodnota) || (p.hodnota == 0.0 && nenulova);
  return p;
}

}  // namespace moxa::cisla
