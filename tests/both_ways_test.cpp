// Every golden program prints exactly its <case>.out, given its <case>.in (if any) as input.
// Loops run two ways, from the code compiled in their first pass and by replaying their
// recorded tokens, and must print the same bytes for every program, valid or not: golden
// programs with their input on its own stream and on the program's, under step budgets that
// stop them at every point of their first passes; thousands of generated programs; and the
// interpreter's limits: nesting, flat constructs of any length, the longest value, tokens cut
// off by the end of input, every byte in every place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "driver/run.hpp"
#include "limits/sanitizers.hpp"
#include "tests/api/shapes.hpp"
#include "tests/compare.hpp"
#include "tests/golden.hpp"
#include "tests/texts.hpp"

namespace {

using moxa::testy::opakuj;
using std::string;
using texty::neuspech;
using texty::uspech;

int rozdilu = 0;  // programs found to run differently so far

// Runs `program` both ways; reports any difference, and returns the compiled output.
string oboji(const string& program, const string& vstup, std::uint64_t limit_kroku,
             bool jeden_proud, const string& co) {
  moxa::Nastaveni n;
  n.limit_kroku = limit_kroku;
  n.limit_vystupu = std::size_t{1} << 20;
  const porovnani::DvaBehy d = porovnani::oba_zpusoby(program, vstup, n, jeden_proud, true);
  if (!d.stejne()) {
    ++rozdilu;
    ADD_FAILURE() << co << " (budget " << limit_kroku << (jeden_proud ? ", one stream" : "")
                  << "): " << d.rozdil() << "\nprogram:\n"
                  << program;
  }
  return d.prelozene;
}

TEST(BothWays, EveryGoldenProgramUnderEveryEarlyStepBudget) {
  const std::vector<Zlaty> programy = zlate_programy();
  ASSERT_GT(programy.size(), 100U);
  for (const Zlaty& z : programy) {
    // Without a budget both ways print what the golden file holds.
    const string vystup = oboji(z.program, z.vstup, 0, false, z.jmeno);
    EXPECT_TRUE(vystup == z.vystup) << z.jmeno << "\n" << porovnani::rozdil(z.vystup, vystup);
    oboji(z.program, z.vstup, 0, true, z.jmeno);
    // A budget stops the run in the middle of a first pass or of a later pass.
    for (std::uint64_t limit = 1; limit < 400; limit += 1 + limit / 8)
      oboji(z.program, z.vstup, limit, false, z.jmeno);
  }
}

// Random programs built from the shapes where the two ways could part: loops nested in
// loops and in branches, conditions that are false at once, reads in passed-over code, calls
// that leave values on the value stack, operators that fail on texts, joins, and line feeds
// in every place so that messages quote different lines.
class Generator {
 public:
  explicit Generator(std::uint32_t seed) : rng_(seed) {}

  string program() {
    pocitadel_ = 0;
    string p = "{\n";
    for (int i = 0; i < 4; ++i)
      p += "@v" + std::to_string(i) + " -> " + std::to_string(nahodne(0, 4)) + ";\n";
    p += blok_obsah(0);
    return p + "pis_ln(@v0 + \"|\" + @v1);\n}.";
  }

 private:
  int nahodne(int od, int po) { return std::uniform_int_distribution<int>(od, po)(rng_); }
  string radek() { return nahodne(0, 3) == 0 ? "\n" : " "; }
  string promenna() { return "@v" + std::to_string(nahodne(0, 3)); }

  string faktor(int hloubka) {
    switch (nahodne(0, hloubka > 2 ? 4 : 7)) {
      case 0:
      case 1: return promenna();
      case 2: return std::to_string(nahodne(0, 9));
      case 3: return nahodne(0, 1) == 0 ? "\"ab\"" : "\"1,5\"";
      case 4: return nahodne(0, 1) == 0 ? "2,5" : "0.25e1";
      case 5: return "(" + vyraz(hloubka + 1) + ")";
      case 6: return "~f(" + vyraz(hloubka + 1) + ")";
      default: return nahodne(0, 1) == 0 ? "~g()" : "~h(" + vyraz(hloubka + 1) + "; 1)";
    }
  }

