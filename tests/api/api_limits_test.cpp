// Limits of runs through the C interface (steps, output, memory), and runs in many threads at
// once. Without a sanitizer (which replaces the allocator itself), this program replaces
// operator new to follow every byte that the process holds, so that a test can check the most a
// run held against its limit.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "host.hpp"
#include "shapes.hpp"

#if MOXA_COUNT_ALLOCATIONS
#include "../replaced_new.hpp"

namespace {
std::atomic<std::size_t> strop{SIZE_MAX};  // past this many bytes held, memory runs out
}  // namespace

bool nahrazeny_new::smi(std::size_t n) { return drzeno.load() + n <= strop.load(); }
#endif

namespace {

using moxa::testy::cislovane;
using moxa::testy::DLOUHE_T;
using moxa::testy::opakuj;

// The first `n` bytes of "ababab...".
std::string ab(std::size_t n) { return opakuj(n / 2 + 1, "ab").substr(0, n); }

// Steps stop a program that prints for ever in the middle of its output and add nothing (no
// message for the end of input the run then sees); steps that suffice change nothing.
TEST(Limits, StepsStopEndlessProgramsAndChangeNothingElse) {
  const Beh b = spust("{ w2 (1) { pis(\"ab\"); } w2_end; }.", moxa_limits{10'000, 0, 0});
  EXPECT_EQ(b.kod, MOXA_STOPPED);
  EXPECT_GT(b.vystup.size(), 100u);
  EXPECT_EQ(b.vystup, ab(b.vystup.size()));
  EXPECT_EQ(spust("{ @i -> 0; w2 (@i < 3) { pis(@i); @i -> @i + 1; } w2_end; }.",
                  moxa_limits{1'000, 0, 0})
                .co(),
            Vysledek(MOXA_OK, uspesne("01.0000002.000000")));
}

// Steps stop each of the costliest shapes of program: the work of a step is bounded. How
// much processor time a million steps take in each shape is measured by bench/steps.cpp.
TEST(Limits, StepsStopTheCostliestShapes) {
  const moxa_limits l{2'000'000, 0, 0};
  for (const auto& t : moxa::testy::nejdrazsi_tvary())
    EXPECT_EQ(moxa_run(t.program.data(), t.program.size(), t.vstup.data(), t.vstup.size(), &l,
                       nullptr, nullptr),
              MOXA_STOPPED)
        << t.jmeno;
}

// Work that grows with a text's length costs steps by that length: 256 bytes of a text
// joined, compared or read cost a step. Each program prints one letter a pass, so the
// output counts the passes that the steps paid for; a pass that handles B bytes costs at
// least B / 256 steps, so S steps pay for at most S * 256 / B passes.
TEST(Limits, LongTextsCostStepsByTheirLength) {
  constexpr std::size_t DELKA = 512 * 1024;
  std::string slova;
  for (int i = 0; i < 300; ++i)
    slova += std::string(100'000, 'a') + " ";
  const struct {
    const char* jmeno;
    std::string program;
    std::string vstup{};
    unsigned long long kroku;
    std::size_t bajtu_za_pruchod;
  } pripady[] = {
      {"joins", "{ " + DLOUHE_T + "w2 (1) { @s -> @t + \"x\"; pis(\"x\"); } w2_end; }.", "",
       2'000'000, DELKA},
      {"comparisons", "{ " + DLOUHE_T + "@u -> @t + \"\"; w2 (@t = @u) { pis(\"x\"); } w2_end; }.",
       "", 2'000'000, DELKA},
      {"words read", "{ w2 (1) { cti(@x); pis(\"x\"); } w2_end; }.", slova, 400'000, 100'000},
  };
  for (const auto& p : pripady) {
    const Beh b = spust(p.program, moxa_limits{p.kroku, 0, 0}, p.vstup);
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
    std::string vstup{};
  } tvary[] = {
      {"literal", "{ @a -> \"" + dlouhe + "\"; pis(\"ok\"); }."},
      {"number", "{ @a -> 1" + std::string(16 * MB, '0') + "; pis(\"ok\"); }."},
      {"block comment", "{ :!" + dlouhe + "!: pis(\"ok\"); }."},
      {"line comment", "{ ::" + dlouhe + "\n pis(\"ok\"); }."},
      {"white space", "{" + mezery + "pis(\"ok\"); }."},
      {"blanks before a word", "{ cti(@a); pis(@a); }.", mezery + "ok"},
  };
  for (const auto& tvar : tvary) {
    EXPECT_EQ(spust(tvar.program, moxa_limits{500'000, 0, 0}, tvar.vstup).co(),
              Vysledek(MOXA_STOPPED, ""))
        << tvar.jmeno;
    EXPECT_EQ(spust(tvar.program, moxa_limits{16'000'000, 0, 0}, tvar.vstup).co(),
              Vysledek(MOXA_OK, uspesne("ok")))
        << tvar.jmeno;
  }
}

// The output limit delivers exactly the first bytes; the success line counts as output, so
// a limit one byte short of it stops the run.
TEST(Limits, OutputDeliversExactlyItsFirstBytes) {
  for (const std::size_t n : {std::size_t{1}, std::size_t{1001}, std::size_t{200'001}})
    EXPECT_EQ(spust("{ w2 (1) { pis(\"ab\"); } w2_end; }.", moxa_limits{0, n, 0}).co(),
              Vysledek(MOXA_STOPPED, ab(n)));
  const std::string xy = "{ pis(\"xy\"); }.", cele = uspesne("xy");
  EXPECT_EQ(spust(xy, moxa_limits{0, cele.size(), 0}).co(), Vysledek(MOXA_OK, cele));
  EXPECT_EQ(spust(xy, moxa_limits{0, cele.size() - 1, 0}).co(),
            Vysledek(MOXA_STOPPED, cele.substr(0, cele.size() - 1)));
}

struct Mereni {
  Beh beh;
  std::size_t narust = 0;  // the most the process held above what it held before the run
};

// Runs `program` under a memory limit of `limit` bytes (none: 0), with `input` as its input.
Mereni s_merenim(const std::string& program, std::size_t limit, const std::string& input = {}) {
  Mereni m;
  m.beh.vystup.reserve(1 << 20);  // its growth is the host's, not the run's
  const moxa_limits l{0, 0, limit};
#if MOXA_COUNT_ALLOCATIONS
  const std::size_t zaklad = nahrazeny_new::drzeno.load();
  nahrazeny_new::nejvic = zaklad;
#endif
  m.beh.kod =
      moxa_run(program.data(), program.size(), input.data(), input.size(), &l, sbirej, &m.beh);
#if MOXA_COUNT_ALLOCATIONS
  m.narust = nahrazeny_new::nejvic.load() - zaklad;
#endif
  return m;
}

// A run stopped by its limit never held more than one and a half times it, and, with `blizko`,
// came near it (the step that failed would have taken it past).
void zkontroluj_spicku(const Mereni& m, std::size_t limit, const std::string& co,
                       bool blizko = true) {
#if MOXA_COUNT_ALLOCATIONS
  EXPECT_LE(m.narust, limit + limit / 2) << co << " at " << limit;
  if (blizko) {
    EXPECT_GT(m.narust, limit / 2) << co << " at " << limit;
  }
  std::printf("%-20s limit %8zu: held at most %.2f times it\n", co.c_str(), limit,
              static_cast<double>(m.narust) / static_cast<double>(limit));
#else
  (void)m, (void)limit, (void)co, (void)blizko;
#endif
}

// A run stopped by its memory limit adds nothing to what it printed: call statements that leave
// their arguments on the value stack for ever; the same with texts of 128 KiB (the stack holds
// about 64 at the limit); 200 variables of such texts, 25 MiB in all, which run to their end
// with room for them.
TEST(Limits, MemoryStopsProgramsThatPileUpValues) {
  const std::string dlouhy =
      "{ @s -> \"x\"; @i -> 0; w2 (@i < 17) { @s -> @s + @s; @i -> @i + 1; } w2_end;";
  std::string promenne = dlouhy;
  for (int i = 0; i < 200; ++i)
    promenne += " @v" + std::to_string(i) + " -> @s + \"" + std::to_string(i) + "\";";
  promenne += " pis(\"done\"); }.";
  const struct {
    std::string program;
    std::size_t limit, nejmene, nejvic;  // the dots printed
  } pripady[] = {
      {"{ w2 (1) { ~f(1; 2; 3; 4); pis(\".\"); } w2_end; }.", 16 * MB, 1001, SIZE_MAX},
      {dlouhy + " w2 (1) { ~f(@s); pis(\".\"); } w2_end; }.", 8 * MB, 30, 100},
      {promenne, 4 * MB, 0, 0},
  };
  for (const auto& p : pripady) {
    const Mereni m = s_merenim(p.program, p.limit);
    EXPECT_EQ(m.beh.kod, MOXA_STOPPED) << p.limit;
    EXPECT_EQ(m.beh.vystup, std::string(m.beh.vystup.size(), '.')) << p.limit;
    EXPECT_GE(m.beh.vystup.size(), p.nejmene) << p.limit;
    EXPECT_LE(m.beh.vystup.size(), p.nejvic) << p.limit;
    zkontroluj_spicku(m, p.limit, "piled up");
  }
  EXPECT_EQ(s_merenim(promenne, 64 * MB).beh.kod, MOXA_OK);
}

// Every shape in which a run piles up memory is stopped before it holds more than one and a
// half times its limit, whatever the limit: many variables, reads of unset variables (which
// create them), long names, doubling joins kept on the value stack, long words read, calls
// nested deep, a loop whose code is large, values piled up by calls.
TEST(Limits, MemoryPeakStaysWithinOneAndAHalfTimesTheLimitInEveryShape) {
  std::string slova;
  for (int i = 0; i < 200; ++i)
    slova += std::string(60'000, static_cast<char>('a' + i % 26)) + " ";
  const struct {
    const char* jmeno;
    std::string program;
    std::string vstup{};
  } tvary[] = {
      {"variables", blok(cislovane(100'000, " @a", " -> 1;"))},
      {"unset reads", blok(cislovane(200'000, " pis(@b", ");"))},
      {"long names", blok(cislovane(3'000, " @" + std::string(2000, 'n'), " -> 1;"))},
      {"doubling joins",
       "{ @s -> \"ab\"; @n -> 0; w2 (1) { i2 (@n < 19) { @s -> @s + @s; } i2_end; ~f(@s + @n);"
       " @n -> @n + 1; } w2_end; }."},
      {"long words", "{ w2 (1) { cti(@x); ~f(@x); } w2_end; }.", slova},
      {"deep calls", blok(std::string("w2 (1) { ~f(")
                              .append(opakuj(5000, "~f(1; 2; ") + "3" + opakuj(5000, ")"))
                              .append("); } w2_end;"))},
      {"large loop", blok(std::string("w2 (1) {")
                              .append(cislovane(60'000, " @a -> \"literal ", "\";"))
                              .append(" ~f(@a); } w2_end;"))},
      {"piled values", "{ w2 (1) { ~f(1; 2; 3; 4); } w2_end; }."},
  };
  for (const std::size_t limit : {std::size_t{256} << 10, std::size_t{1} << 20, 4 * MB}) {
    for (const auto& tvar : tvary) {
      const Mereni m = s_merenim(tvar.program, limit, tvar.vstup);
      EXPECT_EQ(m.beh.kod, MOXA_STOPPED) << tvar.jmeno << " at " << limit;
      zkontroluj_spicku(m, limit, tvar.jmeno, false);
    }
  }
}

// A long token's text is charged before it grows: a literal or a number of 24 MB under a
// limit of 4 MiB stops near the limit, not after the whole token has been gathered.
TEST(Limits, MemoryStopsALongTokenWhileItIsRead) {
  for (const std::string& prikaz : {"@a -> \"" + std::string(24 * MB, 'x') + "\";",
                                    "@a -> " + std::string(24 * MB, '1') + ";"}) {
    for (const std::string& p : {"{ " + prikaz + " pis(\"ok\"); }.",
                                 "{ w2 (1) { " + prikaz + " pis(\"ok\"); } w2_end; }."}) {
      const Mereni m = s_merenim(p, 4 * MB);
      EXPECT_EQ(m.beh.co(), Vysledek(MOXA_STOPPED, "")) << p.substr(0, 20);
      zkontroluj_spicku(m, 4 * MB, p.substr(0, 20), false);
    }
  }
}

// Much allocated, little held: a limit far below the bytes allocated stops nothing.
TEST(Limits, MemoryThatIsGivenBackDoesNotCount) {
  const std::string program =
      "{ @n -> 0; w2 (@n < 3000) { @s -> \"\"; @i -> 0;"
      "  w2 (@i < 40) { @s -> @s + \"abcdefghijklmnopqrstuvwxyz\"; @i -> @i + 1; } w2_end;"
      "  @n -> @n + 1; } w2_end; pis(\"ok\"); }.";
  EXPECT_EQ(s_merenim(program, 256 * 1024).beh.co(), Vysledek(MOXA_OK, uspesne("ok")));
}

// Memory that runs out before any limit is reached ends the run as an error, with the
// verdict, and the process goes on.
TEST(Limits, MemoryRunningOutIsAnErrorWithTheVerdict) {
#if MOXA_COUNT_ALLOCATIONS
  strop = nahrazeny_new::drzeno.load() + 8 * MB;
  const Beh b = s_merenim("{ w2 (1) { ~f(1; 2; 3; 4); pis(\".\"); } w2_end; }.", 0).beh;
  strop = SIZE_MAX;
  EXPECT_EQ(b.kod, MOXA_ERROR);
  const std::size_t tecek = b.vystup.size() - texty::VERDIKT.size();
  ASSERT_GT(b.vystup.size(), texty::VERDIKT.size() + 1000);
  EXPECT_EQ(b.vystup, std::string(tecek, '.') + std::string(texty::VERDIKT));
#else
  GTEST_SKIP() << "the allocator is the sanitizer's";
#endif
}

// Eight threads run every golden program at once; each gets the bytes and the result of a
// run made alone.
TEST(Threads, EightRunsAtOnceGiveTheSameBytesAsOneAtATime) {
  const std::vector<Zlaty> programy = zlate_programy();
  ASSERT_GT(programy.size(), 100u);
  const moxa_limits l{1'000'000, 0, 64 * MB};
  std::vector<Beh> sam;
  for (const Zlaty& z : programy)
    sam.push_back(spust(z.program, l, z.vstup));

  std::vector<std::vector<Beh>> soucasne(8);
  std::vector<std::thread> vlakna;
  for (std::size_t v = 0; v < soucasne.size(); ++v) {
    vlakna.emplace_back([&, v] {
      // Each thread takes the programs in another order, so different programs overlap.
      soucasne[v].resize(programy.size());
      for (std::size_t k = 0; k < programy.size(); ++k) {
        const std::size_t i = (k + v * 37) % programy.size();
        soucasne[v][i] = spust(programy[i].program, l, programy[i].vstup);
      }
    });
  }
  for (auto& t : vlakna)
    t.join();
  for (const auto& vysledky : soucasne) {
    for (std::size_t i = 0; i < programy.size(); ++i)
      EXPECT_EQ(vysledky[i].co(), sam[i].co()) << programy[i].jmeno;
  }
}

}  // namespace
