// The interpreter's output: when the writer hands its bytes on: by lines for a terminal, in
// blocks otherwise, at a loop pass after the timer asked, and once more, for the last time,
// when the run is asked to stop (each write the target receives is kept apart, so the tests
// see the flushes). Where a compiled loop's statements start is checked by both_ways_test.cpp:
// the traces of the two ways, with the line and column of every step, must agree.
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

// Runs `program` with `out` as its output.
void spust(const string& program, moxa::Vystup& out) {
  moxa::TextovyVstup zdroj(program), vstup("");
  moxa::Interpret interpret(zdroj, vstup, out);
  interpret.SA();
  interpret.uvolni();
  out.pis("\nbye\n\n");
  out.vyprazdnit();
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

}  // namespace
