// The value rules: the numeric reading at the ends of the double range and "%f" results; and
// the two ways of reading and writing doubles (the C library, which the WebAssembly build uses,
// and <charconv>, which the native build uses), which must give the same results.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <string_view>

#include "expr/number_bridge.hpp"
#include "expr/value.hpp"

namespace {

using moxa::cteni_textu;
using moxa::Hodnota;

// Texts past either end of the double range, which no golden program or edge value holds:
// an exponent too long for any integer, an underflow behind many digits, 400 nines.
TEST(Hodnota, ReadingStaysWithinTheDoubleRange) {
  EXPECT_EQ(cteni_textu("1e99999999999999999999999"), INFINITY);
  EXPECT_EQ(cteni_textu("0.000000000000000000000000000000000000000000000000001e-300"), 0.0);
  EXPECT_EQ(cteni_textu(std::string(400, '9')), INFINITY);
}

// Short numbers are read the short way (their digits times or divided by a power of ten),
// and the reading must be the C library's, to the bit, up to where that way hands over: 15
// digits, exponents of three digits, powers of ten past 10^22, texts that go on after it.
TEST(Hodnota, ShortReadingsAgreeWithTheCLibrary) {
  std::mt19937_64 g(20261209);
  const auto cislice = [&g](std::string& t, std::uint64_t n) {
    for (; n > 0; --n)
      t += static_cast<char>('0' + g() % 10);
  };
  for (int i = 0; i < 300000 && !HasFailure(); ++i) {
    std::string t = g() % 3 == 0 ? (g() % 2 ? "-" : "+") : "";
    cislice(t, 1 + g() % 16);
    if (g() % 2) cislice(t += '.', g() % 16);
    if (g() % 2) cislice(t += g() % 4 ? "e" : g() % 2 ? "E-" : "e+", g() % 5);
    if (g() % 4 == 0) t += ",x.e5"[g() % 5];
    const double cteni = cteni_textu(t);
    const double c = std::strtod(t.c_str(), nullptr);
    ASSERT_EQ(std::bit_cast<std::uint64_t>(cteni), std::bit_cast<std::uint64_t>(c)) << t;
  }
}

// A result must be exactly what writing "%f" and reading the text back gives, for its text
// and its reading, ties and signs included; where both ways of writing are built, the C
// library's way writes the same text as the <charconv> way that results use.
void jako_printf(double r) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%f", r);
  const double zpet = std::strtod(buf, nullptr);
  const Hodnota v = Hodnota::vysledek(r);
  ASSERT_EQ(v.text(), buf) << r;
  ASSERT_EQ(v.cteni(), zpet) << buf;
  ASSERT_EQ(std::signbit(v.cteni()), std::signbit(zpet)) << buf;
#if MOXA_CHARCONV_CTENI && MOXA_CHARCONV_ZAPIS
  char c[moxa::cisla::DELKA_F6];
  ASSERT_EQ(std::string(c, moxa::cisla::zapis_f6_libc(r, c)), buf) << r;
#endif
}

