// When the writer hands its bytes on: by lines for a terminal, in blocks otherwise, at a
// loop pass after the timer asked, and once more, for the last time, when the run is asked
// to stop. Each write the target receives is kept apart, so the tests see the flushes.
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

// Runs `program` with `out` as its output, the run's alarm already rung with `zadost`.
void spust(const string& program, moxa::Vystup& out) {
  moxa::TextovyVstup zdroj(program);
  moxa::TextovyVstup vstup("");
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
  ASSERT_EQ(cil.zapisy.size(), 2u);  // the held lines, then the long text on its own
  EXPECT_EQ(cil.zapisy[0].size(), 5000u);
  out.vyprazdnit();
  EXPECT_EQ(cil.zapisy.size(), 2u);  // nothing was held
}

// Requests are served once per batch of a few thousand steps (here: during the loop, whose
// 1,000 passes take 12 steps each).
TEST(Writer, TheTimerIsServedWithinAFewThousandSteps) {
  CilZapisy cil;
  moxa::Budik budik;
  moxa::Vystup out(cil, &budik);
  budik.zazvon(moxa::Budik::VYPSAT);
  spust("{ pis_ln(\"a\"); @i -> 0; w2 (@i < 1000) { @i -> @i + 1; } w2_end; pis_ln(\"b\"); } .",
        out);
  // The loop writes out what the program printed before it; the rest waits.
  EXPECT_EQ(cil.zapisy, (Zapisy{"a\n", "b\n\nProgram probehl bez chyb.\n\nbye\n\n"}));
  EXPECT_FALSE(budik.zvoni());
  EXPECT_FALSE(out.zastaveno());
}

TEST(Writer, AStopEndsALoopThatNeverEndsAndKeepsWhatWasPrinted) {
  for (const char* smycka : {"w2 (1) { @i -> @i + 1; } w2_end;", "w2 (1) { } w2_end;",
                             "w2 (1) { w2 (1) { @i -> 1; } w2_end; } w2_end;"}) {
    CilZapisy cil;
    moxa::Budik budik;
    moxa::Vystup out(cil, &budik);
    budik.zazvon(moxa::Budik::ZASTAVIT);  // served once the loop has taken a batch of steps
    spust(string("{ pis(\"a\"); pis_ln(\"b\"); @i -> 0; ") + smycka + " pis_ln(\"c\"); } .", out);
    // No error message, no verdict, no closing banner: the output ends where the run stopped.
    EXPECT_EQ(cil.zapisy, Zapisy{"ab\n"}) << smycka;
    EXPECT_TRUE(out.zastaveno());
  }
}

TEST(Writer, WithoutARequestTheRunIsUntouched) {
  CilZapisy cil;
  moxa::Budik budik;
  moxa::Vystup out(cil, &budik);
  spust("{ @i -> 0; w2 (@i < 5) { @i -> @i + 1; pis(@i); } w2_end; } .", out);
  EXPECT_EQ(
      cil.zapisy,
      Zapisy{"1.0000002.0000003.0000004.0000005.000000\nProgram probehl bez chyb.\n\nbye\n\n"});
}

}  // namespace
