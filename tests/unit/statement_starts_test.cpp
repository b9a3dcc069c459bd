// The compiled code of a loop keeps, for each statement and each condition test, where it
// starts in the code and where its first token stands; `prikaz_na` finds the statement an
// instruction belongs to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parser/interpret.hpp"

namespace {

struct Zacatek {
  std::uint32_t kod;
  std::string text;  // the source from the first token on, a few bytes
  bool test;
  bool operator==(const Zacatek&) const = default;
};

// Runs `program` and gives, for each outermost loop, its statement starts and, for every
// code position, the start of the statement that `prikaz_na` says it belongs to (or -1).
struct Vysledek {
  std::vector<std::vector<Zacatek>> zacatky;
  std::vector<std::vector<int>> prislusnost;
};

Vysledek spust(const std::string& program) {
  moxa::TextovyVstup zdroj(program);
  moxa::TextovyVstup vstup("");
  std::string vystup;
  moxa::CilRetezec cil(vystup);
  moxa::Vystup out(cil);
  moxa::Nastaveni n;
  Vysledek v;
  n.po_prekladu = [&](const moxa::KodCyklu& k) {
    std::vector<Zacatek> z;
    for (const auto& p : k.prikazy())
      z.push_back({p.kod, program.substr(p.misto.bajt, 6), p.test});
    v.zacatky.push_back(z);
    std::vector<int> prislusnost;
    const std::uint32_t konec = k.prikazy().empty() ? 0 : k.prikazy().back().kod + 4;
    for (std::uint32_t pc = 0; pc < konec; ++pc) {
      const auto* p = k.prikaz_na(pc);
      prislusnost.push_back(p == nullptr ? -1 : static_cast<int>(p - k.prikazy().data()));
    }
    v.prislusnost.push_back(prislusnost);
  };
  moxa::Interpret i(zdroj, vstup, out, n);
  EXPECT_EQ(i.SA(), 0) << vystup;
  i.uvolni();
  return v;
}

TEST(StatementStarts, EachStatementAndTestKeepsItsPlace) {
  const Vysledek v = spust(
      "{ @i -> 0;\n"
      "  w2 (@i < 3) {\n"
      "    i2 (@i = 1) { pis(@i); } i2_end;\n"
      "    @i -> @i + 1;\n"
      "  } w2_end; } .");
  ASSERT_EQ(v.zacatky.size(), 1u);
  // enter | test: fused "<" and the loop's test | statement i2 and its test: fused "=" and
  // the conditional's test | pis: push, write | assignment: one fused "+" | back.
  const std::vector<Zacatek> ocekavane = {{1, "@i < 3", true},
                                          {7, "i2 (@i", false},
                                          {7, "@i = 1", true},
                                          {13, "pis(@i", false},
                                          {15, "@i -> ", false}};
  EXPECT_EQ(v.zacatky[0], ocekavane);
  // Position 0 (enter) lies before the first start; a fused instruction's operand words
  // belong to its statement; the conditional's code belongs to its test, the last start
  // at its position.
  const std::vector<int>& p = v.prislusnost[0];
  ASSERT_EQ(p.size(), 19u);
  EXPECT_EQ(p[0], -1);
  EXPECT_EQ(p[1], 0);
  EXPECT_EQ(p[6], 0);
  EXPECT_EQ(p[7], 2);
  EXPECT_EQ(p[12], 2);
  EXPECT_EQ(p[13], 3);
  EXPECT_EQ(p[15], 4);
  EXPECT_EQ(p[18], 4);
}

// A call statement leaves its values on the stack; the statement after it does not take
// them over into its own instructions, so every statement's code starts after them.
TEST(StatementStarts, FusionStopsAtAStatementStart) {
  const Vysledek v = spust("{ w2 (@n < 1) { ~f(@a); @b -> ~g(); @n -> 1; } w2_end; } .");
  ASSERT_EQ(v.zacatky.size(), 1u);
  const std::vector<Zacatek>& z = v.zacatky[0];
  ASSERT_EQ(z.size(), 4u);
  EXPECT_EQ(z[1].text, "~f(@a)");
  EXPECT_EQ(z[2].text, "@b -> ");
  EXPECT_EQ(z[2].kod, z[1].kod + 1);  // the call's one push, then the store of @b
}

}  // namespace
