// Every golden program prints exactly its <case>.out, given its <case>.in (if any) as input.
// Loops run two ways: from the code compiled in their first pass, and by replaying their
// recorded tokens. Both must print the same bytes for every program, valid or not: every
// golden program, with its input on its own stream and on the program's stream, under step
// budgets that stop it at every point of its first iterations; and thousands of generated
// programs of nested loops, conditionals, calls, reads and failing operators.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run.hpp"
#include "tests/compare.hpp"
#include "tests/texts.hpp"

namespace {

namespace fs = std::filesystem;
using std::string;

string precti(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

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
  std::vector<fs::path> programy;
  for (const auto& e : fs::recursive_directory_iterator(MOXA_GOLDEN_DIR)) {
    if (e.is_regular_file() && e.path().extension() == ".mox") programy.push_back(e.path());
  }
  std::sort(programy.begin(), programy.end());
  ASSERT_GT(programy.size(), 100U);
  for (const fs::path& mox : programy) {
    fs::path in = mox, out = mox;
    in.replace_extension(".in");
    out.replace_extension(".out");
    const string program = precti(mox);
    const string vstup = fs::exists(in) ? precti(in) : string();
    // Without a budget both ways print what the golden file holds.
    const string ocekavano = precti(out);
    const string vystup = oboji(program, vstup, 0, false, mox.string());
    EXPECT_TRUE(vystup == ocekavano) << mox << "\n" << porovnani::rozdil(ocekavano, vystup);
    oboji(program, vstup, 0, true, mox.string());
    // A budget stops the run in the middle of a first pass or of a later pass.
    for (std::uint64_t limit = 1; limit < 400; limit += 1 + limit / 8) {
      oboji(program, vstup, limit, false, mox.string());
    }
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

}  // namespace

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
