// The scanner takes runs of bytes in bulk from its reader's buffer. However the reader splits
// the input, the tokens, their tags and the line counter must come out the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "io/streams.hpp"
#include "lexer/scanner.hpp"
#include "tests/piece_reader.hpp"

namespace {

using kousky::PoKouskach;

struct Zaznam {
  int kind;
  std::string text;
  moxa::Znacka znacka;
  std::uint64_t radek;
  moxa::PoziceTokenu pozice;
  bool operator==(const Zaznam&) const = default;
};

std::vector<Zaznam> tokeny(moxa::Vstup& f) {
  moxa::Skener s(f);
  std::vector<Zaznam> v;
  moxa::Token t;
  do {
    s.skenuj(t);
    v.push_back({t.druh, std::string(t.text), t.znacka, s.cislo_radku(), t.pozice});
  } while (t.druh != moxa::T_KONEC && v.size() < 10000);
  return v;
}

std::vector<Zaznam> po_kouskach(std::string_view zdroj, std::size_t krok) {
  PoKouskach f(zdroj, krok);
  return tokeny(f);
}

// The pieces joined into one text.
std::string spoj(std::initializer_list<std::string_view> kusy) {
  std::string s;
  for (const std::string_view k : kusy)
    s.append(k);
  return s;
}

const std::string DLOUHE_JMENO = spoj({"@", std::string(70, 'k'), "_", std::string(30, '7')});
const std::string DLOUHE_CISLO = spoj({std::string(40, '9'), ",", std::string(20, '1'), "e-12"});
const std::string DLOUHY_RETEZEC = spoj({"a/\"b\n", std::string(90, 'x')});

// Every token family, tokens longer than the scanner's own buffer, runs that end exactly at
// the end of the input, and line feeds inside strings and block comments.
const std::string ZDROJ =
    spoj({"{\n@a -> @a + 13,25 % 1000 * 3e0 / 1;\n", DLOUHE_JMENO, " -> ", DLOUHE_CISLO,
          ";\n:: a comment\n@s_t->@u_v<=-1e0|\"", DLOUHY_RETEZEC,
          "\"&(7>=8)!=1;\n:! block\n!! !:@delka__radku pis_ln(\"pis\"); w2_end ~f(?g) }.\n",
          DLOUHE_JMENO});

TEST(ScannerPieces, TokensDoNotDependOnHowTheInputIsSplit) {
  const std::vector<Zaznam> cele = po_kouskach(ZDROJ, ZDROJ.size());
  ASSERT_GT(cele.size(), 40u);
  EXPECT_EQ(cele.back().radek,
            1 + static_cast<std::uint64_t>(std::count(ZDROJ.begin(), ZDROJ.end(), '\n')));
  for (std::size_t krok = 1; krok <= 33; ++krok)
    EXPECT_EQ(po_kouskach(ZDROJ, krok), cele) << "pieces of " << krok << " bytes";
}

TEST(ScannerPieces, LongTokensKeepEveryByte) {
  const std::vector<Zaznam> v = po_kouskach(ZDROJ, 5);
  const auto ma = [&](int kind, const std::string& text) {
    for (const Zaznam& z : v)
      if (z.kind == kind && z.text == text) return true;
    return false;
  };
  EXPECT_TRUE(ma(moxa::T_PROMENNA, DLOUHE_JMENO));
  EXPECT_TRUE(ma(moxa::T_CISLO, DLOUHE_CISLO));
  EXPECT_TRUE(ma(moxa::T_RETEZEC, DLOUHY_RETEZEC));
  EXPECT_TRUE(ma(moxa::T_PROMENNA, "@delka__radku"));
  EXPECT_TRUE(ma(moxa::T_CISLO, "-1e0"));
  EXPECT_EQ(v.back().kind, moxa::T_KONEC);
  // The last name runs up to the end of the input.
  EXPECT_EQ(v[v.size() - 2].text, DLOUHE_JMENO);
}

// Where a token's first byte stands, counted in the source itself.
moxa::PoziceTokenu misto_v(std::string_view zdroj, std::size_t bajt) {
  const std::string_view pred = zdroj.substr(0, bajt);
  const std::size_t posledni = pred.rfind('\n');
  const std::size_t od_radku = posledni == std::string_view::npos ? 0 : posledni + 1;
  return {1 + static_cast<std::uint64_t>(std::count(pred.begin(), pred.end(), '\n')),
          bajt - od_radku + 1, bajt};
}

// The first byte of a token as it stands in the source: a string literal starts with its
// quote, a name or number with the byte its text starts with.
TEST(ScannerPieces, EveryTokenKnowsWhereItStarts) {
  const std::vector<Zaznam> v = po_kouskach(ZDROJ, 7);
  std::size_t hledat_od = 0;
  for (const Zaznam& z : v) {
    if (z.kind == moxa::T_KONEC) {
      EXPECT_EQ(z.pozice, misto_v(ZDROJ, ZDROJ.size()));
      continue;
    }
    const std::size_t b = z.pozice.bajt;
    ASSERT_LT(b, ZDROJ.size()) << z.text;
    EXPECT_GE(b, hledat_od) << z.text;
    EXPECT_EQ(z.pozice, misto_v(ZDROJ, b)) << z.text;
    EXPECT_EQ(ZDROJ[b], z.kind == moxa::T_RETEZEC ? '"' : z.text[0]) << z.text << " at " << b;
    hledat_od = b + 1;
  }
  // A few by hand: "@a" opens line 2; "&" follows the long string on its last line.
  EXPECT_EQ(v[1].pozice, (moxa::PoziceTokenu{2, 1, 2}));
  const auto amp = std::find_if(v.begin(), v.end(), [](const Zaznam& z) { return z.text == "&"; });
  ASSERT_NE(amp, v.end());
  EXPECT_EQ(amp->pozice.radek, 6u);
  EXPECT_EQ(amp->pozice.sloupec, 92u);
}

// When the program comes from standard input, `cti` takes words from the same reader between
// two tokens, after the scanner has read the byte that ends a token, and says so. Positions
// stay those of the source bytes, whether the token after the words was read before them
// (";") or after them (the "(" after the second read).
TEST(ScannerPieces, PositionsHoldWhenInputIsReadBetweenTokens) {
  const std::string zdroj = "cti(@x)slovo slovo;\n  pis slovo\n(@x);";
  moxa::TextovyVstup f(zdroj);
  moxa::Skener s(f);
  moxa::Token t;
  std::vector<moxa::PoziceTokenu> mista;
  const auto vezmi = [&](int n) {
    const std::uint64_t od = f.precteno();
    for (int i = 0; i < n; ++i)
      f.cti_znak();
    s.cizi_cteni(od, f.precteno());
  };
  do {
    s.skenuj(t);
    mista.push_back(t.pozice);
    // After ")" the scanner holds the "s" after it; the reader takes "lovo slovo" (the
    // scanner's "s" is lost to the reader, as it is to `cti`). After "pis" it holds the
    // blank; the reader takes "slovo\n".
    if (t.text == ")" && mista.size() == 4) vezmi(10);
    if (t.text == "pis") vezmi(6);
  } while (t.druh != moxa::T_KONEC);
  ASSERT_EQ(mista.size(), 12u);
  EXPECT_EQ(mista[4].bajt, zdroj.find("s"));  // the held "s" is a word of its own
  EXPECT_EQ(mista[5], misto_v(zdroj, zdroj.find(';')));
  EXPECT_EQ(mista[6], misto_v(zdroj, zdroj.find("pis")));
  EXPECT_EQ(mista[7].bajt, zdroj.rfind('('));
  EXPECT_EQ(mista[11].bajt, zdroj.size());
}

}  // namespace
