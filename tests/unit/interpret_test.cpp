// The interpreter's output and compiled loops. When the writer hands its bytes on: by lines for
// a terminal, in blocks otherwise, at a loop pass after the timer asked, and once more, for the
// last time, when the run is asked to stop (each write the target receives is kept apart, so
// the tests see the flushes). And for each statement and condition test of a compiled loop,
// where its code starts and where its first token stands; `prikaz_na` finds the statement an
// instruction belongs to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/streams.hpp"
#include "parser/interpret.hpp"

namespace {

using std::string;
using Zapisy = std::vector<string>;

class CilZapisy final : public moxa::Cil {
 public:
  bool zapis(const char* data, std::size_t n) override {
    zapisy.emplace_back(data, n);
    return true;
  }
  Zapisy zapisy;
};

// Runs `program` with `out` as its output; returns the interpreter's status.
int spust(const string& program, moxa::Vystup& out, const moxa::Nastaveni& n = {}) {
  moxa::TextovyVstup zdroj(program), vstup("");
  moxa::Interpret interpret(zdroj, vstup, out, n);
  const int kod = interpret.SA();
  interpret.uvolni();
  out.pis("\nbye\n\n");
  out.vyprazdnit();
  return kod;
}

TEST(Writer, ByLinesEveryCompleteLineGoesOutAtOnce) {
  CilZapisy cil;
  moxa::Vystup out(cil);
  out.po_radcich(true);
  out.pis("Zadej: ");
  EXPECT_EQ(cil.zapisy, Zapisy{});
  out.pis("a\nb");
  EXPECT_EQ(cil.zapisy, Zapisy{"Zadej: a\nb"});  // as C's stdio: the buffer, up to its end
  out.pis('c');
  out.pis('\n');
  EXPECT_EQ(cil.zapisy, (Zapisy{"Zadej: a\nb", "c\n"}));
  out.pis(string(70'000, 'x') + "\n");  // longer than the buffer
  out.pis("y\n");
  EXPECT_EQ(cil.zapisy.size(), 4u);
  EXPECT_EQ(cil.zapisy.back(), "y\n");
}

TEST(Writer, InBlocksNothingGoesOutUntilTheBufferIsFullOrFlushed) {
  CilZapisy cil;
  moxa::Vystup out(cil);
  for (int i = 0; i < 1000; ++i)
    out.pis("line\n");
  EXPECT_EQ(cil.zapisy, Zapisy{});
  out.pis(string(70'000, 'x'));
  // The held lines, then the long text on its own.
  ASSERT_EQ(cil.zapisy.size(), 2u);
  EXPECT_EQ(cil.zapisy[0].size(), 5000u);
  out.vyprazdnit();
  EXPECT_EQ(cil.zapisy.size(), 2u);  // nothing was held
}

// Requests are served once per batch of a few thousand steps (the first loop's 1,000 passes
// take 12 steps each): the timer's writes out what was printed before the loop, the rest waits;
// a stop ends a loop that never ends with no message, verdict or closing banner.
TEST(Writer, RequestsAreServedWithinAFewThousandSteps) {
  const string konec = "\nProgram probehl bez chyb.\n\nbye\n\n";
  const struct {
    unsigned zadost;
    const char* smycka;
    Zapisy zapisy;
  } pripady[] = {
      {moxa::Budik::VYPSAT, "w2 (@i < 1000) { @i -> @i + 1; } w2_end;", {"ab\n", "c\n" + konec}},
      {moxa::Budik::ZASTAVIT, "w2 (1) { @i -> @i + 1; } w2_end;", {"ab\n"}},
      {moxa::Budik::ZASTAVIT, "w2 (1) { } w2_end;", {"ab\n"}},
      {moxa::Budik::ZASTAVIT, "w2 (1) { w2 (1) { @i -> 1; } w2_end; } w2_end;", {"ab\n"}},
      {0,
       "w2 (@i < 3) { @i -> @i + 1; pis(@i); } w2_end;",
       {"ab\n1.0000002.0000003.000000c\n" + konec}},
  };
  for (const auto& p : pripady) {
    CilZapisy cil;
    moxa::Budik budik;
    moxa::Vystup out(cil, &budik);
    if (p.zadost != 0) budik.zazvon(p.zadost);
    spust(string("{ pis(\"a\"); pis_ln(\"b\"); @i -> 0; ") + p.smycka + " pis_ln(\"c\"); } .", out);
    EXPECT_EQ(cil.zapisy, p.zapisy) << p.smycka;
    EXPECT_EQ(out.zastaveno(), p.zadost == moxa::Budik::ZASTAVIT) << p.smycka;
    EXPECT_FALSE(p.zadost == moxa::Budik::VYPSAT && budik.zvoni()) << p.smycka;
  }
}

struct Zacatek {
  std::uint32_t kod;
  std::string text;  // the source from the first token on, a few bytes
  bool test;
  bool operator==(const Zacatek&) const = default;
};

// For each outermost loop of `program`, its statement starts and, for every code position, the
// start of the statement that `prikaz_na` says it belongs to (or -1).
struct Vysledek {
  std::vector<std::vector<Zacatek>> zacatky;
  std::vector<std::vector<int>> prislusnost;
};

Vysledek zacatky(const std::string& program) {
  string vystup;
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
  EXPECT_EQ(spust(program, out, n), 0) << vystup;
  return v;
}

TEST(StatementStarts, EachStatementAndTestKeepsItsPlace) {
  const Vysledek v = zacatky(
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
  EXPECT_EQ(v.prislusnost[0],
            (std::vector<int>{-1, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 3, 3, 4, 4, 4, 4}));
}

// A call statement leaves its values on the stack; the statement after it does not take
// them over into its own instructions, so every statement's code starts after them.
TEST(StatementStarts, FusionStopsAtAStatementStart) {
  const Vysledek v = zacatky("{ w2 (@n < 1) { ~f(@a); @b -> ~g(); @n -> 1; } w2_end; } .");
  ASSERT_EQ(v.zacatky.size(), 1u);
  const std::vector<Zacatek>& z = v.zacatky[0];
  ASSERT_EQ(z.size(), 4u);
  EXPECT_EQ(z[1].text, "~f(@a)");
  EXPECT_EQ(z[2].text, "@b -> ");
  // The call's one push, then the store of @b.
  EXPECT_EQ(z[2].kod, z[1].kod + 1);
}

}  // namespace
