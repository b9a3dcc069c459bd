// The value rules: the number test, the numeric reading, "%f" results and the truth rule.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>

#include "expr/value.hpp"

namespace {

using moxa::cteni_textu;
using moxa::Hodnota;
using moxa::Je_cislo;

TEST(Hodnota, NumberTestLooksAtTheStartOnly) {
  for (const char* t : {"42", "007", "-7", "+0", "12abc", "1,5", "0x1F", "3.000000"}) {
    EXPECT_TRUE(Je_cislo(t)) << t;
  }
  for (const char* t : {"hodnota neurcena", "abc", ".5", "+.5", "-", "+", "-x", "", " 1"}) {
    EXPECT_FALSE(Je_cislo(t)) << t;
  }
}

TEST(Hodnota, ReadingTakesTheLongestDecimalPrefixWithinTheDoubleRange) {
  const std::pair<const char*, double> cteni[] = {
      {"12abc", 12.0},       {"1e3", 1000.0},
      {"2.5e-1", 0.25},      {"1e", 1.0},
      {"1e+", 1.0},          {"1,5", 1.0},
      {"0x1F", 0.0},         {"+5", 5.0},
      {"1.", 1.0},           {"1.e5", 100000.0},
      {"1E2", 100.0},        {"1e999", INFINITY},
      {"-1e999", -INFINITY}, {"1e99999999999999999999999", INFINITY},
      {"1e-999", 0.0},       {"0.000000000000000000000000000000000000000000000000001e-300", 0.0}};
  for (const auto& [text, cislo] : cteni)
    EXPECT_EQ(cteni_textu(text), cislo) << text;
  EXPECT_TRUE(std::signbit(cteni_textu("-0")));
  EXPECT_TRUE(std::signbit(cteni_textu("-1e-999")));
  EXPECT_EQ(cteni_textu(std::string(400, '9')), INFINITY);
}

TEST(Hodnota, ResultsAreWrittenAsPercentF) {
  const std::pair<double, const char*> vysledky[] = {
      {3, "3.000000"},      {1.0 / 3, "0.333333"}, {2.0 / 3, "0.666667"},
      {-1e-9, "-0.000000"}, {-0.0, "-0.000000"},   {1.0 / 0.0, "inf"},
      {-1.0 / 0.0, "-inf"}, {std::nan(""), "nan"}, {-std::nan(""), "nan"}};
  for (const auto& [cislo, text] : vysledky)
    EXPECT_EQ(Hodnota::vysledek(cislo).text(), text) << cislo;
  EXPECT_FALSE(Hodnota::vysledek(1.0 / 0.0).je_cislo());
  // Large results are written in full, every digit of the double.
  char buf[400];
  std::snprintf(buf, sizeof buf, "%f", 1e300);
  EXPECT_EQ(Hodnota::vysledek(1e300).text(), buf);
  EXPECT_EQ(Hodnota::vysledek(1e300).text().size(), 308u);
  EXPECT_EQ(Hodnota::pravdivost(true).text(), "1");
  EXPECT_EQ(Hodnota::pravdivost(false).text(), "0");
}

// A result must be exactly what writing "%f" and reading the text back gives, for its text
// and its reading, ties and signs included.
TEST(Hodnota, ResultsAgreeWithTheCLibrary) {
  std::mt19937_64 g(12345);
  for (int i = 0; i < 400000; ++i) {
    double r = 0;
    switch (i % 4) {
      case 0:
        r = static_cast<double>(static_cast<std::int64_t>(g() % 2000000001) - 1000000000) /
            static_cast<double>(g() % 1000 + 1);
        break;
      case 1: {
        const std::uint64_t b = g();
        std::memcpy(&r, &b, sizeof r);
        if (!std::isfinite(r)) continue;
        break;
      }
      case 2:  // exact ties at the sixth decimal
        r = static_cast<double>(static_cast<std::int64_t>(g() % 20000001) - 10000000) / 128.0;
        break;
      default:
        r = static_cast<double>(static_cast<std::int64_t>(g() % 2000001) - 1000000) * 1e-7;
        break;
    }
    char buf[400];
    std::snprintf(buf, sizeof buf, "%f", r);
    const double zpet = std::strtod(buf, nullptr);
    const Hodnota v = Hodnota::vysledek(r);
    ASSERT_EQ(v.text(), buf) << r;
    ASSERT_EQ(v.cteni(), zpet) << buf;
    ASSERT_EQ(std::signbit(v.cteni()), std::signbit(zpet)) << buf;
  }
}

TEST(Hodnota, TruthRule) {
  for (const char* t :
       {"1", "2", "-3", "1,5", "0.000001", "1e999", "abc", "hodnota neurcena", " 0", "-"}) {
    EXPECT_TRUE(Hodnota::text(t).pravda()) << t;
  }
  for (const char* t : {"0", "0.000000", "-0", "+0", "00", "0abc", "0,5", ""}) {
    EXPECT_FALSE(Hodnota::text(t).pravda()) << t;
  }
  EXPECT_FALSE(Hodnota::vysledek(1.0 - 1.0).pravda());
  EXPECT_TRUE(Hodnota::vysledek(1.0 / 0.0).pravda());
}

}  // namespace
