// The two ways of reading and writing doubles (the C library and <charconv>) give the same
// results: the WebAssembly build uses the first, the native build the second.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <string_view>

#include "expr/number_bridge.hpp"

namespace {

using moxa::cisla::DELKA_F6;
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
  std::uint64_t ba = 0, bc = 0;  // bit patterns, so that -0 and 0 differ
  std::memcpy(&ba, &a.hodnota, sizeof ba);
  std::memcpy(&bc, &c.hodnota, sizeof bc);
  EXPECT_EQ(ba, bc) << t << ": " << a.hodnota << " vs " << c.hodnota;
}

void stejny_zapis(double d) {
  char a[DELKA_F6];
  char c[DELKA_F6];
  const std::string ta(a, moxa::cisla::zapis_f6_libc(d, a));
  const std::string tc(c, moxa::cisla::zapis_f6_charconv(d, c));
  ASSERT_FALSE(ta.empty());
  EXPECT_EQ(ta, tc) << d;
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

TEST(NumberBridge, ReadingsAgreeOnRandomDecimalTexts) {
  std::mt19937_64 rng(20261206);
  const std::string znaky = "0123456789012345678901234567890123456789..eE+-,x";
  for (int i = 0; i < 200000; ++i) {
    std::string t;
    if (rng() % 2) t += '-';
    const std::size_t n = 1 + rng() % 30;
    for (std::size_t k = 0; k < n; ++k)
      t += znaky[rng() % znaky.size()];
    stejne_cteni(t);
    if (HasFailure()) return;
  }
}

TEST(NumberBridge, WritingsAgree) {
  const double HRANY[] = {
      0.0,  -0.0, 1.0,  -1.0, 0.5,  0.0000005, 0.0000015, 0.0000025,      -0.0000005,
      1e-7, 2.5,  1e15, 1e16, 1e22, 1e300,     -1e308,    123456.1234565, 0.1};
  for (const double d : HRANY)
    stejny_zapis(d);
  using L = std::numeric_limits<double>;
  for (const double d : {L::max(), L::min(), L::denorm_min(), 1.0 / 3})
    stejny_zapis(d);
  std::mt19937_64 rng(7);
  for (int i = 0; i < 200000; ++i) {
    double d = 0;
    const std::uint64_t bity = rng();
    std::memcpy(&d, &bity, sizeof d);
    if (!std::isfinite(d)) continue;
    stejny_zapis(d);
    // Values near six-decimal ties and of everyday size, where rounding matters most.
    stejny_zapis(static_cast<double>(static_cast<std::int64_t>(rng() % 2000000000) - 1000000000) /
                 2e6);
    if (HasFailure()) return;
  }
}

#else

TEST(NumberBridge, OnlyTheCLibraryPathExists) {
  GTEST_SKIP() << "this standard library reads or writes no doubles through <charconv>";
}

#endif

}  // namespace