  string vyraz(int hloubka) {
    static const char* const OPERATORY[] = {" + ", " - ",  " * ",  " / ",  " % ", " < ", " > ",
                                            " = ", " != ", " <= ", " >= ", " & ", " | "};
    string v = nahodne(0, 6) == 0 ? "!" : "";
    v += faktor(hloubka);
    for (int n = nahodne(0, 3); n > 0; --n) {
      v += OPERATORY[nahodne(0, 12)];
      v += radek() + faktor(hloubka);
    }
    return v;
  }

  // A loop that stops: its counter runs down from a small number, unless the body changes
  // it (then the step budget stops the run the same way in both).
  string cyklus(int hloubka) {
    const string c = "@c" + std::to_string(pocitadel_++);
    string s = c + " -> " + std::to_string(nahodne(0, 3)) + ";" + radek();
    s += "w2 (" + c + " > 0" + (nahodne(0, 4) == 0 ? " & " + vyraz(1) : "") + ")" + radek();
    s += "{" + radek() + c + " -> " + c + " - 1;" + radek();
    // A variable turns into a text in a later pass, so that operators fail there, not in
    // the first pass.
    if (nahodne(0, 1) == 0) {
      s += "i2 (" + c + " < " + std::to_string(nahodne(1, 2)) + ") { " + promenna() + " -> " +
           (nahodne(0, 1) == 0 ? "\"ab\"" : "\"\"") + "; } i2_end;" + radek();
    }
    s += blok_obsah(hloubka + 1) + "}";
    return s + radek() + "w2_end";
  }

  string prikaz(int hloubka) {
    switch (nahodne(0, hloubka > 3 ? 5 : 8)) {
      case 0:
      case 1: return promenna() + " ->" + radek() + vyraz(0);
      case 2: return "pis(" + vyraz(0) + ")";
      case 3: return "cti(" + promenna() + ")";
      case 4: return "~f(" + (nahodne(0, 1) == 0 ? vyraz(0) : string()) + ")";
      case 5: return "pis_ln(" + promenna() + ")";
      case 6:
      case 7: return cyklus(hloubka);
      default: {
        string s = "i2 (" + vyraz(0) + ")" + radek() + "{" + blok_obsah(hloubka + 1) + "}";
        if (nahodne(0, 1) == 0) s += radek() + "e2 {" + radek() + blok_obsah(hloubka + 1) + "}";
        return s + radek() + "i2_end";
      }
    }
  }

  string blok_obsah(int hloubka) {
    string s;
    for (int n = nahodne(1, 4); n > 0; --n)
      s += prikaz(hloubka) + ";" + radek();
    return s;
  }

