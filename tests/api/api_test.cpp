// The C interface, as a host sees it: linked against the shared library, through moxa.h alone.
// A run's output and status; the options of a run: input supplied on demand by a read callback,
// output delivered while the run goes on, the time limit. Built for both places a run may
// execute (its own thread, the caller's stack).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "host.hpp"
#include "shapes.hpp"

namespace {

using moxa::testy::DLOUHE_T;
using texty::VERDIKT;
using Hodiny = std::chrono::steady_clock;
using std::chrono::milliseconds;
using namespace std::chrono_literals;

TEST(Api, VersionIsTheProjectVersion) { EXPECT_STREQ(moxa_version(), MOXA_EXPECTED_VERSION); }

TEST(Api, EmptyProgramIsAnErrorAndNullPointersWithLengthsAreRefused) {
  Beh b = spust({});
  EXPECT_EQ(b.kod, MOXA_ERROR);
  EXPECT_NE(b.vystup.find("'Blok'"), std::string::npos);
  b = {};
  EXPECT_EQ(moxa_run(nullptr, 3, nullptr, 0, nullptr, sbirej, &b), MOXA_INVALID);
  EXPECT_EQ(moxa_run("{}.", 3, nullptr, 1, nullptr, sbirej, &b), MOXA_INVALID);
  EXPECT_EQ(moxa_run_with(nullptr, 3, nullptr, 0, nullptr, sbirej, &b), MOXA_INVALID);
  EXPECT_EQ(moxa_run_with("{}.", 3, nullptr, 1, nullptr, sbirej, &b), MOXA_INVALID);
  EXPECT_EQ(b.volani, 0);
  // Without a write function the output is dropped, the verdict still returned.
  EXPECT_EQ(moxa_run("{pis(1);}.", 10, nullptr, 0, nullptr, nullptr, nullptr), MOXA_OK);
}

// Options of the present size with these limits (time in ms), every other field zero.
moxa_options volby(unsigned long long kroky = 0, std::size_t vystup = 0, std::size_t pamet = 0,
                   unsigned long long cas = 0) {
  moxa_options v{};
  v.size = sizeof v;
  v.max_steps = kroky;
  v.max_output = vystup;
  v.max_memory = pamet;
  v.max_time = cas;
  return v;
}

// A host that supplies input piece by piece and records what it saw: the output delivered
// before each call of `read`, and when each piece of output arrived.
struct Hostitel {
  std::vector<std::string> kusy{};  // the pieces `read` hands out, in order
  std::size_t dalsi = 0;
  int volani_cteni = 0;
  int zastavit_po = -1;           // return MOXA_READ_STOP at this call (counted from 0)
  milliseconds spanek{0};         // how long each call of `read` waits first
  milliseconds spanek_zapisu{0};  // how long the first call of `write` waits
  std::string vystup{};
  std::vector<std::string> vystup_pri_cteni{};  // the output delivered when `read` was called
  std::size_t kroku = 0;  // records of the run's trace so far, when the host asks for one
  std::vector<std::pair<std::size_t, std::string>> prichody{};  // the steps traced before each
};

void zapis(void* user, const char* bytes, std::size_t n) {
  auto* h = static_cast<Hostitel*>(user);
  if (h->vystup.empty() && h->spanek_zapisu.count() > 0)
    std::this_thread::sleep_for(h->spanek_zapisu);
  h->vystup.append(bytes, n);
  h->prichody.emplace_back(h->kroku, std::string(bytes, n));
}

std::size_t cti(void* user, char* buffer, std::size_t capacity) {
  auto* h = static_cast<Hostitel*>(user);
  h->vystup_pri_cteni.push_back(h->vystup);
  const int volani = h->volani_cteni++;
  if (h->spanek.count() > 0) std::this_thread::sleep_for(h->spanek);
  if (volani == h->zastavit_po) return MOXA_READ_STOP;
  if (h->dalsi == h->kusy.size()) return 0;
  std::string& kus = h->kusy[h->dalsi];
  const std::size_t n = std::min(capacity, kus.size());
  std::memcpy(buffer, kus.data(), n);
  kus.erase(0, n);
  if (kus.empty()) ++h->dalsi;
  return n;
}

int spust_s_hostitelem(std::string_view program, Hostitel& h, moxa_options v = volby(),
                       std::string_view input = {}) {
  v.read = cti;
  v.read_user = &h;
  return moxa_run_with(program.data(), program.size(), input.data(), input.size(), &v, zapis, &h);
}

// Input cut into words, each with the white space after it; what comes before the first
// word is a piece of its own.
std::vector<std::string> po_slovech(std::string_view text) {
  std::vector<std::string> kusy;
  const auto bila = [&](std::size_t k) {
    return std::isspace(static_cast<unsigned char>(text[k])) != 0;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == 0 || (bila(i - 1) && !bila(i))) kusy.emplace_back();
    kusy.back() += text[i];
  }
  return kusy;
}