TEST(Hodnota, ResultsAgreeWithTheCLibrary) {
  const double HRANY[] = {
      0.0,  -0.0, 1.0,  -1.0, 0.5,  0.0000005, 0.0000015, 0.0000025,      -0.0000005,
      1e-7, 2.5,  1e15, 1e16, 1e22, 1e300,     -1e308,    123456.1234565, 0.1};
  for (const double d : HRANY)
    jako_printf(d);
  using L = std::numeric_limits<double>;
  for (const double d : {L::max(), L::min(), L::denorm_min(), 1.0 / 3})
    jako_printf(d);
  std::mt19937_64 g(12345);
  const auto cele = [&g](std::uint64_t m) {  // a whole number from -m to m
    return static_cast<double>(static_cast<std::int64_t>(g() % (2 * m + 1) - m));
  };
  for (int i = 0; i < 500000 && !HasFailure(); ++i) {
    double r = 0;
    switch (i % 5) {
      case 0: r = cele(1'000'000'000) / static_cast<double>(g() % 1000 + 1); break;
      case 1:
        r = std::bit_cast<double>(g());
        if (!std::isfinite(r)) continue;
        break;
      case 2: r = cele(10'000'000) / 128.0; break;   // exact ties at the sixth decimal
      case 3: r = cele(1'000'000'000) / 2e6; break;  // near ties, of everyday size
      default: r = cele(1'000'000) * 1e-7; break;
    }
    jako_printf(r);
  }
}

using moxa::cisla::Precteno;

#if MOXA_CHARCONV_CTENI && MOXA_CHARCONV_ZAPIS

void stejne_cteni(const std::string& t) {
  const char* b = t.data();
  const char* e = b + t.size();
  const Precteno a = moxa::cisla::precti_libc(b, e);
  const Precteno c = moxa::cisla::precti_charconv(b, e);
  ASSERT_EQ(a.ok, c.ok) << t;
  if (!a.ok) return;
  EXPECT_EQ(a.konec - b, c.konec - b) << t;
  ASSERT_EQ(a.mimo_rozsah, c.mimo_rozsah) << t;
  if (a.mimo_rozsah) return;
  // Bit patterns, so that -0 and 0 differ.
  EXPECT_EQ(std::bit_cast<std::uint64_t>(a.hodnota), std::bit_cast<std::uint64_t>(c.hodnota))
      << t << ": " << a.hodnota << " vs " << c.hodnota;
}

// The texts, each ended by '|': forms of numbers, texts that only start as one, the ends of
// the double range and beyond, long and exact texts.
TEST(NumberBridge, ReadingsAgreeOnTheEdges) {
  std::string_view hrany =
      "0|-0|42|007|1.|1.e5|1e|1e+|1e-|1E2|2.5e-1|12abc|1,5|0x1F|1..2|1.2.3|-5x|.5|-.5||-|e5|abc| 1|"
      "1e-310|4e-324|2e-324|1e-400|1e309|-1e309|1.7976931348623157e308|1.7976931348623159e308|"
      "0.000000000000000000000000000001e330|100000000000000000000000000000000000000000e-340|"
      "0e999999|0.0e-99999|9007199254740993|0.1|0.30000000000000004|"
      "123456789012345678901234567890|1e99999999999999999999|1e-99999999999999999999|5e-324x|"
      "1.5e+3e4|";
  for (std::size_t k = hrany.find('|'); k != std::string_view::npos; k = hrany.find('|')) {
    stejne_cteni(std::string(hrany.substr(0, k)));
    hrany.remove_prefix(k + 1);
  }
}

// Texts longer than the C library path gives strtod whole: the digits it cuts off still
// decide a tie (2^53 + 1 lies halfway between two doubles), and neither digits nor
// exponents of any length take it out of the range of doubles.
TEST(NumberBridge, ReadingsAgreeOnLongTexts) {
  const std::string nuly(3000, '0'), devitky(2000, '9'), jednicky(2000, '1');
  for (const std::string& t :
       {"9007199254740993" + nuly + "e-3000", "9007199254740993" + nuly + "1e-3001",
        "-9007199254740993." + nuly + "1", "0." + nuly + "1e3001", "1" + nuly + "e-3000",
        "0." + nuly + "1e-300", std::string(400, '9'), "-" + jednicky + ".5e-1700", "1e" + devitky,
        "1e-" + devitky, "0e" + devitky, "-0." + nuly, "." + nuly + "x",
        "2." + nuly + "e-" + nuly + "1"}) {
    stejne_cteni(t);
  }
  std::mt19937_64 rng(20261208);
  for (int i = 0; i < 2000; ++i) {
    std::string t = rng() % 2 ? "-" : "";
    const std::size_t n = 1590 + rng() % 2000;
    const std::size_t tecka = rng() % (n + 1);
    for (std::size_t k = 0; k < n; ++k) {
      if (k == tecka) t += '.';
      // Mostly zeros and nines, so that the digits kept often end in a long run of either.
      const auto r = rng() % 8;
      t += r < 3 ? '0' : r < 6 ? '9' : static_cast<char>('0' + rng() % 10);
    }
    t += 'e';
    t += std::to_string(static_cast<int>(rng() % 800) - static_cast<int>(tecka));
    stejne_cteni(t);
    if (HasFailure()) return;
  }
}

#else

TEST(NumberBridge, OnlyTheCLibraryPathExists) {
  GTEST_SKIP() << "this standard library reads or writes no doubles through <charconv>";
}

#endif

}  // namespace