  std::mt19937 rng_;
  int pocitadel_ = 0;
};

TEST(BothWays, GeneratedLoopPrograms) {
  const string slova = "1 2 ab 3,5 -4 x 0 7 1e2 zz 5 6 7 8 9 10 11 12";
  int uspesnych = 0;
  const int pred = rozdilu;
  for (std::uint32_t seed = 1; seed <= 3000 && rozdilu < pred + 5; ++seed) {
    Generator g(seed);
    const string program = g.program();
    const string vystup = oboji(program, slova, 20'000, false, "seed " + std::to_string(seed));
    if (seed % 10 == 0) oboji(program, slova, seed % 300, false, "seed " + std::to_string(seed));
    if (seed % 10 == 5) oboji(program, " " + slova, 20'000, true, "seed " + std::to_string(seed));
    if (vystup.find(texty::USPECH) != string::npos) ++uspesnych;
  }
  // The generator must give both outcomes often, or it tests too little.
  EXPECT_GT(uspesnych, 300);
  EXPECT_LT(uspesnych, 2700);
}

// Every binary operator in every place its operands and result can take: both operands in
// variables or literals, the left one computed in brackets; the result stored, printed or
// tested. The operands change between passes (a fraction, a zero, a text), so that later
// passes take each operator's number path, its text path and its messages.
TEST(BothWays, EveryOperatorInEveryPlace) {
  static const char* const OPERATORY[] = {"+", "-",  "*",  "/",  "%", "<", ">",
                                          "=", "!=", "<=", ">=", "&", "|"};
  static const char* const TVARY[] = {
      "@r -> @a # @b;", "@r -> @a # 3;", "@r -> 3 # @b;", "@r -> \"2,5\" # 4;", "pis(@a # @b);",
      "pis(@a # 3 + 1);", "pis(4 # @b);", "pis(\"x\" # 2);", "i2 (@a # @b) { pis(1); } i2_end;",
      "i2 (@a # 0) { pis(1); } e2 { pis(0); } i2_end;", "i2 (4 # @b) { pis(1); } i2_end;",
      "i2 (0,5 # 2) { pis(1); } i2_end;", "@r -> (@a - @c) # @b;", "@r -> (@a - @c) # 7;",
      "pis((@a - @c) # @b);", "pis((@a - @c) # 2);", "i2 ((@a - @c) # @b) { pis(1); } i2_end;",
      "i2 ((@a - @c) # 3) { pis(1); } i2_end;",
      // A literal too long to be held inline in a value.
      "@r -> @a # \"a text longer than twenty-two bytes\";"};
  const int pred = rozdilu;
  int dobehlo = 0;
  for (const char* op : OPERATORY) {
    for (const char* tvar : TVARY) {
      string prikaz = tvar;
      prikaz.replace(prikaz.find('#'), 1, op);
      // The loop as it is, and stopping after its first pass.
      const auto s_mezi = [&prikaz](const char* mez) {
        return "{ @n -> 0; @a -> 7; @b -> 2; @c -> 1; @r -> 0;\nw2 (@n < " + string(mez) + ") {\n" +
               prikaz +
               "\npis_ln(\" \" + @r); @n -> @n + 1;\n"
               "i2 (@n = 1) { @a -> 2,5; @b -> -0,75; } i2_end;\n"
               "i2 (@n = 2) { @b -> 0; @c -> \"1e1\"; } i2_end;\n"
               "i2 (@n = 3) { @a -> \"1,5\"; } i2_end;\n"
               "i2 (@n = 4) { @b -> \"ab\"; } i2_end;\n"
               "} w2_end; }.";
      };
      const string program = s_mezi("5");
      const string vystup = oboji(program, "", 0, false, program);
      // Whatever the later passes do, the run begins with what the same loop prints when
      // it stops after one pass; when that pass fails, the runs are the same to the end.
      const string jednou = s_mezi("1");
      const string prvni = oboji(jednou, "", 0, false, jednou);
      const std::size_t konec = std::min(prvni.rfind(texty::USPECH), prvni.size());
      EXPECT_EQ(vystup.substr(0, konec), prvni.substr(0, konec)) << program;
      // The first pass runs on numbers and completes, unless the statement holds a literal
      // that is no number and its operator needs numbers.
      const bool text = string(tvar).find("\"x\"") != string::npos ||
                        string(tvar).find("a text longer") != string::npos;
      const bool jen_cisla = string("- * / % & |").find(op) != string::npos;
      EXPECT_EQ(konec < prvni.size(), !(text && jen_cisla)) << jednou;
      if (vystup.find(texty::USPECH) != string::npos) ++dobehlo;
    }
  }
  EXPECT_EQ(rozdilu, pred);
  // Comparisons and "+" run on texts; the other operators stop there.
  EXPECT_GT(dobehlo, 100);
  EXPECT_LT(dobehlo, static_cast<int>(std::size(OPERATORY) * std::size(TVARY)));
}

constexpr int HLOUBKA = 10'000;         // levels that may be open at once
constexpr std::size_t DELKA = 1 << 20;  // bytes a computed value may have

// A sanitizer slows each run down some twenty times; there the byte sweep takes fewer bytes.
constexpr bool POMALU = MOXA_ASAN;

// Runs a program with loops compiled, and with loops replayed: both must print the same.
string beh(const string& program, const string& vstup = {}) {
  const porovnani::DvaBehy d = porovnani::oba_zpusoby(program, vstup);
  if (!d.stejne()) ADD_FAILURE() << "a program of " << program.size() << " bytes: " << d.rozdil();
  return d.prelozene;
}

// Compares long outputs without printing them whole.
void stejne(const string& ocekavano, const string& skutecne, const string& co) {
  if (ocekavano != skutecne) ADD_FAILURE() << co << ": " << porovnani::rozdil(ocekavano, skutecne);
}

// A program whose main block opens `bloku` blocks, of the shapes of `tvary` in turn, around a
// statement that prints a value nested `vyrazu` levels deep in brackets and calls.
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

// Every shape that opens a level: `hloubka` levels print `vystup`, one more gives the nesting
// message of `blok`. (Brackets are the golden programs deep_brackets and deep_brackets_limit.)
TEST(Nesting, EveryShapeUpToTheLimit) {
  const struct {
    const char* jmeno;
    string (*program)(int);
    int hloubka;
    const char* vystup;
    const char* blok;
  } tvary[] = {
      {"calls in call arguments",
       [](int k) { return "{pis_ln(" + opakuj(k, "~f(") + "1" + opakuj(k, ")") + ");}."; },
       HLOUBKA - 1, "1\n", "Faktor"},
      // A call statement is no factor and opens no level; the calls in its arguments do.
      {"calls in a call statement",
       [](int k) { return "{~f(" + opakuj(k, "~f(") + "1" + opakuj(k + 1, ")") + ";pis_ln(2);}."; },
       HLOUBKA - 1, "2\n", "Faktor"},
      // Code that is passed over opens its levels all the same.
      {"passed-over conditionals",
       [](int k) { return vnorene({PODMINKA}, k, 0, "{i2(0){", "}i2_end;}."); }, HLOUBKA - 2, "",
       "Blok"},
      {"loops", [](int k) { return vnorene({CYKLUS}, k, 0); }, HLOUBKA - 1, "5\n", "Blok"},
      // The declaration's block is the outermost level; the main block after it finds all closed.
      {"a declaration's block",
       [](int k) {
         return "?f(p2 @a){" + opakuj(k, PODMINKA.otevri) + "pis_ln(7);" +
                opakuj(k, PODMINKA.zavri) + "}{pis_ln(8);}.";
       },
       HLOUBKA - 1, "7\n8\n", "Blok"},
      {"mixed blocks", [](int k) { return vnorene(MIX, k, 0); }, HLOUBKA - 1, "5\n", "Blok"},
      {"mixed blocks, then expressions", [](int k) { return vnorene(MIX, 5'000, k); },
       HLOUBKA - 5'001, "5\n", "Faktor"},
  };
  for (const auto& t : tvary) {
    EXPECT_EQ(beh(t.program(t.hloubka)), uspech(t.vystup)) << t.jmeno;
    EXPECT_EQ(beh(t.program(t.hloubka + 1)),
              neuspech("", texty::chyba(t.blok, 1, texty::PRILIS_HLUBOKO)))
        << t.jmeno;
  }
}

// Flat constructs of any length: a million statements in a block or operators in a chain, a
// hundred thousand arguments, parameters or declarations.
TEST(Flat, ConstructsOfAnyLength) {
  const std::size_t n = 1'000'000, m = 100'000;
  const std::pair<string, string> pripady[] = {
      {"{@a->0;" + opakuj(n, "@a->@a + 1;") + "pis_ln(@a);}.", "1000000.000000\n"},
      {"{pis_ln(0" + opakuj(n, " + 1") + ");}.", "1000000.000000\n"},
      {"{pis_ln(1" + opakuj(n, " * 1") + ");}.", "1.000000\n"},
      {"{pis_ln(1" + opakuj(n, " = 1") + ");}.", "1\n"},
      {"{pis_ln(0" + opakuj(n - 1, " | 0") + " | 1);}.", "1\n"},
      {"{pis_ln(\"\"" + opakuj(n, " + \"a\"") + ");}.", string(n, 'a') + "\n"},
      {"{pis_ln(~f(" + opakuj(m - 1, "1;") + "2;));}.", "2\n"},
      {"?f(" + opakuj(m - 1, "p2 @a;") + "p2 @b){pis_ln(3);}{}.", "3\n"},
      {opakuj(m, "?f(){pis(1);}") + "{pis_ln(\"\");}.", string(m, '1') + "\n"},
  };
  for (const auto& [program, vystup] : pripady)
    stejne(uspech(vystup), beh(program), program.substr(0, 30));
}

// The longest value: a join or a word read may reach it but not pass it (the ';' after "y" has
// read the line feed behind it, so the message quotes line 4); a literal may be longer but not
// joined to anything; a word read in code passed over is never stored, so its length does not
// matter. (The golden program value_size_limit joins up to it; inf_and_nan and
// long_number_result hold the ends of the double range.)
TEST(Values, TheLongestValue) {
  const string pul(DELKA / 2, 'x'), literal(2 * DELKA, 'z'), cti = "{\ncti(@a);\npis(@a);}.";
  const auto dlouha = [](const char* blok, int radek) {
    return texty::chyba(blok, radek, texty::PRILIS_DLOUHA);
  };
  const struct {
    string program, vstup, vystup;
  } pripady[] = {
      {"{\n@a->\"" + pul + "\";\n@b->@a + @a + \"y\";\n}.", "",
       neuspech("", dlouha("Vnitrni_aritmeticky_vyraz", 4))},
      {"{@a->\"" + literal + "\";pis_ln(@a);@b->@a + \"\";pis_ln(1);}.", "",
       neuspech(literal + "\n", dlouha("Vnitrni_aritmeticky_vyraz", 1))},
      {cti, string(DELKA, 'w') + " rest", uspech(string(DELKA, 'w'))},
      {cti, string(DELKA + 1, 'w'), neuspech("", dlouha("Cti", 2))},
      {"{i2(0){cti(@a);}i2_end;cti(@b);pis_ln(@b);pis_ln(@a);}.",
       string(3 * DELKA, 'w') + "\ndruhe", uspech("druhe\nhodnota neurcena\n")},
  };
  for (const auto& p : pripady)
    stejne(p.vystup, beh(p.program, p.vstup), p.program.substr(0, 30));
}

// The end of input inside an unfinished token drops the token; the block then misses its
// "}" and quotes the end-of-input token. Every line feed inside the dropped token counts. (The
// lexer's golden programs eof_* hold the rest: '@', ':', "1,", "1e+", "@x_", strings, comments.)
TEST(EndOfInput, UnfinishedTokensAreDropped) {
  struct Konec {
    const char* text;
    int radek;
  };
  const Konec konce[] = {
      {"\"ab/", 1}, {":!a!", 1}, {":!\n!\n", 3}, {"1e", 1}, {"1,5e-", 1},   {"ab_", 1},
      {"ab__", 1},  {"~", 1},    {"?", 1},       {"@X", 1}, {": a b\n", 2},
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

// Every byte value in every place of a program that holds every kind of token: each run ends
// with the success line or the error verdict, then the closing banner. A step budget stops the
// runs whose loop a changed byte has made endless.
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
    if (!POMALU || (b < 128 && znak) || b == 128 || b == 255) bajty.push_back(b);
  }
  const moxa::Nastaveni nastaveni{100'000, 1 << 20};
  int selhani = 0;
  for (std::size_t i = 0; i < program.size() && selhani < 10; ++i) {
    for (const int b : bajty) {
      string p = program;
      p[i] = static_cast<char>(b);
      const porovnani::DvaBehy d = porovnani::oba_zpusoby(p, "slovo", nastaveni);
      const string& out = d.prelozene;
      if (!d.stejne()) {
        ++selhani;
        ADD_FAILURE() << "byte " << b << " at " << i << ": " << d.rozdil();
      }
      const std::string_view pred =
          std::string_view(out).substr(0, out.size() - std::min(out.size(), texty::BYE.size()));
      if (out.size() < texty::HELLO.size() + texty::BYE.size() + texty::USPECH.size() ||
          !out.starts_with(texty::HELLO) || !out.ends_with(texty::BYE) ||
          !(pred.ends_with(texty::USPECH) || pred.ends_with(texty::VERDIKT))) {
        ++selhani;
        ADD_FAILURE() << "byte " << b << " at " << i << " ends the run with: "
                      << out.substr(out.size() > 200 ? out.size() - 200 : 0);
      }
    }
  }
}

// Hundreds of variables and distinct literals in one loop: the variable table and the loop's
// literal pool grow their indexes many times over, and every name and literal must still
// find its own slot, in the first pass and in the compiled ones.
TEST(BothWays, HundredsOfVariablesAndLiteralsInALoop) {
  constexpr int N = 700;
  string program = "{ @n -> 0; w2 (@n < 3) {\n";
  string ocekavano;
  for (int i = 0; i < N; ++i) {
    const string v = "@v" + std::to_string(i);
    // Every pass joins the same two literals: a number, and a text that is none.
    program += v + " -> " + std::to_string(1000 + i) + ";\n";
    program += v + " -> " + v + " + \"x" + std::to_string(i) + "\";\n";
  }
  program += "@n -> @n + 1; } w2_end;\n";
  for (int i = N - 1; i >= 0; --i) {
    program += "pis_ln(@v" + std::to_string(i) + ");\n";
    ocekavano += std::to_string(1000 + i) + "x" + std::to_string(i) + "\n";
  }
  program += "}.";
  EXPECT_EQ(oboji(program, "", 0, false, "many variables"), texty::uspech(ocekavano));
}

}  // namespace
