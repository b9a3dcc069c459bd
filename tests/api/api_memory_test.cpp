// Memory limits of runs through the C interface. Without a sanitizer (which replaces the
// allocator itself), this program replaces operator new to follow every byte that the
// process holds, so that a test can check the most a run held against its limit.
#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

#include "host.hpp"

#if MOXA_COUNT_ALLOCATIONS
#include "../replaced_new.hpp"

namespace {
std::atomic<std::size_t> strop{SIZE_MAX};  // past this many bytes held, memory runs out
}  // namespace

bool nahrazeny_new::smi(std::size_t n) { return drzeno.load() + n <= strop.load(); }
#endif

namespace {

struct Mereni {
  Beh beh;
  std::size_t narust = 0;  // the most the process held above what it held before the run
};

// Runs `program` under a memory limit of `limit` bytes, with `input` as its input.
Mereni s_merenim(const std::string& program, std::size_t limit, const std::string& input = {}) {
  Mereni m;
  const auto zapis = [](void* user, const char* bytes, std::size_t n) {
    static_cast<Beh*>(user)->vystup.append(bytes, n);
  };
  m.beh.vystup.reserve(1 << 20);  // its growth is the host's, not the run's
  moxa_limits l{};
  l.max_memory = limit;
#if MOXA_COUNT_ALLOCATIONS
  const std::size_t zaklad = nahrazeny_new::drzeno.load();
  nahrazeny_new::nejvic = zaklad;
#endif
  m.beh.kod =
      moxa_run(program.data(), program.size(), input.data(), input.size(), &l, zapis, &m.beh);
#if MOXA_COUNT_ALLOCATIONS
  m.narust = nahrazeny_new::nejvic.load() - zaklad;
#endif
  return m;
}

// A run stopped by its limit came near it (it is not stopped long before: the step that
// failed would have taken it past), but never held more than one and a half times it.
void zkontroluj_spicku(const Mereni& m, std::size_t limit) {
#if MOXA_COUNT_ALLOCATIONS
  EXPECT_GT(m.narust, limit / 2);
  EXPECT_LE(m.narust, limit + limit / 2);
#else
  (void)m;
  (void)limit;
#endif
}

// Call statements leave their arguments on the value stack for ever.
TEST(Limits, MemoryStopsAProgramThatPilesUpValues) {
  const Mereni m = s_merenim("{ w2 (1) { ~f(1; 2; 3; 4); pis(\".\"); } w2_end; }.", 16 * MB);
  EXPECT_EQ(m.beh.kod, MOXA_STOPPED);
  EXPECT_GT(m.beh.vystup.size(), 1000u);
  EXPECT_EQ(m.beh.vystup.find_first_not_of('.'), std::string::npos);  // no message added
  zkontroluj_spicku(m, 16 * MB);
}

TEST(Limits, MemoryStopsAProgramThatPilesUpLongTexts) {
  const std::string program =
      "{ @s -> \"x\"; @i -> 0; w2 (@i < 17) { @s -> @s + @s; @i -> @i + 1; } w2_end;"
      "  w2 (1) { ~f(@s); pis(\".\"); } w2_end; }.";
  const Mereni m = s_merenim(program, 8 * MB);
  EXPECT_EQ(m.beh.kod, MOXA_STOPPED);
  // 128 KiB a value: the stack holds about 64 of them at the limit.
  EXPECT_GE(m.beh.vystup.size(), 30u);
  EXPECT_LE(m.beh.vystup.size(), 100u);
  zkontroluj_spicku(m, 8 * MB);
}

TEST(Limits, MemoryStopsAProgramThatFillsVariables) {
  // 200 variables, each holding a text of 128 KiB: 25 MiB in all.
  std::string program =
      "{ @s -> \"x\"; @i -> 0; w2 (@i < 17) { @s -> @s + @s; @i -> @i + 1; } w2_end;";
  for (int i = 0; i < 200; ++i)
    program += " @v" + std::to_string(i) + " -> @s + \"" + std::to_string(i) + "\";";
  program += " pis(\"done\"); }.";
  const Mereni m = s_merenim(program, 4 * MB);
  EXPECT_EQ(m.beh.kod, MOXA_STOPPED);
  EXPECT_EQ(m.beh.vystup, "");
  // With room for them all, the same program runs to its end.
  EXPECT_EQ(s_merenim(program, 64 * MB).beh.kod, MOXA_OK);
}

std::string opakovane(int n, const std::string& pred, const std::string& po) {
  std::string s = "{";
  for (int i = 1; i <= n; ++i)
    s += " " + pred + std::to_string(i) + po;
  return s + " }.";
}

// Every shape in which a run piles up memory is stopped before it holds more than one and a
// half times its limit, whatever the limit: many variables, reads of unset variables (which
// create them), long names, doubling joins kept on the value stack, long words read, calls
// nested deep, a loop whose code is large, values piled up by calls.
TEST(Limits, MemoryPeakStaysWithinOneAndAHalfTimesTheLimitInEveryShape) {
  const std::string dlouhe_jmeno(2000, 'n');
  std::string hluboko = "{ w2 (1) { ~f(";
  for (int i = 0; i < 5000; ++i)
    hluboko += "~f(1; 2; ";
  hluboko += "3";
  for (int i = 0; i < 5000; ++i)
    hluboko += ")";
  hluboko += "); } w2_end; }.";
  std::string velky_cyklus = "{ w2 (1) {";
  for (int i = 0; i < 60'000; ++i)
    velky_cyklus += " @a -> \"literal " + std::to_string(i) + "\";";
  velky_cyklus += " ~f(@a); } w2_end; }.";
  std::string slova;
  for (int i = 0; i < 200; ++i)
    slova += std::string(60'000, static_cast<char>('a' + i % 26)) + " ";
  const struct {
    const char* jmeno;
    std::string program;
    std::string vstup;
  } tvary[] = {
      {"variables", opakovane(100'000, "@a", " -> 1;"), ""},
      {"unset reads", opakovane(200'000, "pis(@b", ");"), ""},
      {"long names", opakovane(3'000, "@" + dlouhe_jmeno, " -> 1;"), ""},
      {"doubling joins",
       "{ @s -> \"ab\"; @n -> 0; w2 (1) { i2 (@n < 19) { @s -> @s + @s; } i2_end; ~f(@s + @n);"
       " @n -> @n + 1; } w2_end; }.",
       ""},
      {"long words", "{ w2 (1) { cti(@x); ~f(@x); } w2_end; }.", slova},
      {"deep calls", hluboko, ""},
      {"large loop", velky_cyklus, ""},
      {"piled values", "{ w2 (1) { ~f(1; 2; 3; 4); } w2_end; }.", ""},
  };
  for (const std::size_t limit : {std::size_t{256} << 10, std::size_t{1} << 20, 4 * MB}) {
    for (const auto& tvar : tvary) {
      const Mereni m = s_merenim(tvar.program, limit, tvar.vstup);
      EXPECT_EQ(m.beh.kod, MOXA_STOPPED) << tvar.jmeno << " at " << limit;
#if MOXA_COUNT_ALLOCATIONS
      EXPECT_LE(m.narust, limit + limit / 2) << tvar.jmeno << " at " << limit;
      std::printf("%-15s limit %8zu: held at most %.2f times it\n", tvar.jmeno, limit,
                  static_cast<double>(m.narust) / static_cast<double>(limit));
#endif
    }
  }
}

// A long token's text is charged before it grows: a literal or a number of 24 MB under a
// limit of 4 MiB stops near the limit, not after the whole token has been gathered.
TEST(Limits, MemoryStopsALongTokenWhileItIsRead) {
  for (const char c : {'x', '1'}) {
    const std::string token(24 * MB, c);
    const std::string program = c == 'x' ? "{ @a -> \"" + token + "\"; pis(\"ok\"); }."
                                         : "{ @a -> " + token + "; pis(\"ok\"); }.";
    for (const std::string& p :
         {program, "{ w2 (1) {" + program.substr(1, program.size() - 3) + " } w2_end; }."}) {
      const Mereni m = s_merenim(p, 4 * MB);
      EXPECT_EQ(m.beh.kod, MOXA_STOPPED) << p.substr(0, 12);
      EXPECT_EQ(m.beh.vystup, "") << p.substr(0, 12);
#if MOXA_COUNT_ALLOCATIONS
      EXPECT_LE(m.narust, 4 * MB + 2 * MB) << p.substr(0, 12);
#endif
    }
  }
}

// Much allocated, little held: a limit far below the bytes allocated stops nothing.
TEST(Limits, MemoryThatIsGivenBackDoesNotCount) {
  const std::string program =
      "{ @n -> 0; w2 (@n < 3000) { @s -> \"\"; @i -> 0;"
      "  w2 (@i < 40) { @s -> @s + \"abcdefghijklmnopqrstuvwxyz\"; @i -> @i + 1; } w2_end;"
      "  @n -> @n + 1; } w2_end; pis(\"ok\"); }.";
  const Mereni m = s_merenim(program, 256 * 1024);
  EXPECT_EQ(m.beh.kod, MOXA_OK);
  EXPECT_EQ(m.beh.vystup, uspesne("ok"));
}

// Memory that runs out before any limit is reached ends the run as an error, with the
// verdict, and the process goes on.
TEST(Limits, MemoryRunningOutIsAnErrorWithTheVerdict) {
#if MOXA_COUNT_ALLOCATIONS
  Beh b;
  b.vystup.reserve(1 << 20);
  const std::string program = "{ w2 (1) { ~f(1; 2; 3; 4); pis(\".\"); } w2_end; }.";
  const auto zapis = [](void* user, const char* bytes, std::size_t n) {
    static_cast<Beh*>(user)->vystup.append(bytes, n);
  };
  strop = nahrazeny_new::drzeno.load() + 8 * MB;
  b.kod = moxa_run(program.data(), program.size(), nullptr, 0, nullptr, zapis, &b);
  strop = SIZE_MAX;
  EXPECT_EQ(b.kod, MOXA_ERROR);
  const std::string verdikt(texty::VERDIKT);
  ASSERT_GT(b.vystup.size(), verdikt.size() + 1000);
  EXPECT_EQ(b.vystup.substr(b.vystup.size() - verdikt.size()), verdikt);
  EXPECT_EQ(b.vystup.find_first_not_of('.'), b.vystup.size() - verdikt.size());
#else
  GTEST_SKIP() << "the allocator is the sanitizer's";
#endif
}

}  // namespace
