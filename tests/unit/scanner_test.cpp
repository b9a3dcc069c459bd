// The scanner's token stream: kinds, texts, dropped characters and line counting.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "io/streams.hpp"
#include "lexer/scanner.hpp"

namespace {

using moxa::Skener;
using moxa::TextovyVstup;
using moxa::Token;
using Tokeny = std::vector<std::pair<moxa::Druh, std::string>>;
using moxa::T_CISLO, moxa::T_RETEZEC, moxa::T_STREDNIK, moxa::T_SLOVO, moxa::T_ZAVORKA,
    moxa::T_KONEC, moxa::T_PRIRAZENI, moxa::T_OPERATOR, moxa::T_PROMENNA, moxa::T_VOLANI,
    moxa::T_DEKLARACE;

const std::string KONEC = "\xFF";

// Every token before the end-of-input token, which must come last.
Tokeny tokeny(std::string_view zdroj) {
  TextovyVstup f(zdroj);
  Skener s(f);
  Tokeny v;
  Token t;
  do {
    s.skenuj(t);
    v.emplace_back(static_cast<moxa::Druh>(t.druh), t.text);
  } while (t.druh != T_KONEC && v.size() < 1000);
  EXPECT_EQ(v.back(), (Tokeny::value_type{T_KONEC, KONEC})) << zdroj;
  v.pop_back();
  return v;
}

TEST(Scanner, NumbersTakeTheirSignCommaAndExponent) {
  EXPECT_EQ(tokeny("5-3"), (Tokeny{{T_CISLO, "5"}, {T_CISLO, "-3"}}));
  EXPECT_EQ(tokeny("5 - 3"), (Tokeny{{T_CISLO, "5"}, {T_OPERATOR, "-"}, {T_CISLO, "3"}}));
  EXPECT_EQ(tokeny("@x->-1"), (Tokeny{{T_PROMENNA, "@x"}, {T_PRIRAZENI, "->"}, {T_CISLO, "-1"}}));
  EXPECT_EQ(tokeny("1.5"), (Tokeny{{T_CISLO, "1"}, {T_SLOVO, ".5"}}));
  EXPECT_EQ(tokeny("1,x5 1e x5 1,5e-3"),
            (Tokeny{{T_CISLO, "1,5"}, {T_CISLO, "1e5"}, {T_CISLO, "1,5e-3"}}));
  EXPECT_EQ(
      tokeny("12abc +7 +x"),
      (Tokeny{
          {T_CISLO, "12"}, {T_SLOVO, "abc"}, {T_CISLO, "+7"}, {T_OPERATOR, "+"}, {T_SLOVO, "x"}}));
}

TEST(Scanner, WordsAndNamesDropWhatCannotContinueThem) {
  EXPECT_EQ(tokeny("ab_ cd ab__1"), (Tokeny{{T_SLOVO, "ab_cd"}, {T_SLOVO, "ab__1"}}));
  EXPECT_EQ(
      tokeny("@ x @X1y ~f ?g"),
      (Tokeny{{T_PROMENNA, "@x"}, {T_PROMENNA, "@y"}, {T_VOLANI, "~f"}, {T_DEKLARACE, "?g"}}));
  EXPECT_EQ(tokeny("Pis W2 w2_end ."),
            (Tokeny{{T_SLOVO, "is"}, {T_CISLO, "2"}, {T_SLOVO, "w2_end"}, {T_SLOVO, "."}}));
  EXPECT_EQ(tokeny(".x"), (Tokeny{{T_SLOVO, ".x"}}));
}

TEST(Scanner, OperatorsPairOnlyAsListed) {
  EXPECT_EQ(tokeny("!= <= >= =< - > ^_"), (Tokeny{{T_OPERATOR, "!="},
                                                  {T_OPERATOR, "<="},
                                                  {T_OPERATOR, ">="},
                                                  {T_OPERATOR, "="},
                                                  {T_OPERATOR, "<"},
                                                  {T_OPERATOR, "-"},
                                                  {T_OPERATOR, ">"},
                                                  {T_OPERATOR, "^"},
                                                  {T_OPERATOR, "_"}}));
  EXPECT_EQ(tokeny("{};"), (Tokeny{{T_ZAVORKA, "{"}, {T_ZAVORKA, "}"}, {T_STREDNIK, ";"}}));
}

TEST(Scanner, StringLiteralsKeepEscapesAndCutAtZero) {
  EXPECT_EQ(tokeny("\"a/\"b\" \"\""), (Tokeny{{T_RETEZEC, "a/\"b"}, {T_RETEZEC, ""}}));
  EXPECT_EQ(tokeny(std::string("\"ab\0cd\" x", 9)), (Tokeny{{T_RETEZEC, "ab"}, {T_SLOVO, "x"}}));
  EXPECT_EQ(tokeny("\"\xE9\r\n\" \xE9"), (Tokeny{{T_RETEZEC, "\xE9\r\n"}}));
}

TEST(Scanner, CommentsAndLoneColonsAreSkipped) {
  EXPECT_EQ(tokeny(":: line\nx :!!: y :! a !: z"),
            (Tokeny{{T_SLOVO, "x"}, {T_SLOVO, "y"}, {T_SLOVO, "z"}}));
  EXPECT_EQ(tokeny(":!:x!: y"), (Tokeny{{T_SLOVO, "y"}}));
  EXPECT_EQ(tokeny(": a : b\nc"), (Tokeny{{T_SLOVO, "c"}}));
}

TEST(Scanner, EndOfInputInsideAnUnfinishedTokenDropsIt) {
  for (const char* zdroj : {"x \"abc", "x :!abc", "x ::abc", "x 1,", "x 1e", "x 1e+", "x ab_",
                            "x @", "x ~", "x ?", "x :", "x \"a/"}) {
    EXPECT_EQ(tokeny(zdroj), (Tokeny{{T_SLOVO, "x"}})) << zdroj;
  }
}

TEST(Scanner, EndOfInputRepeatsForever) {
  TextovyVstup f("x");
  Skener s(f);
  Token t;
  s.skenuj(t);
  EXPECT_EQ(t.text, "x");
  for (int i = 0; i < 3; ++i) {
    s.skenuj(t);
    EXPECT_EQ(t.druh, T_KONEC);
    EXPECT_EQ(t.text, KONEC);
  }
}

TEST(Scanner, LineFeedIsCountedWhenFirstRead) {
  TextovyVstup f("a\nb \nc\r\nd");
  Skener s(f);
  Token t;
  s.skenuj(t);  // "a", its line feed read as look-ahead
  EXPECT_EQ(s.cislo_radku(), 2u);
  s.skenuj(t);  // "b", followed by a blank: its line feed not read yet
  EXPECT_EQ(s.cislo_radku(), 2u);
  s.skenuj(t);  // "c", followed by CR: the line feed comes after the token
  EXPECT_EQ(t.text, "c");
  EXPECT_EQ(s.cislo_radku(), 3u);
  s.skenuj(t);
  EXPECT_EQ(t.text, "d");
  EXPECT_EQ(s.cislo_radku(), 4u);
}

TEST(Scanner, KeywordsAreTaggedByTextWhateverTheKind) {
  TextovyVstup f("\"pis\" pis pisx \"(\" ;");
  Skener s(f);
  Token t;
  using moxa::Znacka;
  const std::pair<int, Znacka> ocekavane[] = {{T_RETEZEC, Znacka::Pis},
                                              {T_SLOVO, Znacka::Pis},
                                              {T_SLOVO, Znacka::Zadna},
                                              {T_RETEZEC, Znacka::LevaKulata},
                                              {T_STREDNIK, Znacka::Strednik}};
  for (const auto& [druh, znacka] : ocekavane) {
    s.skenuj(t);
    EXPECT_EQ(t.druh, druh) << t.text;
    EXPECT_EQ(t.znacka, znacka) << t.text;
  }
}

}  // namespace
