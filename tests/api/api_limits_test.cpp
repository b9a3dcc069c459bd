// Limits of runs through the C interface, and runs in many threads at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "host.hpp"

namespace {

namespace fs = std::filesystem;

TEST(Limits, StepsStopAnEndlessLoopQuicklyAndAddNothing) {
  const auto start = std::chrono::steady_clock::now();
  const Beh b = spust("{ pis_ln(\"start\"); @i -> 0; w2 (1) { @i -> @i + 1; } w2_end; }.",
                      limity(100'000, 0, 0));
  const auto trvani = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(b.kod, MOXA_STOPPED);
  EXPECT_EQ(b.vystup, "start\n");  // no message for the end of input the run then sees
  EXPECT_LT(trvani, std::chrono::seconds(5));
}

TEST(Limits, StepsStopAProgramThatPrintsForeverInTheMiddleOfItsOutput) {
  const Beh b = spust("{ w2 (1) { pis(\"ab\"); } w2_end; }.", limity(10'000, 0, 0));
  EXPECT_EQ(b.kod, MOXA_STOPPED);
  ASSERT_GT(b.vystup.size(), 100u);
  for (std::size_t i = 0; i < b.vystup.size(); ++i)
    ASSERT_EQ(b.vystup[i], "ab"[i % 2]) << i;
}

TEST(Limits, StepsThatSufficeChangeNothing) {
  const Beh b =
      spust("{ @i -> 0; w2 (@i < 3) { pis(@i); @i -> @i + 1; } w2_end; }.", limity(1'000, 0, 0));
  EXPECT_EQ(b.kod, MOXA_OK);
  EXPECT_EQ(b.vystup, uspesne("01.0000002.000000"));
}

TEST(Limits, OutputDeliversExactlyItsFirstBytes) {
  for (const std::size_t n : {std::size_t{1}, std::size_t{1001}, std::size_t{200'001}}) {
    const Beh b = spust("{ w2 (1) { pis(\"ab\"); } w2_end; }.", limity(0, n, 0));
    EXPECT_EQ(b.kod, MOXA_STOPPED);
    ASSERT_EQ(b.vystup.size(), n);
    for (std::size_t i = 0; i < n; ++i)
      ASSERT_EQ(b.vystup[i], "ab"[i % 2]) << i;
  }
}

// The success line counts as output: a limit one byte short of it stops the run.
TEST(Limits, OutputLimitAtTheLastByte) {
  const std::string program = "{ pis(\"xy\"); }.";
  const std::string cele = uspesne("xy");
  const Beh presne = spust(program, limity(0, cele.size(), 0));
  EXPECT_EQ(presne.kod, MOXA_OK);
  EXPECT_EQ(presne.vystup, cele);
  const Beh kratce = spust(program, limity(0, cele.size() - 1, 0));
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
