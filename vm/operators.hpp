// The binary operators on two numbers, shared by the parser that executes while it reads
// and by the compiled form of loops.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "expr/value.hpp"
#include "lexer/token.hpp"

namespace moxa {

// The floating-point remainder of a / b: a - n * b with n the quotient truncated toward
// zero, with the sign of a. Whole numbers are done in integer arithmetic, which gives the
// same result (a zero keeping the sign of a) without the library's long path.
inline double zbytek(double a, double b) {
  constexpr double MEZ = 0x1p53;
  if (a > -MEZ && a < MEZ && b > -MEZ && b < MEZ && b != 0.0) {
    const auto x = static_cast<std::int64_t>(a);
    const auto y = static_cast<std::int64_t>(b);
    if (static_cast<double>(x) == a && static_cast<double>(y) == b) {
      const auto r = static_cast<double>(x % y);
      return r == 0.0 ? std::copysign(0.0, a) : r;
    }
  }
  return std::fmod(a, b);
}

// The remainder of two whole numbers, `b` not zero. Both fit a 64-bit integer unless they are
// very large, and the integer remainder is then the exact one.
[[gnu::always_inline]] inline double zbytek_celych(double a, double b) {
  if (std::fabs(a) < 0x1p63 && std::fabs(b) < 0x1p63) {
    const std::int64_t r = static_cast<std::int64_t>(a) % static_cast<std::int64_t>(b);
    return r == 0 ? std::copysign(0.0, a) : static_cast<double>(r);
  }
  return std::fmod(a, b);
}

// The operators whose result on two whole numbers is whole again, unless it overflows.
constexpr bool zachovava_cela(Znacka op) {
  return op == Znacka::Plus || op == Znacka::Minus || op == Znacka::Krat || op == Znacka::Modulo;
}

// The comparisons, "<" to ">=".
constexpr bool je_relace(Znacka op) { return op >= Znacka::Mensi && op <= Znacka::VetsiRovno; }

// Operator `op` (one that `zachovava_cela`) on two whole numbers, its result in `cislo`:
// the same double that `na_cislech` gives. False when that result is not a whole, finite
// number: a sum or product that overflowed, or a remainder by zero.
[[gnu::always_inline]] inline bool na_celych(Znacka op, double x, double y, double& cislo) {
  switch (op) {
    case Znacka::Plus: cislo = x + y; break;
    case Znacka::Minus: cislo = x - y; break;
    case Znacka::Krat: cislo = x * y; break;
    default:
      if (y == 0.0) {
        cislo = std::fmod(x, y);
        return false;
      }
      cislo = zbytek_celych(x, y);
      return true;
  }
  return std::fabs(cislo) <= std::numeric_limits<double>::max();
}

// Whether relation `op` holds between `a` and `b`.
template <typename T>
bool plati(Znacka op, const T& a, const T& b) {
  switch (op) {
    case Znacka::Mensi: return a < b;
    case Znacka::Vetsi: return a > b;
    case Znacka::Rovno: return a == b;
    case Znacka::Nerovno: return a != b;
    case Znacka::MensiRovno: return a <= b;
    default: return a >= b;
  }
}

// Operator `op` on the readings of two numbers. An arithmetic operator gives its unrounded
// result in `cislo` and returns false; any other gives its truth and returns true.
[[gnu::always_inline]] inline bool na_cislech(Znacka op, double x, double y, double& cislo,
                                              bool& pravda) {
  switch (op) {
    case Znacka::Plus: cislo = x + y; return false;
    case Znacka::Minus: cislo = x - y; return false;
    case Znacka::Krat: cislo = x * y; return false;
    case Znacka::Deleno: cislo = x / y; return false;
    case Znacka::Modulo: cislo = zbytek(x, y); return false;
    case Znacka::Nebo: pravda = x != 0.0 || y != 0.0; return true;
    case Znacka::A: pravda = x != 0.0 && y != 0.0; return true;
    default: pravda = plati(op, x, y); return true;
  }
}

// Operator `op` on two numbers, its result written into `r`.
[[gnu::always_inline]] inline void na_cislech_do(Znacka op, double x, double y, Hodnota& r) {
  double cislo = 0.0;
  bool pravda = false;
  if (na_cislech(op, x, y, cislo, pravda)) {
    r.nastav_pravdivost(pravda);
  } else {
    r.nastav_vysledek(cislo);
  }
}

}  // namespace moxa
