// The keyword and operator lists that editors and the playground are given must be exactly
// the texts the scanner tags: each listed text carries its own tag, and every tag is listed.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "io/streams.hpp"
#include "lexer/scanner.hpp"
#include "lexer/words.hpp"

namespace {

using moxa::Znacka;

// The token the scanner makes of `text` alone.
moxa::Token sken(std::string_view text) {
  moxa::TextovyVstup f(text);
  moxa::Skener s(f);
  moxa::Token t;
  s.skenuj(t);
  return t;
}

// Every text of list `seznam`, scanned alone, is one token of kind `druh` with its tag.
template <typename Seznam>
void kazdy_jeden_token(const Seznam& seznam, moxa::Druh druh) {
  for (const auto& w : seznam) {
    const auto t = sken(w.text);
    EXPECT_EQ(t.druh, druh) << w.text;
    EXPECT_EQ(t.text, w.text);
    EXPECT_EQ(t.znacka, w.znacka) << w.text;
  }
}

TEST(Words, KeywordsAreWordsWithTheirTag) {
  kazdy_jeden_token(moxa::KLICOVA_SLOVA, moxa::T_SLOVO);
  EXPECT_EQ(sken(moxa::KONEC_PROGRAMU.text).znacka, Znacka::Tecka);
}

TEST(Words, OperatorsAreSingleOperatorTokens) {
  kazdy_jeden_token(moxa::OPERATORY, moxa::T_OPERATOR);
  for (const auto& z : moxa::ZAVORKY)
    EXPECT_EQ(sken(z.text).znacka, z.znacka);
  EXPECT_EQ(sken(moxa::STREDNIK.text).druh, moxa::T_STREDNIK);
  EXPECT_EQ(sken(moxa::PRIRAZENI).druh, moxa::T_PRIRAZENI);
}

// Every tag the parser knows stands for exactly one listed text, so a keyword or operator
// added to the scanner cannot be forgotten in the lists.
TEST(Words, EveryTagIsListedOnce) {
  std::set<int> videne;
  std::set<std::string> texty;
  const auto pridej = [&](const moxa::PevnyText& p) {
    EXPECT_TRUE(texty.insert(std::string(p.text)).second) << p.text << " listed twice";
    if (p.znacka == Znacka::Zadna) return;
    EXPECT_TRUE(videne.insert(static_cast<int>(p.znacka)).second) << p.text;
  };
  for (const auto& w : moxa::KLICOVA_SLOVA)
    pridej(w);
  for (const auto& o : moxa::OPERATORY)
    pridej(o);
  for (const auto& z : moxa::ZAVORKY)
    pridej(z);
  pridej(moxa::KONEC_PROGRAMU);
  pridej(moxa::STREDNIK);
  for (int z = static_cast<int>(Znacka::Zadna) + 1; z <= static_cast<int>(Znacka::Nebo); ++z)
    EXPECT_EQ(videne.count(z), 1U) << "tag " << z << " has no listed text";
}

// Texts near the listed ones are not tagged.
TEST(Words, NearMissesAreNoKeywords) {
  for (const std::string_view t : {"w3", "pisln", "pis_lnx", "i2end", "cteni", "p22"})
    EXPECT_EQ(sken(t).znacka, Znacka::Zadna) << t;
}

}  // namespace
