// Limits of runs through the C interface, and runs in many threads at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "host.hpp"
#include "shapes.hpp"

namespace {

namespace fs = std::filesystem;

// Steps stop an endless loop and add nothing (no message for the end of input the run then
// sees); they stop a program that prints for ever in the middle of its output; steps that
// suffice change nothing.
TEST(Limits, StepsStopEndlessProgramsAndChangeNothingElse) {
  Beh b = spust("{ pis_ln(\"start\"); @i -> 0; w2 (1) { @i -> @i + 1; } w2_end; }.",
                limity(100'000, 0, 0));
  EXPECT_EQ(b.kod, MOXA_STOPPED);
  EXPECT_EQ(b.vystup, "start\n");
  b = spust("{ w2 (1) { pis(\"ab\"); } w2_end; }.", limity(10'000, 0, 0));
  EXPECT_EQ(b.kod, MOXA_STOPPED);
  ASSERT_GT(b.vystup.size(), 100u);
  for (std::size_t i = 0; i < b.vystup.size(); ++i)
    ASSERT_EQ(b.vystup[i], "ab"[i % 2]) << i;
  b = spust("{ @i -> 0; w2 (@i < 3) { pis(@i); @i -> @i + 1; } w2_end; }.", limity(1'000, 0, 0));
  EXPECT_EQ(b.kod, MOXA_OK);
  EXPECT_EQ(b.vystup, uspesne("01.0000002.000000"));
}

// Steps stop each of the costliest shapes of program: the work of a step is bounded. How
// much processor time a million steps take in each shape is measured by bench/steps.cpp.
TEST(Limits, StepsStopTheCostliestShapes) {
  for (const auto& tvar : moxa::testy::nejdrazsi_tvary()) {
    moxa_limits l = limity(2'000'000, 0, 0);
    const int kod = moxa_run(tvar.program.data(), tvar.program.size(), tvar.vstup.data(),
                             tvar.vstup.size(), &l, nullptr, nullptr);
    EXPECT_EQ(kod, MOXA_STOPPED) << tvar.jmeno;
  }
}

// Work that grows with a text's length costs steps by that length: 256 bytes of a text
// joined, compared or read cost a step. Each program prints one letter a pass, so the
// output counts the passes that the steps paid for; a pass that handles B bytes costs at
// least B / 256 steps, so S steps pay for at most S * 256 / B passes.
TEST(Limits, LongTextsCostStepsByTheirLength) {
  const std::string megabajt =  // @t: 512 KiB
      "@t -> \"ab\"; @j -> 0; w2 (@j < 18) { @t -> @t + @t; @j -> @j + 1; } w2_end; ";
  constexpr std::size_t DELKA = 512 * 1024;
  std::string slova;
  for (int i = 0; i < 300; ++i)
    slova += std::string(100'000, 'a') + " ";
  const struct {
    const char* jmeno;
    std::string program;
    std::string vstup;
    unsigned long long kroku;
    std::size_t bajtu_za_pruchod;
  } pripady[] = {
      {"joins", "{ " + megabajt + "w2 (1) { @s -> @t + \"x\"; pis(\"x\"); } w2_end; }.", "",
       2'000'000, DELKA},
      {"comparisons", "{ " + megabajt + "@u -> @t + \"\"; w2 (@t = @u) { pis(\"x\"); } w2_end; }.",
       "", 2'000'000, DELKA},
      {"words read", "{ w2 (1) { cti(@x); pis(\"x\"); } w2_end; }.", slova, 400'000, 100'000},
  };
  for (const auto& p : pripady) {
    const Beh b = spust(p.program, limity(p.kroku, 0, 0), p.vstup);
    EXPECT_EQ(b.kod, MOXA_STOPPED) << p.jmeno;
    EXPECT_EQ(b.vystup.find_first_not_of('x'), std::string::npos) << p.jmeno;
    EXPECT_GT(b.vystup.size(), 0u) << p.jmeno;
    EXPECT_LE(b.vystup.size(), p.kroku * 256 / p.bajtu_za_pruchod) << p.jmeno;
  }
}

// A token or a skipped run of input of 16 MB costs steps by its bytes while it is read: a
// budget of half a million steps stops each shape, and a budget that covers the bytes lets the
// same program run to its end.
TEST(Limits, LongTokensAndSkippedInputCostStepsByTheirBytes) {
  const std::string dlouhe(16 * MB, 'x');
  const std::string mezery(16 * MB, ' ');
  const struct {
    const char* jmeno;
    std::string program;
    std::string vstup;
  } tvary[] = {
      {"literal", "{ @a -> \"" + dlouhe + "\"; pis(\"ok\"); }.", ""},
      {"number", "{ @a -> 1" + std::string(16 * MB, '0') + "; pis(\"ok\"); }.", ""},
      {"block comment", "{ :!" + dlouhe + "!: pis(\"ok\"); }.", ""},
      {"line comment", "{ ::" + dlouhe + "\n pis(\"ok\"); }.", ""},
      {"white space", "{" + mezery + "pis(\"ok\"); }.", ""},
      {"blanks before a word", "{ cti(@a); pis(@a); }.", mezery + "ok"},
  };
  for (const auto& tvar : tvary) {
    const Beh maly = spust(tvar.program, limity(500'000, 0, 0), tvar.vstup);
    EXPECT_EQ(maly.kod, MOXA_STOPPED) << tvar.jmeno;
    EXPECT_EQ(maly.vystup, "") << tvar.jmeno;
    const Beh velky = spust(tvar.program, limity(16'000'000, 0, 0), tvar.vstup);
    EXPECT_EQ(velky.kod, MOXA_OK) << tvar.jmeno;
    EXPECT_EQ(velky.vystup, uspesne("ok")) << tvar.jmeno;
  }
}

// The output limit delivers exactly the first bytes; the success line counts as output, so
// a limit one byte short of it stops the run.
TEST(Limits, OutputDeliversExactlyItsFirstBytes) {
  for (const std::size_t n : {std::size_t{1}, std::size_t{1001}, std::size_t{200'001}}) {
    const Beh b = spust("{ w2 (1) { pis(\"ab\"); } w2_end; }.", limity(0, n, 0));
    EXPECT_EQ(b.kod, MOXA_STOPPED);
    ASSERT_EQ(b.vystup.size(), n);
    for (std::size_t i = 0; i < n; ++i)
      ASSERT_EQ(b.vystup[i], "ab"[i % 2]) << i;
  }
  const std::string cele = uspesne("xy");
  const Beh presne = spust("{ pis(\"xy\"); }.", limity(0, cele.size(), 0));
  EXPECT_EQ(presne.kod, MOXA_OK);
  EXPECT_EQ(presne.vystup, cele);
  const Beh kratce = spust("{ pis(\"xy\"); }.", limity(0, cele.size() - 1, 0));
  EXPECT_EQ(kratce.kod, MOXA_STOPPED);
  EXPECT_EQ(kratce.vystup, cele.substr(0, cele.size() - 1));
}

// Eight threads run every golden program at once; each gets the bytes and the result of a
// run made alone.
TEST(Threads, EightRunsAtOnceGiveTheSameBytesAsOneAtATime) {
  struct Pripad {
    std::string program, input;
    Beh sam;
  };
  std::vector<Pripad> pripady;
  for (const auto& e : fs::recursive_directory_iterator(MOXA_GOLDEN_DIR)) {
    if (e.path().extension() != ".mox") continue;
    fs::path in = e.path();
    in.replace_extension(".in");
    pripady.push_back({precti(e.path()), fs::exists(in) ? precti(in) : std::string(), {}});
  }
  ASSERT_GT(pripady.size(), 100u);
  const moxa_limits l = limity(1'000'000, 0, 64 * MB);
  for (auto& p : pripady)
    p.sam = spust(p.program, l, p.input);

  std::vector<std::vector<Beh>> soucasne(8);
  std::vector<std::thread> vlakna;
  for (std::size_t v = 0; v < soucasne.size(); ++v) {
    vlakna.emplace_back([&, v] {
      // Each thread takes the programs in another order, so different programs overlap.
      for (std::size_t k = 0; k < pripady.size(); ++k) {
        const std::size_t i = (k + v * 37) % pripady.size();
        if (soucasne[v].size() < pripady.size()) soucasne[v].resize(pripady.size());
        soucasne[v][i] = spust(pripady[i].program, l, pripady[i].input);
      }
    });
  }
  for (auto& t : vlakna)
    t.join();
  for (const auto& vysledky : soucasne) {
    for (std::size_t i = 0; i < pripady.size(); ++i) {
      EXPECT_EQ(vysledky[i].kod, pripady[i].sam.kod) << i;
      EXPECT_EQ(vysledky[i].vystup, pripady[i].sam.vystup) << i;
    }
  }
}

}  // namespace