// Every golden program gives through the library what the command gives, minus the banners
// (lengths are explicit: the NUL bytes of high_bytes_and_nul and read_odd_bytes are bytes);
// with input, the same bytes when the input comes from the callback a word or a byte at a time,
// or when the run is given its first half and the callback the rest.
TEST(Api, GoldenProgramsGiveTheCommandOutputWithoutBanners) {
  // The banners as moxa.h gives them.
  const std::string_view hello = MOXA_OPENING, bye = MOXA_CLOSING;
  const std::vector<Zlaty> programy = zlate_programy();
  ASSERT_GT(programy.size(), 100u);
  int se_vstupem = 0;
  for (const Zlaty& z : programy) {
    ASSERT_TRUE(z.vystup.size() >= hello.size() + bye.size() && z.vystup.starts_with(hello) &&
                z.vystup.ends_with(bye))
        << z.jmeno;
    const std::string ocekavano =
        z.vystup.substr(hello.size(), z.vystup.size() - hello.size() - bye.size());
    const Beh b = spust(z.program, z.vstup);
    EXPECT_EQ(b.co(), Vysledek(ocekavano.ends_with(VERDIKT) ? MOXA_ERROR : MOXA_OK, ocekavano))
        << z.jmeno;
    if (!z.ma_vstup) continue;
    ++se_vstupem;
    const std::size_t pul = z.vstup.size() / 2;
    Hostitel slova{.kusy = po_slovech(z.vstup)}, bajty, zbytek{.kusy = {z.vstup.substr(pul)}};
    for (const char c : z.vstup)
      bajty.kusy.emplace_back(1, c);
    const std::string_view prvni = std::string_view(z.vstup).substr(0, pul);
    for (auto [h, dano] : {std::pair{&slova, std::string_view()}, {&bajty, {}}, {&zbytek, prvni}}) {
      EXPECT_EQ(spust_s_hostitelem(z.program, *h, volby(), dano), b.kod) << z.jmeno;
      EXPECT_EQ(h->vystup, b.vystup) << z.jmeno;
    }
  }
  EXPECT_GE(se_vstupem, 5);
}

TEST(Options, NullOptionsAndAnOldHostsSizeAskForNothing) {
  const std::string program = "{ cti(@x); pis(@x); pis(\"|\"); }.";
  Beh b;
  b.kod = moxa_run_with(program.data(), program.size(), "ab", 2, nullptr, sbirej, &b);
  EXPECT_EQ(b.co(), Vysledek(MOXA_OK, uspesne("ab|")));
  // A host built when the struct ended before `read` never has it called.
  Hostitel h{.kusy = {"cd "}};
  moxa_options v = volby();
  v.size = offsetof(moxa_options, read);
  EXPECT_EQ(spust_s_hostitelem(program, h, v), MOXA_OK);
  EXPECT_EQ(h.volani_cteni, 0);
  EXPECT_EQ(h.vystup, uspesne("|"));
  // Nor a step limit beyond a size that ends before it.
  v.size = offsetof(moxa_options, max_steps);
  v.max_steps = 1;
  EXPECT_EQ(spust_s_hostitelem(program, h, v), MOXA_OK);
}

