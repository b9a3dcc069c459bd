// The scanner: its tokens' kinds, texts and tags, what it drops, line counting and where each
// token starts, however its reader splits the input; and the keyword and operator lists that
// editors and the playground are given, which must be exactly the texts it tags.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "expr/value.hpp"
#include "io/streams.hpp"
#include "lexer/scanner.hpp"
#include "lexer/words.hpp"
#include "tests/piece_reader.hpp"

namespace {

using moxa::T_RETEZEC, moxa::T_STREDNIK, moxa::T_SLOVO, moxa::T_ZAVORKA, moxa::T_KONEC,
    moxa::T_PRIRAZENI, moxa::T_OPERATOR, moxa::Znacka;

struct Zaznam {
  int kind;
  std::string text;
  Znacka znacka;
  std::uint64_t radek;  // the scanner's line counter after the token
  moxa::PoziceTokenu pozice;
  bool operator==(const Zaznam&) const = default;
};

// Numbers the scanner reads on the way must read as their texts do, to the bit; one said to
// be written as its own digits must write so again.
TEST(Scanner, NumbersReadOnTheWayAreTheirTextsReadings) {
  std::mt19937_64 g(20261210);
  const char* const za[] = {" ", ",5 ", ",5e", "e", "e-", "e+"};
  std::string zdroj;
  for (int i = 0; i < 200000; ++i) {
    std::string cislice = std::to_string(g());
    cislice.insert(cislice.begin(), '0');  // kept in one of four
    zdroj += " -+"[g() % 3] + cislice.substr(g() % 4 == 0 ? 0 : 1, 1 + g() % 17) + za[g() % 6];
    if (zdroj.back() != ' ') zdroj += std::to_string(g() % 1000).substr(0, 1 + g() % 3) + ' ';
  }
  moxa::TextovyVstup f(zdroj);
  moxa::Skener s(f);
  moxa::Token t;
  int precteno = 0;
  int psanych = 0;
  for (s.skenuj(t); t.druh != T_KONEC && !HasFailure(); s.skenuj(t)) {
    const auto bity = [](double d) { return std::bit_cast<std::uint64_t>(d); };
    precteno += t.ma_cislo;
    psanych += t.psane_cele;
    EXPECT_TRUE(!t.ma_cislo || bity(t.cislo) == bity(moxa::cteni_textu(t.text))) << t.text;
    EXPECT_TRUE(!t.psane_cele || std::to_string(std::int64_t(t.cislo)) == t.text) << t.text;
  }
  EXPECT_GT(precteno, 100000);
  EXPECT_GT(psanych, 10000);
}

// Every token up to the end-of-input token, which comes last and then again on every call.
std::vector<Zaznam> tokeny(moxa::Vstup& f) {
  moxa::Skener s(f);
  std::vector<Zaznam> v;
  moxa::Token t;
  const auto dalsi = [&] {
    s.skenuj(t);
    return Zaznam{t.druh, std::string(t.text), t.znacka, s.cislo_radku(), t.pozice};
  };
  do
    v.push_back(dalsi());
  while (t.druh != T_KONEC && v.size() < 10000);
  EXPECT_EQ(v.back().text, "\xFF");
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(dalsi(), v.back());
  return v;
}

std::vector<Zaznam> tokeny(std::string_view zdroj) {
  moxa::TextovyVstup f(zdroj);
  return tokeny(f);
}

std::vector<Zaznam> po_kouskach(std::string_view zdroj, std::size_t krok) {
  kousky::PoKouskach f(zdroj, krok);
  return tokeny(f);
}

// The tokens before the end-of-input token, each as a letter for its kind, a colon and its
// text, with a blank between two ("c:5 o:- c:3"): c number, r string literal, ; semicolon,
// s word, z brace, = assignment, o operator, p variable, v call, d declaration.
std::string druhy(std::string_view zdroj) {
  std::string v;
  for (const Zaznam& z : tokeny(zdroj)) {
    if (z.kind == T_KONEC) continue;
    if (!v.empty()) v += ' ';
    v.append(1, "cr--;sz-=opvd"[z.kind]).append(":").append(z.text);
  }
  return v;
}

// The shapes that no golden program holds; the golden programs of tests/golden/lexer run the
// rest (signs, words and names, dropped bytes, escapes, comments, unfinished tokens).
TEST(Scanner, KindsAndTexts) {
  const std::pair<std::string, std::string> pripady[] = {
      // A number ends at a letter; a sign before no digit is an operator.
      {"12abc +7 +x", "c:12 s:abc c:+7 o:+ s:x"},
      // Operators pair only as listed.
      {"!= <= >= =< - > ^_", "o:!= o:<= o:>= o:= o:< o:- o:> o:^ o:_"},
      // A lone colon skips up to the next colon.
      {": a : b\nc", "s:c"},
  };
  for (const auto& [zdroj, ocekavano] : pripady)
    EXPECT_EQ(druhy(zdroj), ocekavano) << zdroj;
}

// Every listed text, scanned alone, is one token of its kind with its tag; every text is listed
// once, and every tag the parser knows stands for exactly one of them, so a keyword or operator
// added to the scanner cannot be forgotten in the lists.
TEST(Words, EveryListedTextIsOneTokenWithItsTagAndEveryTagIsListedOnce) {
  std::set<int> videne;
  std::set<std::string> texty;
  const auto pridej = [&](const moxa::PevnyText& p, int druh) {
    const auto v = tokeny(p.text);
    ASSERT_EQ(v.size(), 2u) << p.text;
    EXPECT_EQ(v[0].kind, druh) << p.text;
    EXPECT_EQ(v[0].text, p.text);
    EXPECT_EQ(v[0].znacka, p.znacka) << p.text;
    EXPECT_TRUE(texty.insert(std::string(p.text)).second) << p.text << " listed twice";
    if (p.znacka == Znacka::Zadna) return;
    EXPECT_TRUE(videne.insert(static_cast<int>(p.znacka)).second) << p.text;
  };
  for (const auto& w : moxa::KLICOVA_SLOVA)
    pridej(w, T_SLOVO);
  for (const auto& o : moxa::OPERATORY)
    pridej(o, T_OPERATOR);
  for (const auto& z : moxa::ZAVORKY)
    pridej(z, T_ZAVORKA);
  pridej(moxa::KONEC_PROGRAMU, T_SLOVO);
  pridej(moxa::STREDNIK, T_STREDNIK);
  for (int z = static_cast<int>(Znacka::Zadna) + 1; z <= static_cast<int>(Znacka::Nebo); ++z)
    EXPECT_EQ(videne.count(z), 1U) << "tag " << z << " has no listed text";
  EXPECT_EQ(tokeny(moxa::PRIRAZENI)[0].kind, T_PRIRAZENI);
  // Texts near the listed ones are not tagged.
  for (const std::string_view t : {"w3", "pisln", "pis_lnx", "i2end", "cteni", "p22"})
    EXPECT_EQ(tokeny(t)[0].znacka, Znacka::Zadna) << t;
}

const std::string DLOUHE_JMENO = std::string("@").append(70, 'k').append("_").append(30, '7');
const std::string DLOUHE_CISLO = std::string(40, '9').append(",").append(20, '1').append("e-12");
const std::string DLOUHY_RETEZEC = std::string("a/\"b\n").append(90, 'x');

// Every token family, tokens longer than the scanner's own buffer, runs that end exactly at
// the end of the input, and line feeds inside strings and block comments.
const std::string ZDROJ =
    "{\n@a -> @a + 13,25 % 1000 * 3e0 / 1;\n" + DLOUHE_JMENO + " -> " + DLOUHE_CISLO +
    ";\n:: a comment\n@s_t->@u_v<=-1e0|\"" + DLOUHY_RETEZEC +
    "\"&(7>=8)!=1;\n:! block\n!! !:@delka__radku pis_ln(\"pis\"); w2_end ~f(?g) }.\n" +
    DLOUHE_JMENO;

// The scanner takes runs of bytes in bulk from its reader's buffer; the tokens, their tags and
// the line counter must not depend on where the reader's refills fall.
TEST(ScannerPieces, TokensDoNotDependOnHowTheInputIsSplit) {
  const std::vector<Zaznam> cele = po_kouskach(ZDROJ, ZDROJ.size());
  ASSERT_GT(cele.size(), 40u);
  EXPECT_EQ(cele.back().radek,
            1 + static_cast<std::uint64_t>(std::count(ZDROJ.begin(), ZDROJ.end(), '\n')));
  for (std::size_t krok = 1; krok <= 33; ++krok)
    EXPECT_EQ(po_kouskach(ZDROJ, krok), cele) << "pieces of " << krok << " bytes";
  // The last name runs up to the end of the input.
  EXPECT_EQ(cele[cele.size() - 2].text, DLOUHE_JMENO);
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
    if (z.kind == T_KONEC) {
      EXPECT_EQ(z.pozice, misto_v(ZDROJ, ZDROJ.size()));
      continue;
    }
    const std::size_t b = z.pozice.bajt;
    ASSERT_LT(b, ZDROJ.size()) << z.text;
    EXPECT_GE(b, hledat_od) << z.text;
    EXPECT_EQ(z.pozice, misto_v(ZDROJ, b)) << z.text;
    EXPECT_EQ(ZDROJ[b], z.kind == T_RETEZEC ? '"' : z.text[0]) << z.text << " at " << b;
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
  } while (t.druh != T_KONEC);
  ASSERT_EQ(mista.size(), 12u);
  // The held "s" is a word of its own.
  EXPECT_EQ(mista[4].bajt, zdroj.find("s"));
  EXPECT_EQ(mista[5], misto_v(zdroj, zdroj.find(';')));
  EXPECT_EQ(mista[6], misto_v(zdroj, zdroj.find("pis")));
  EXPECT_EQ(mista[7].bajt, zdroj.rfind('('));
  EXPECT_EQ(mista[11].bajt, zdroj.size());
}

}  // namespace
