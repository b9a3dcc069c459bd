// Reading and writing decimal numbers: the two steps of arithmetic whose support in the
// standard library differs between platforms. Where <charconv> handles doubles, it is used
// (it is the fastest); elsewhere (WebAssembly's libc++) the C library does the same work.
// Both paths give the same bytes; the build picks one when it is configured, and a test
// compares the two wherever both exist.
#pragma once

#include <cstddef>

namespace moxa::cisla {

// What reading the longest decimal number at the start of [zacatek, konec) gave: the number
// is an optional '-', digits with an optional '.' and digits, and an optional exponent
// ('e' or 'E', an optional sign, digits). `konec` points past it. `mimo_rozsah` is set when
// the number is too large or too small for a double (nonzero digits reading as 0); then
// `hodnota` means nothing. `ok` is false when no number starts there.
struct Precteno {
  double hodnota = 0.0;
  const char* konec = nullptr;
  bool mimo_rozsah = false;
  bool ok = false;
};

// The longest "%.6f" text of a double: '-', 309 integer digits, '.', 6 decimals.
inline constexpr std::size_t DELKA_F6 = 330;

Precteno precti_libc(const char* zacatek, const char* konec);
// Writes the "%.6f" text of a finite `d` into `buf` (DELKA_F6 bytes); returns its length.
std::size_t zapis_f6_libc(double d, char* buf);

#if MOXA_CHARCONV_CTENI
Precteno precti_charconv(const char* zacatek, const char* konec);
#endif
#if MOXA_CHARCONV_ZAPIS
std::size_t zapis_f6_charconv(double d, char* buf);
#endif

inline Precteno precti(const char* zacatek, const char* konec) {
#if MOXA_CHARCONV_CTENI
  return precti_charconv(zacatek, konec);
#else
  return precti_libc(zacatek, konec);
#endif
}

inline std::size_t zapis_f6(double d, char* buf) {
#if MOXA_CHARCONV_ZAPIS
  return zapis_f6_charconv(d, buf);
#else
  return zapis_f6_libc(d, buf);
#endif
}

}  // namespace moxa::cisla
