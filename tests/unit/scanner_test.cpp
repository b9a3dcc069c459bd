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
using Tokeny = std::vector<std::pair<int, std::string>>;

// Every token up to and including the first end-of-input token.
Tokeny tokeny(std::string_view zdroj) {
  TextovyVstup f(zdroj);
  Skener s(f);
  Tokeny v;
  Token t;
  do {
    s.skenuj(t);
    v.emplace_back(t.kind, t.text);
  } while (t.kind != moxa::T_KONEC && v.size() < 1000);
  return v;
}

const std::string KONEC = "\xFF";

TEST(Scanner, NumbersTakeTheirSignCommaAndExponent) {
  EXPECT_EQ(tokeny("5-3"), (Tokeny{{0, "5"}, {0, "-3"}, {7, KONEC}}));
  EXPECT_EQ(tokeny("5 - 3"), (Tokeny{{0, "5"}, {9, "-"}, {0, "3"}, {7, KONEC}}));
  EXPECT_EQ(tokeny("@x->-1"), (Tokeny{{10, "@x"}, {8, "->"}, {0, "-1"}, {7, KONEC}}));
  EXPECT_EQ(tokeny("1.5"), (Tokeny{{0, "1"}, {5, ".5"}, {7, KONEC}}));
  EXPECT_EQ(tokeny("1,x5 1e x5 1,5e-3"),
            (Tokeny{{0, "1,5"}, {0, "1e5"}, {0, "1,5e-3"}, {7, KONEC}}));
  EXPECT_EQ(tokeny("12abc +7 +x"),
            (Tokeny{{0, "12"}, {5, "abc"}, {0, "+7"}, {9, "+"}, {5, "x"}, {7, KONEC}}));
}

TEST(Scanner, WordsAndNamesDropWhatCannotContinueThem) {
  EXPECT_EQ(tokeny("ab_ cd ab__1"), (Tokeny{{5, "ab_cd"}, {5, "ab__1"}, {7, KONEC}}));
  EXPECT_EQ(tokeny("@ x @X1y ~f ?g"),
            (Tokeny{{10, "@x"}, {10, "@y"}, {11, "~f"}, {12, "?g"}, {7, KONEC}}));
  EXPECT_EQ(tokeny("Pis W2 w2_end ."),
            (Tokeny{{5, "is"}, {0, "2"}, {5, "w2_end"}, {5, "."}, {7, KONEC}}));
  EXPECT_EQ(tokeny(".x"), (Tokeny{{5, ".x"}, {7, KONEC}}));
}

TEST(Scanner, OperatorsPairOnlyAsListed) {
  EXPECT_EQ(tokeny("!= <= >= =< - > ^_"), (Tokeny{{9, "!="},
                                                  {9, "<="},
                                                  {9, ">="},
                                                  {9, "="},
                                                  {9, "<"},
                                                  {9, "-"},
                                                  {9, ">"},
                                                  {9, "^"},
                                                  {9, "_"},
                                                  {7, KONEC}}));
  EXPECT_EQ(tokeny("{};"), (Tokeny{{6, "{"}, {6, "}"}, {4, ";"}, {7, KONEC}}));
}

TEST(Scanner, StringLiteralsKeepEscapesAndCutAtZero) {
  EXPECT_EQ(tokeny("\"a/\"b\" \"\""), (Tokeny{{1, "a/\"b"}, {1, ""}, {7, KONEC}}));
  EXPECT_EQ(tokeny(std::string("\"ab\0cd\" x", 9)), (Tokeny{{1, "ab"}, {5, "x"}, {7, KONEC}}));
  EXPECT_EQ(tokeny("\"\xE9\r\n\" \xE9"), (Tokeny{{1, "\xE9\r\n"}, {7, KONEC}}));
}

TEST(Scanner, CommentsAndLoneColonsAreSkipped) {
  EXPECT_EQ(tokeny(":: line\nx :!!: y :! a !: z"),
            (Tokeny{{5, "x"}, {5, "y"}, {5, "z"}, {7, KONEC}}));
  EXPECT_EQ(tokeny(":!:x!: y"), (Tokeny{{5, "y"}, {7, KONEC}}));
  EXPECT_EQ(tokeny(": a : b\nc"), (Tokeny{{5, "c"}, {7, KONEC}}));
}

TEST(Scanner, EndOfInputInsideAnUnfinishedTokenDropsIt) {
  for (const char* zdroj : {"x \"abc", "x :!abc", "x ::abc", "x 1,", "x 1e", "x 1e+", "x ab_",
                            "x @", "x ~", "x ?", "x :", "x \"a/"}) {
    EXPECT_EQ(tokeny(zdroj), (Tokeny{{5, "x"}, {7, KONEC}})) << zdroj;
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
    EXPECT_EQ(t.kind, moxa::T_KONEC);
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
  s.skenuj(t);
  EXPECT_EQ(t.kind, moxa::T_RETEZEC);
  EXPECT_EQ(t.znacka, moxa::Znacka::Pis);
  s.skenuj(t);
  EXPECT_EQ(t.znacka, moxa::Znacka::Pis);
  s.skenuj(t);
  EXPECT_EQ(t.znacka, moxa::Znacka::Zadna);
  s.skenuj(t);
  EXPECT_EQ(t.znacka, moxa::Znacka::LevaKulata);
  s.skenuj(t);
  EXPECT_EQ(t.znacka, moxa::Znacka::Strednik);
}

}  // namespace
