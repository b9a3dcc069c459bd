// The interpreter's limits, reached by programs built here at run time: nesting up to the
// deepest level allowed and one beyond it, in every shape that opens a level; flat
// constructs of any length; the longest value; numbers at the ends of the double range;
// tokens cut off by the end of input; and every byte in every place of a program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run.hpp"
#include "limits/sanitizers.hpp"
#include "tests/compare.hpp"
#include "tests/texts.hpp"

namespace {

using std::string;
using texty::neuspech;
using texty::uspech;

const string HELLO(texty::HELLO);
const string BYE(texty::BYE);

constexpr int HLOUBKA = 10'000;         // levels that may be open at once
constexpr std::size_t DELKA = 1 << 20;  // bytes a computed value may have

// A sanitizer slows each run down some twenty times; there the byte sweep takes fewer bytes.
constexpr bool POMALU = MOXA_ASAN;

// `s` written `n` times.
template <typename N>
string krat(std::string_view s, N n) {
  string r;
  r.reserve(s.size() * static_cast<std::size_t>(n));
  for (N i = 0; i < n; ++i)
    r.append(s);
  return r;
}

// Runs a program the default way, with loops compiled, and once more with loops replayed
// from their recorded tokens: the two must print the same bytes.
string beh(const string& program, const string& vstup = {}) {
  const porovnani::DvaBehy d = porovnani::oba_zpusoby(program, vstup);
  if (!d.stejne()) {
    ADD_FAILURE() << "a program of " << program.size() << " bytes: " << d.rozdil();
  }
  return d.prelozene;
}

string dlouha(const string& blok, int radek) {
  return texty::chyba(blok, radek, texty::PRILIS_DLOUHA);
}

// Compares long outputs without printing them whole.
void stejne(const string& ocekavano, const string& skutecne, const string& co) {
  if (ocekavano != skutecne) ADD_FAILURE() << co << ": " << porovnani::rozdil(ocekavano, skutecne);
}

// A program whose main block opens `bloku` blocks inside it, each of a shape `tvary` gives in
// turn, and whose innermost statement prints a value nested `vyrazu` levels deep in
// brackets and calls; the main block is one level more.
struct Tvar {
  string otevri, zavri;
};

string vnorene(const std::vector<Tvar>& tvary, int bloku, int vyrazu, const string& uvod = "{",
               const string& zaver = "}.") {
  static const Tvar VYRAZY[] = {{"(", ")"}, {"~f(", ")"}, {"~g(1;", ")"}};
  string p = uvod;
  for (int i = 0; i < bloku; ++i)
    p += tvary[static_cast<std::size_t>(i) % tvary.size()].otevri;
  p += "pis_ln(";
  for (int i = 0; i < vyrazu; ++i)
    p += VYRAZY[i % 3].otevri;
  p += "5";
  for (int i = vyrazu - 1; i >= 0; --i)
    p += VYRAZY[i % 3].zavri;
  p += ");";
  for (int i = bloku - 1; i >= 0; --i)
    p += tvary[static_cast<std::size_t>(i) % tvary.size()].zavri;
  return p + zaver;
}

const Tvar PODMINKA{"i2(1){", "}i2_end;"};
const Tvar CYKLUS{"@w->1;w2(@w){@w->0;", "}w2_end;"};
const std::vector<Tvar> MIX{PODMINKA, CYKLUS, {"i2(0){}e2{", "}i2_end;"}};

// Every shape that opens a level, nested as deep as it may be, and one level deeper: the
// program of `hloubka` levels prints `vystup`, one more gives the nesting message of `blok`.
TEST(Nesting, EveryShapeUpToTheLimit) {
  const struct {
    const char* jmeno;
    string (*program)(int);
    int hloubka;
    const char* vystup;
    const char* blok;
  } tvary[] = {
      {"brackets", [](int k) { return "{pis_ln(" + krat("(", k) + "1" + krat(")", k) + ");}."; },
       HLOUBKA - 1, "1\n", "Faktor"},
      {"calls in call arguments",
       [](int k) { return "{pis_ln(" + krat("~f(", k) + "1" + krat(")", k) + ");}."; }, HLOUBKA - 1,
       "1\n", "Faktor"},
      // A call statement is no factor and opens no level; the calls in its arguments do.
      {"calls in a call statement",
       [](int k) { return "{~f(" + krat("~f(", k) + "1" + krat(")", k + 1) + ";pis_ln(2);}."; },
       HLOUBKA - 1, "2\n", "Faktor"},
      {"conditionals", [](int k) { return vnorene({PODMINKA}, k, 0); }, HLOUBKA - 1, "5\n", "Blok"},
      // Code that is passed over opens its levels all the same.
      {"passed-over conditionals",
       [](int k) { return vnorene({PODMINKA}, k, 0, "{i2(0){", "}i2_end;}."); }, HLOUBKA - 2, "",
       "Blok"},
      {"loops", [](int k) { return vnorene({CYKLUS}, k, 0); }, HLOUBKA - 1, "5\n", "Blok"},
      // The declaration's block is the outermost level; the main block comes after it.
      {"a declaration's block",
       [](int k) {
         return "?f(p2 @a){" + krat(PODMINKA.otevri, k) + "pis_ln(7);" + krat(PODMINKA.zavri, k) +
                "}{pis_ln(8);}.";
       },
       HLOUBKA - 1, "7\n8\n", "Blok"},
      {"mixed blocks", [](int k) { return vnorene(MIX, k, 0); }, HLOUBKA - 1, "5\n", "Blok"},
      {"mixed blocks, then expressions", [](int k) { return vnorene(MIX, 5'000, k); },
       HLOUBKA - 5'001, "5\n", "Faktor"},
      {"a block, then expressions", [](int k) { return vnorene(MIX, 1, k); }, HLOUBKA - 2, "5\n",
       "Faktor"},
  };
  for (const auto& t : tvary) {
    EXPECT_EQ(beh(t.program(t.hloubka)), uspech(t.vystup)) << t.jmeno;
    EXPECT_EQ(beh(t.program(t.hloubka + 1)),
              neuspech("", texty::chyba(t.blok, 1, texty::PRILIS_HLUBOKO)))
        << t.jmeno;
  }
}

TEST(Nesting, LevelsCloseAgainAfterTheDeepestPoint) {
  // Two nests of full depth one after the other: the first leaves no level open.
  const string nest = krat("(", HLOUBKA - 1) + "1" + krat(")", HLOUBKA - 1);
  EXPECT_EQ(beh("{pis_ln(" + nest + " + " + nest + ");pis_ln(" + nest + ");}."),
            uspech("2.000000\n1\n"));
}

TEST(Flat, AMillionStatementsInOneBlock) {
  EXPECT_EQ(beh("{@a->0;" + krat("@a->@a + 1;", 1'000'000) + "pis_ln(@a);}."),
            uspech("1000000.000000\n"));
}

TEST(Flat, ChainsOfAMillionOperators) {
  const std::size_t n = 1'000'000;
  EXPECT_EQ(beh("{pis_ln(0" + krat(" + 1", n) + ");}."), uspech("1000000.000000\n"));
  EXPECT_EQ(beh("{pis_ln(0" + krat(" - 1", n) + ");}."), uspech("-1000000.000000\n"));
  EXPECT_EQ(beh("{pis_ln(1" + krat(" * 1", n) + ");}."), uspech("1.000000\n"));
  EXPECT_EQ(beh("{pis_ln(1" + krat(" = 1", n) + ");}."), uspech("1\n"));
  EXPECT_EQ(beh("{pis_ln(0" + krat(" | 0", n - 1) + " | 1);}."), uspech("1\n"));
  stejne(uspech(string(n, 'a') + "\n"), beh("{pis_ln(\"\"" + krat(" + \"a\"", n) + ");}."),
         "a chain of joins");
}

TEST(Flat, AHundredThousandArgumentsParametersAndDeclarations) {
  const std::size_t n = 100'000;
  EXPECT_EQ(beh("{pis_ln(~f(" + krat("1;", n - 1) + "2;));}."), uspech("2\n"));
  EXPECT_EQ(beh("?f(" + krat("p2 @a;", n - 1) + "p2 @b){pis_ln(3);}{}."), uspech("3\n"));
  EXPECT_EQ(beh(krat("?f(){pis(1);}", n) + "{pis_ln(\"\");}."), uspech(string(n, '1') + "\n"));
}

TEST(Values, AJoinMayReachTheLongestValueButNotPassIt) {
  const string pul = string(DELKA / 2, 'x');
  stejne(uspech(string(DELKA, 'x') + "\n"), beh("{@a->\"" + pul + "\";@b->@a + @a;pis_ln(@b);}."),
         "a join of the longest size");
  // The first join reaches the longest value; the second would pass it. The ';' after "y"
  // has read the line feed behind it, so the message quotes line 4.
  EXPECT_EQ(beh("{\n@a->\"" + pul + "\";\n@b->@a + @a + \"y\";\n}."),
            neuspech("", dlouha("Vnitrni_aritmeticky_vyraz", 4)));
}

TEST(Values, ALiteralMayBeLongerButNotJoinedToAnything) {
  const string literal(2 * DELKA, 'z');
  stejne(neuspech(literal + "\n", dlouha("Vnitrni_aritmeticky_vyraz", 1)),
         beh("{@a->\"" + literal + "\";pis_ln(@a);@b->@a + \"\";pis_ln(1);}."), "a long literal");
}

TEST(Values, AReadWordMayReachTheLongestValueButNotPassIt) {
  const string program = "{\ncti(@a);\npis(@a);}.";
  stejne(uspech(string(DELKA, 'w')), beh(program, string(DELKA, 'w') + " rest"),
         "a word of the longest size");
  EXPECT_EQ(beh(program, string(DELKA + 1, 'w')), neuspech("", dlouha("Cti", 2)));
  // A word read in code that is passed over is never stored, so its length does not matter.
  EXPECT_EQ(beh("{i2(0){cti(@a);}i2_end;cti(@b);pis_ln(@b);pis_ln(@a);}.",
                string(3 * DELKA, 'w') + "\ndruhe"),
            uspech("druhe\nhodnota neurcena\n"));
}

TEST(Values, NumbersAtTheEndsOfTheDoubleRange) {
  char plne[400];
  std::snprintf(plne, sizeof plne, "%f", 1e300);
  EXPECT_EQ(beh("{pis_ln(1e308 * 10);pis_ln(-1e308 * 10);pis_ln(1e300 * 1);}."),
            uspech("inf\n-inf\n" + string(plne) + "\n"));
}

// The end of input inside an unfinished token drops the token; the block then misses its
// "}" and quotes the end-of-input token. Every line feed inside the dropped token counts.
TEST(EndOfInput, UnfinishedTokensAreDropped) {
  struct Konec {
    const char* text;
    int radek;
  };
  const Konec konce[] = {
      {"\"abc", 1},   {"\"ab/", 1}, {"\"a\n\nb", 3}, {":!abc", 1}, {":!a!", 1},
      {":!\n!\n", 3}, {"::abc", 1}, {"1,", 1},       {"1e", 1},    {"1e+", 1},
      {"1,5e-", 1},   {"ab_", 1},   {"ab__", 1},     {"@x_", 1},   {"@", 1},
      {"~", 1},       {"?", 1},     {"@X", 1},       {":", 1},     {": a b\n", 2},
  };
  for (const Konec& k : konce) {
    const string program = string("{pis_ln(1);") + k.text;
    const string ocekavano = neuspech("1\n", texty::ocekavan("Blok", k.radek, "}", "\xFF"));
    EXPECT_EQ(beh(program), ocekavano) << k.text;
    EXPECT_EQ(moxa::spust_text_ze_vstupu(program), ocekavano) << k.text;
  }
  const string prvni = neuspech("", texty::ocekavan("Blok", 1, "{", "\xFF"));
  EXPECT_EQ(beh("\"{"), prvni);
  EXPECT_EQ(moxa::spust_text_ze_vstupu(":!{}."), prvni);
}

// Every byte value in every place of a program that holds every kind of token: each run
// must end as a run ends, with the success line or the error verdict and then the closing
// banner, and print the same with loops compiled and replayed. A step budget stops the runs
// whose loop a changed byte has made endless.
TEST(Hostile, EveryByteInEveryPlace) {
  const string program =
      "?f(p2 @a_b;){pis(\"a/\"b\");}{@x->-1,5e+3*(2-~f(3))%7;::c\n"
      "i2(@x<=1|!0&1!=2){pis_ln(@x+\"t\");}e2{cti(@y);}i2_end;w2(@i){@i->0;}w2_end;:!b!:"
      "pis(@i>=1e3);}.";
  ASSERT_EQ(beh(program, "slovo"), uspech("a/\"b1.000000t\n0"));
  std::vector<int> bajty;
  for (int b = 0; b < 256; ++b) {
    // Under a sanitizer: every byte that is no letter or digit, a few that are, and the
    // lowest and highest of the upper half.
    const bool znak = std::isalnum(b) == 0 || std::strchr("aeipwcz019AZ", b) != nullptr;
    if (!POMALU || (b < 128 && znak) || b == 128 || b == 255) {
      bajty.push_back(b);
    }
  }
  const moxa::Nastaveni nastaveni{100'000, 1 << 20};
  int selhani = 0;
  for (std::size_t i = 0; i < program.size() && selhani < 10; ++i) {
    for (const int b : bajty) {
      string p = program;
      p[i] = static_cast<char>(b);
      const porovnani::DvaBehy d = porovnani::oba_zpusoby(p, "slovo", nastaveni);
      const string& out = d.prelozene;
      // Loops replayed from their recorded tokens print the same bytes.
      if (!d.stejne()) {
        ++selhani;
        ADD_FAILURE() << "byte " << b << " at " << i << ": " << d.rozdil();
      }
      const std::string_view pred =
          std::string_view(out).substr(0, out.size() - std::min(out.size(), BYE.size()));
      if (out.size() < HELLO.size() + BYE.size() + texty::USPECH.size() ||
          !out.starts_with(HELLO) || !out.ends_with(BYE) ||
          !(pred.ends_with(texty::USPECH) || pred.ends_with(texty::VERDIKT))) {
        ++selhani;
        ADD_FAILURE() << "byte " << b << " at " << i << " ends the run with: "
                      << out.substr(out.size() > 200 ? out.size() - 200 : 0);
      }
    }
  }
}

}  // namespace
