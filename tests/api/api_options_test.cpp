// The options of a run through the C interface: input supplied on demand by a read callback,
// output delivered while the run goes on, and the time limit. Built for both places a run
// may execute (its own thread, the caller's stack).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "host.hpp"

namespace {

namespace fs = std::filesystem;
using Hodiny = std::chrono::steady_clock;
using std::chrono::milliseconds;

moxa_options volby() {
  moxa_options v{};
  v.size = sizeof v;
  return v;
}

// A host that supplies input piece by piece and records what it saw: the output delivered
// before each call of `read`, and when each piece of output arrived.
struct Hostitel {
  std::vector<std::string> kusy;  // the pieces `read` hands out, in order
  std::size_t dalsi = 0;
  int volani_cteni = 0;
  int zastavit_po = -1;           // return MOXA_READ_STOP at this call (counted from 0)
  milliseconds spanek{0};         // how long each call of `read` waits first
  milliseconds spanek_zapisu{0};  // how long the first call of `write` waits
  std::string vystup;
  std::vector<std::string> vystup_pri_cteni;  // the output delivered when `read` was called
  std::size_t kroku = 0;  // records of the run's trace so far, when the host asks for one
  std::vector<std::pair<std::size_t, std::string>> prichody;  // the steps traced before each
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

int spust_s_hostitelem(std::string_view program, Hostitel& h, moxa_options v,
                       std::string_view input = {}) {
  v.read = cti;
  v.read_user = &h;
  return moxa_run_with(program.data(), program.size(), input.data(), input.size(), &v, zapis, &h);
}

// Input cut into words, each with the white space after it; what comes before the first
// word is a piece of its own.
std::vector<std::string> po_slovech(std::string_view text) {
  std::vector<std::string> kusy;
  std::string kus;
  bool ve_slove = false;
  for (const char c : text) {
    const bool bila = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    if (!bila && !ve_slove && !kus.empty()) {
      kusy.push_back(kus);
      kus.clear();
    }
    ve_slove = !bila;
    kus += c;
  }
  if (!kus.empty()) kusy.push_back(kus);
  return kusy;
}

TEST(Options, NullOptionsAndAnOldHostsSizeAskForNothingInvalidArgumentsAreRefused) {
  const std::string program = "{ cti(@x); pis(@x); pis(\"|\"); }.";
  Beh b;
  b.kod = moxa_run_with(program.data(), program.size(), "ab", 2, nullptr, sbirej, &b);
  EXPECT_EQ(b.kod, MOXA_OK);
  EXPECT_EQ(b.vystup, uspesne("ab|"));
  // A host built when the struct ended before `read` never has it called.
  Hostitel h;
  h.kusy = {"cd "};
  moxa_options v = volby();
  v.size = offsetof(moxa_options, read);
  EXPECT_EQ(spust_s_hostitelem(program, h, v), MOXA_OK);
  EXPECT_EQ(h.volani_cteni, 0);
  EXPECT_EQ(h.vystup, uspesne("|"));
  // Nor a step limit beyond a size that ends before it.
  v.size = offsetof(moxa_options, max_steps);
  v.max_steps = 1;
  EXPECT_EQ(spust_s_hostitelem(program, h, v), MOXA_OK);
  // Invalid arguments are refused as by moxa_run.
  EXPECT_EQ(moxa_run_with(nullptr, 3, nullptr, 0, &v, nullptr, nullptr), MOXA_INVALID);
  EXPECT_EQ(moxa_run_with("{}.", 3, nullptr, 1, &v, nullptr, nullptr), MOXA_INVALID);
}

// Every golden program with input gives the same bytes when its input comes a word at a
// time, or a byte at a time, from the callback as when it is given whole.
TEST(ReadCallback, WordsOneAtATimeGiveTheSameOutputAsTheWholeInput) {
  int programu = 0;
  for (const auto& e : fs::recursive_directory_iterator(MOXA_GOLDEN_DIR)) {
    if (e.path().extension() != ".mox") continue;
    fs::path in = e.path();
    in.replace_extension(".in");
    if (!fs::exists(in)) continue;
    ++programu;
    const std::string program = precti(e.path().string());
    const std::string vstup = precti(in.string());
    const Beh cely = spust(program, vstup);
    Hostitel slova;
    slova.kusy = po_slovech(vstup);
    EXPECT_EQ(spust_s_hostitelem(program, slova, volby()), cely.kod) << e.path();
    EXPECT_EQ(slova.vystup, cely.vystup) << e.path();
    Hostitel bajty;
    for (const char c : vstup)
      bajty.kusy.emplace_back(1, c);
    EXPECT_EQ(spust_s_hostitelem(program, bajty, volby()), cely.kod) << e.path();
    EXPECT_EQ(bajty.vystup, cely.vystup) << e.path();
    // The input given to the run comes first, then the callback's.
    Hostitel zbytek;
    zbytek.kusy = {vstup.substr(vstup.size() / 2)};
    EXPECT_EQ(spust_s_hostitelem(program, zbytek, volby(),
                                 std::string_view(vstup).substr(0, vstup.size() / 2)),
              cely.kod)
        << e.path();
    EXPECT_EQ(zbytek.vystup, cely.vystup) << e.path();
  }
  EXPECT_GE(programu, 5);
}

TEST(ReadCallback, APromptIsDeliveredBeforeTheReadAndTheEndOfInputIsTheEmptyWord) {
  const std::string program =
      "{ w2 (1) { pis(\"cislo: \"); cti(@x); i2 (@x = \"\") { pis_ln(\"konec\"); } e2 {"
      "  pis_ln(@x * 2); } i2_end; } w2_end; }.";
  Hostitel h;
  h.kusy = {"4\n", "5\n"};
  moxa_options v = volby();
  v.max_steps = 100'000;
  EXPECT_EQ(spust_s_hostitelem(program, h, v), MOXA_STOPPED);
  // Each call found everything printed so far already delivered; after the end of input
  // `read` is not called again, and `cti` reads the empty word.
  ASSERT_EQ(h.volani_cteni, 3);
  EXPECT_EQ(h.vystup_pri_cteni[0], "cislo: ");
  EXPECT_EQ(h.vystup_pri_cteni[1], "cislo: 8.000000\ncislo: ");
  EXPECT_EQ(h.vystup_pri_cteni[2], "cislo: 8.000000\ncislo: 10.000000\ncislo: ");
  EXPECT_EQ(h.vystup.substr(0, 60), std::string("cislo: 8.000000\ncislo: 10.000000\ncislo: konec\n"
                                                "cislo: konec\ncislo: ")
                                        .substr(0, 60));
}

TEST(ReadCallback, AStopEndsTheRunAtOnceWithNothingAdded) {
  const std::string program =
      "{ pis(\"a\"); cti(@x); pis(@x); cti(@y); pis(\"b\"); w2 (1) { pis(\"c\"); } w2_end; }.";
  Hostitel h;
  h.kusy = {"x "};
  h.zastavit_po = 1;
  EXPECT_EQ(spust_s_hostitelem(program, h, volby()), MOXA_STOPPED);
  EXPECT_EQ(h.vystup, "ax");
  EXPECT_EQ(h.volani_cteni, 2);
  // A stop in a read of code that is passed over stops the run too.
  Hostitel h2;
  h2.zastavit_po = 0;
  EXPECT_EQ(spust_s_hostitelem("{ pis(1); i2 (0) { cti(@x); } i2_end; w2 (1) { } w2_end; }.", h2,
                               volby()),
            MOXA_STOPPED);
  EXPECT_EQ(h2.vystup, "1");
}

// A line printed before a long computation reaches the host long before the run ends. The
// run's trace counts its steps: the first output arrives while the loop has most of its
// passes still ahead, where output held back to the end would arrive after the last step.
// The loop runs until a time limit ten ticks of the clock long (a tick, a tenth of a second,
// is how long held output waits), so the share of the run before the first tick is the same
// on a fast machine and a slow one.
void pocitej_kroky(void* user, const char*, std::size_t) { ++static_cast<Hostitel*>(user)->kroku; }

TEST(LiveOutput, ALineArrivesWhileTheProgramComputes) {
  for (const char* vypocet :
       {"w2 (1) { @i -> @i + 1; } w2_end;", "w2 (1) { @s -> @t + \"x\"; } w2_end;"}) {
    Hostitel h;
    moxa_options v = volby();
    v.max_time = 1'000;
    v.trace = pocitej_kroky;
    v.trace_user = &h;
    const std::string program =
        std::string(
            "{ @t -> \"ab\"; @j -> 0; w2 (@j < 18) { @t -> @t + @t; @j -> @j + 1; } "
            "w2_end; pis_ln(\"start\"); pis(\"bez konce radku\"); @i -> 0; ") +
        vypocet + " }.";
    EXPECT_EQ(spust_s_hostitelem(program, h, v), MOXA_STOPPED);
    ASSERT_FALSE(h.prichody.empty());
    EXPECT_EQ(h.prichody[0].second, "start\nbez konce radku");
    EXPECT_EQ(h.vystup, "start\nbez konce radku");  // the stop keeps it all, adds nothing
    EXPECT_LT(h.prichody[0].first * 2, h.kroku) << vypocet;
  }
}

// The time limit stops an endless loop, an endless copying of long texts, and a loop over
// input that never ends, once the limit is up; time spent in `read` does not count.
TEST(TimeLimit, StopsEndlessWorkOnceTheLimitIsUp) {
  const char* programy[] = {
      "{ pis(\"a\"); @i -> 0; w2 (1) { @i -> @i + 1; } w2_end; }.",
      ("{ pis(\"a\"); @t -> \"ab\"; @j -> 0; w2 (@j < 18) { @t -> @t + @t; @j -> @j + 1; } "
       "w2_end; w2 (1) { @s -> @t + \"x\"; i2 (@s = @t) { } i2_end; } w2_end; }."),
      "{ pis(\"a\"); w2 (1) { cti(@x); } w2_end; }.",
  };
  // The limit is never reached early; how soon past it a run stops depends on how busy the
  // machine is, and ctest's timeout catches a run that it never stops.
  for (const char* program : programy) {
    Hostitel h;
    moxa_options v = volby();
    v.max_time = 200;
    const auto zacatek = Hodiny::now();
    EXPECT_EQ(spust_s_hostitelem(program, h, v), MOXA_STOPPED) << program;
    const auto trvani = Hodiny::now() - zacatek;
    EXPECT_EQ(h.vystup, "a") << program;
    EXPECT_GE(trvani, milliseconds(200)) << program;
  }
}

TEST(TimeLimit, TimeSpentWaitingForInputDoesNotCount) {
  Hostitel h;
  h.kusy = {"1 ", "2 ", "3 ", "4 ", "5 "};
  h.spanek = milliseconds(60);
  moxa_options v = volby();
  v.max_time = 200;
  const auto zacatek = Hodiny::now();
  EXPECT_EQ(spust_s_hostitelem("{ w2 (1) { cti(@x); pis(@x); } w2_end; }.", h, v), MOXA_STOPPED);
  const auto trvani = Hodiny::now() - zacatek;
  // All six calls were made (360 ms of waiting, more than the limit, which would have
  // stopped the run after the fourth had it counted), and the run then went on reading empty
  // words until its own 200 ms were up.
  EXPECT_EQ(h.volani_cteni, 6);
  EXPECT_EQ(h.vystup.substr(0, 5), "12345");
  EXPECT_GE(trvani, milliseconds(560));
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
    moxa_options v = volby();
    (casem ? v.max_time : v.max_steps) = casem ? 50 : 1'000'000;
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
    Hostitel h;
    h.kusy = {"7 "};
    moxa_options v = volby();
    v.max_time = ms;
    const char* program =
        "{ @i -> 0; w2 (@i < 5000) { @i -> @i + 1; } w2_end; cti(@x); pis(@i + @x); }.";
    EXPECT_EQ(spust_s_hostitelem(program, h, v), MOXA_OK) << ms;
    EXPECT_EQ(h.vystup, uspesne("5007.000000")) << ms;
  }
}

// On the processor clock only the run's own work counts: a host that holds the run up in
// `write` (300 ms, past the limit of 100) uses up the run's wall-clock time, not its
// processor time.
TEST(TimeLimit, TheProcessorClockCountsOnlyTheRunsOwnWork) {
  const std::string program =
      "{ pis_ln(\"a\"); cti(@x); @i -> 0; w2 (@i < 20000) { @i -> @i + 1; } w2_end; pis(@i); }.";
  for (const int hodiny : {MOXA_WALL_CLOCK, MOXA_CPU_CLOCK}) {
    Hostitel h;
    h.kusy = {"1 "};
    h.spanek_zapisu = milliseconds(300);
    moxa_options v = volby();
    v.max_time = 100;
    v.time_clock = hodiny;
    int proc = -1;
    v.stopped_by = &proc;
    const int kod = spust_s_hostitelem(program, h, v);
    if (hodiny == MOXA_WALL_CLOCK) {
      EXPECT_EQ(kod, MOXA_STOPPED);
      EXPECT_EQ(proc, MOXA_STOP_TIME);
      EXPECT_EQ(h.vystup, "a\n");
    } else {
      EXPECT_EQ(kod, MOXA_OK);
      EXPECT_EQ(proc, MOXA_STOP_NONE);
      EXPECT_EQ(h.vystup, uspesne("a\n20000.000000"));
    }
  }
}

// A stopped run says which limit or request stopped it; a run that was not stopped, none.
TEST(Options, AStoppedRunSaysWhatStoppedIt) {
  // Each run: its program, the limit set (steps, output, memory; none), what stopped it.
  const std::tuple<const char*, unsigned long long moxa_options::*, std::size_t moxa_options::*,
                   int>
      pripady[] = {
          {"{ w2 (1) { pis(\"x\"); } w2_end; }.", &moxa_options::max_steps, nullptr,
           MOXA_STOP_STEPS},
          {"{ w2 (1) { pis(\"x\"); } w2_end; }.", nullptr, &moxa_options::max_output,
           MOXA_STOP_OUTPUT},
          // Calls leave their values on the value stack: in an endless loop they pile up.
          {"{ @a -> \"0123456789\"; w2 (1) { ~uloz(@a; @a; @a; @a); } w2_end; }.", nullptr,
           &moxa_options::max_memory, MOXA_STOP_MEMORY},
          {"{ pis(@x + 1); }.", &moxa_options::max_steps, nullptr, MOXA_STOP_NONE},  // an error
          {"{ cti(@x); }.", nullptr, nullptr, MOXA_STOP_READ}};
  for (const auto& [program, kroky, bajty, ocekavany] : pripady) {
    Hostitel h;
    h.zastavit_po = 0;
    moxa_options v = volby();
    if (kroky != nullptr) v.*kroky = 10'000;
    if (bajty != nullptr) v.*bajty = 1u << 20;
    int proc = -1;
    v.stopped_by = &proc;
    spust_s_hostitelem(program, h, v);
    EXPECT_EQ(proc, ocekavany) << program;
  }
}

}  // namespace
