// Reading a decimal number with the C library's strtod, for platforms whose <charconv> has
// no reading of doubles. strtod alone would also take leading white space, '+',
// hexadecimal numbers, "inf" and "nan"; so the decimal number is delimited here first and
// strtod is given that text alone.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "expr/number_bridge.hpp"

namespace moxa::cisla {

namespace {
bool cislice(char c) { return c >= '0' && c <= '9'; }

// A number's text is given to strtod whole up to this length; a longer one, which a program
// may hold millions of bytes long, is given in a form of bounded length with the same
// value for strtod's rounding.
constexpr std::size_t NEJDELSI_CELY = 1600;
// Significant digits kept of a longer one. A double's exact value, and every value halfway
// between two neighbouring doubles, has at most 767 significant digits, so a text cut after
// more digits than that, a last digit 1 standing for any nonzero digits cut off, lies between
// the same two of those values as the whole text and rounds to the same double.
constexpr std::size_t DRZENYCH_CISLIC = 800;

// The mantissa [zacatek, konec_mantisy) (an optional '-', digits with an optional '.') and
// the exponent's digits [exponent, konec) (empty when there is none), as a text of at most
// DRZENYCH_CISLIC + 1 digits and an exponent, which strtod reads as the same double.
std::string zkraceny(const char* zacatek, const char* konec_mantisy, const char* exponent,
                     const char* konec) {
  std::string t;
  t.reserve(DRZENYCH_CISLIC + 32);
  const char* j = zacatek;
  if (*j == '-') t += *j++;
  // The value is the digits kept times ten to the power of `posun` plus the exponent: each
  // digit after the point divides by ten, each digit cut off multiplies by ten.
  std::int64_t posun = 0;
  std::size_t drzeno = 0;
  bool za_teckou = false;
  bool zbytek = false;  // a nonzero digit was cut off
  for (; j != konec_mantisy; ++j) {
    if (*j == '.') {
      za_teckou = true;
      continue;
    }
    if (za_teckou) --posun;
    if (drzeno == 0 && *j == '0') continue;  // leading zeros change nothing
    if (drzeno < DRZENYCH_CISLIC) {
      t += *j;
      ++drzeno;
    } else {
      ++posun;
      zbytek = zbytek || *j != '0';
    }
  }
  if (drzeno == 0) t += '0';
  if (zbytek) {
    t += '1';
    --posun;
  }
  // The exponent, saturated far beyond any double's range: the input is shorter than 2^62
  // bytes, so `posun` cannot bring a saturated exponent back into it.
  bool zaporny = false;
  if (exponent != konec && (*exponent == '+' || *exponent == '-')) zaporny = *exponent++ == '-';
  std::int64_t e = 0;
  for (; exponent != konec; ++exponent) {
    if (e < (std::int64_t{1} << 62) / 10) e = e * 10 + (*exponent - '0');
  }
  t += 'e';
  t += std::to_string((zaporny ? -e : e) + posun);
  return t;
}
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
  const char* const konec_mantisy = i;
  const char* exponent = i;  // the exponent's sign and digits, when it has some
  if (i != konec && (*i == 'e' || *i == 'E')) {
    const char* j = i + 1;
    if (j != konec && (*j == '+' || *j == '-')) ++j;
    if (j != konec && cislice(*j)) {
      exponent = i + 1;
      while (j != konec && cislice(*j))
        ++j;
      i = j;
    }
  }
  const std::string text = static_cast<std::size_t>(i - zacatek) <= NEJDELSI_CELY
                               ? std::string(zacatek, i)
                               : zkraceny(zacatek, konec_mantisy, exponent, i);
  p.hodnota = std::strtod(text.c_str(), nullptr);
  p.konec = i;
  p.ok = true;
  p.mimo_rozsah = std::isinf(p.hodnota) || (p.hodnota == 0.0 && nenulova);
  return p;
}

}  // namespace moxa::cisla