TEST(ReadCallback, APromptIsDeliveredBeforeTheReadAndTheEndOfInputIsTheEmptyWord) {
  const std::string program =
      "{ w2 (1) { pis(\"cislo: \"); cti(@x); i2 (@x = \"\") { pis_ln(\"konec\"); } e2 {"
      "  pis_ln(@x * 2); } i2_end; } w2_end; }.";
  Hostitel h{.kusy = {"4\n", "5\n"}};
  EXPECT_EQ(spust_s_hostitelem(program, h, volby(100'000)), MOXA_STOPPED);
  // Each call found everything printed so far already delivered; after the end of input
  // `read` is not called again, and `cti` reads the empty word.
  ASSERT_EQ(h.volani_cteni, 3);
  EXPECT_EQ(h.vystup_pri_cteni[0], "cislo: ");
  EXPECT_EQ(h.vystup_pri_cteni[1], "cislo: 8.000000\ncislo: ");
  EXPECT_EQ(h.vystup_pri_cteni[2], "cislo: 8.000000\ncislo: 10.000000\ncislo: ");
  EXPECT_EQ(h.vystup.substr(0, 60),
            "cislo: 8.000000\ncislo: 10.000000\ncislo: konec\ncislo: konec\nc");
}

TEST(ReadCallback, AStopEndsTheRunAtOnceWithNothingAdded) {
  const std::string program =
      "{ pis(\"a\"); cti(@x); pis(@x); cti(@y); pis(\"b\"); w2 (1) { pis(\"c\"); } w2_end; }.";
  Hostitel h{.kusy = {"x "}, .zastavit_po = 1};
  EXPECT_EQ(spust_s_hostitelem(program, h), MOXA_STOPPED);
  EXPECT_EQ(h.vystup, "ax");
  EXPECT_EQ(h.volani_cteni, 2);
  // A stop in a read of code that is passed over stops the run too.
  Hostitel h2{.zastavit_po = 0};
  const char* preskocene = "{ pis(1); i2 (0) { cti(@x); } i2_end; w2 (1) { } w2_end; }.";
  EXPECT_EQ(spust_s_hostitelem(preskocene, h2), MOXA_STOPPED);
  EXPECT_EQ(h2.vystup, "1");
}

// A line printed before a long computation arrives while the loop has most of its steps
// (counted by the run's trace) still ahead. The loop runs for ten ticks of the clock that sends
// held output on, so the share before the first tick is the same on any machine.
void pocitej_kroky(void* user, const char*, std::size_t) { ++static_cast<Hostitel*>(user)->kroku; }

TEST(LiveOutput, ALineArrivesWhileTheProgramComputes) {
  for (const char* vypocet :
       {"w2 (1) { @i -> @i + 1; } w2_end;", "w2 (1) { @s -> @t + \"x\"; } w2_end;"}) {
    Hostitel h;
    moxa_options v = volby(0, 0, 0, 1'000);
    v.trace = pocitej_kroky;
    v.trace_user = &h;
    const std::string program = "{ " + DLOUHE_T +
                                "pis_ln(\"start\"); pis(\"bez konce radku\"); @i -> 0; " + vypocet +
                                " }.";
    EXPECT_EQ(spust_s_hostitelem(program, h, v), MOXA_STOPPED);
    ASSERT_FALSE(h.prichody.empty());
    EXPECT_EQ(h.prichody[0].second, "start\nbez konce radku");
    // The stop keeps it all, adds nothing.
    EXPECT_EQ(h.vystup, "start\nbez konce radku");
    EXPECT_LT(h.prichody[0].first * 2, h.kroku) << vypocet;
  }
}

// The time limit stops loops over input (LiveOutput shows it stopping an endless loop and an
// endless copying of long texts), never before the limit is up (a run never stopped fails by
// ctest's timeout). Time spent in `read` does not count: six calls of 60 ms (past the limit, had
// they counted), then empty words read until the run's own 200 ms are up.
TEST(TimeLimit, StopsEndlessWorkOnceTheLimitIsUpNotCountingTimeInRead) {
  const std::vector<std::string> slova = {"1 ", "2 ", "3 ", "4 ", "5 "};
  const struct {
    std::string program;
    std::vector<std::string> kusy{};
    int volani;
    const char* vystup;
    milliseconds nejmene;
  } pripady[] = {
      {"{ pis(\"a\"); w2 (1) { cti(@x); } w2_end; }.", {}, 1, "a", 200ms},
      {"{ w2 (1) { cti(@x); pis(@x); } w2_end; }.", slova, 6, "12345", 560ms},
  };
  for (const auto& p : pripady) {
    Hostitel h{.kusy = p.kusy, .spanek = 60ms};
    moxa_options v = volby(0, 0, 0, 200);
    const auto zacatek = Hodiny::now();
    EXPECT_EQ(spust_s_hostitelem(p.program, h, v), MOXA_STOPPED) << p.program;
    EXPECT_GE(Hodiny::now() - zacatek, p.nejmene) << p.program;
    EXPECT_EQ(h.vystup, p.vystup) << p.program;
    EXPECT_EQ(h.volani_cteni, p.volani) << p.program;
  }
}

// Blanks without end before a word: the read stops once the budget or the time is spent,
// long before the host's cap of a gigabyte (which the run would otherwise reach).
TEST(ReadCallback, EndlessBlanksBeforeAWordStopAtTheLimitWhileTheyAreRead) {
  constexpr int STROP = 1 << 18;  // calls of 4 KiB: a gigabyte
  const moxa_read_fn mezery = [](void* user, char* buffer, std::size_t capacity) {
    if (++static_cast<Hostitel*>(user)->volani_cteni > STROP) return MOXA_READ_STOP;
    std::memset(buffer, ' ', capacity);
    return capacity;
  };
  for (const bool casem : {false, true}) {
    Hostitel h;
    moxa_options v = casem ? volby(0, 0, 0, 50) : volby(1'000'000);
    v.read = mezery;
    v.read_user = &h;
    const std::string program = "{ pis(\"a\"); cti(@x); pis(\"b\"); }.";
    EXPECT_EQ(moxa_run_with(program.data(), program.size(), nullptr, 0, &v, zapis, &h),
              MOXA_STOPPED);
    EXPECT_EQ(h.vystup, "a");
    // A million steps buy 8 MB of blanks: 2,048 calls, and a block more.
    EXPECT_LT(h.volani_cteni, casem ? STROP : 2'100) << "time limit: " << casem;
  }
}

// A time limit of any size means "at most that long": a run of many batches of steps that
// ends in time ends as it would without one.
TEST(TimeLimit, AnyLengthMeansAtMostThatLong) {
  for (const unsigned long long ms : {10'000ULL, 18'446'744'073'709'551'615ULL,
                                      9'300'000'000'000ULL, 9'223'372'036'854ULL, 1ULL << 63}) {
    Hostitel h{.kusy = {"7 "}};
    moxa_options v = volby(0, 0, 0, ms);
    const char* program =
        "{ @i -> 0; w2 (@i < 5000) { @i -> @i + 1; } w2_end; cti(@x); pis(@i + @x); }.";
    EXPECT_EQ(spust_s_hostitelem(program, h, v), MOXA_OK) << ms;
    EXPECT_EQ(h.vystup, uspesne("5007.000000")) << ms;
  }
}

// A host that holds the run up in `write` (300 ms, past the limit of 100) uses up the run's
// wall-clock time, not its processor time.
TEST(TimeLimit, TheProcessorClockCountsOnlyTheRunsOwnWork) {
  const std::string program =
      "{ pis_ln(\"a\"); cti(@x); @i -> 0; w2 (@i < 20000) { @i -> @i + 1; } w2_end; pis(@i); }.";
  for (const int hodiny : {MOXA_WALL_CLOCK, MOXA_CPU_CLOCK}) {
    Hostitel h{.kusy = {"1 "}, .spanek_zapisu = 300ms};
    moxa_options v = volby(0, 0, 0, 100);
    v.time_clock = hodiny;
    int proc = -1;
    v.stopped_by = &proc;
    const bool zed = hodiny == MOXA_WALL_CLOCK;
    EXPECT_EQ(spust_s_hostitelem(program, h, v), zed ? MOXA_STOPPED : MOXA_OK);
    EXPECT_EQ(proc, zed ? MOXA_STOP_TIME : MOXA_STOP_NONE);
    EXPECT_EQ(h.vystup, zed ? "a\n" : uspesne("a\n20000.000000"));
  }
}

// A stopped run says which limit (steps, output, memory) or request stopped it; a run that was
// not stopped, none.
TEST(Options, AStoppedRunSaysWhatStoppedIt) {
  const char* donekonecna = "{ w2 (1) { pis(\"x\"); } w2_end; }.";
  const std::tuple<const char*, moxa_options, int> pripady[] = {
      {donekonecna, volby(10'000), MOXA_STOP_STEPS},
      {donekonecna, volby(0, MB), MOXA_STOP_OUTPUT},
      // Calls leave their values on the value stack: in an endless loop they pile up.
      {"{ @a -> \"0123456789\"; w2 (1) { ~uloz(@a; @a; @a; @a); } w2_end; }.", volby(0, 0, MB),
       MOXA_STOP_MEMORY},
      {"{ pis(@x + 1); }.", volby(10'000), MOXA_STOP_NONE},  // an error
      {"{ cti(@x); }.", volby(), MOXA_STOP_READ}};
  for (auto [program, v, ocekavany] : pripady) {
    Hostitel h{.zastavit_po = 0};
    int proc = -1;
    v.stopped_by = &proc;
    spust_s_hostitelem(program, h, v);
    EXPECT_EQ(proc, ocekavany) << program;
  }
}

}  // namespace
