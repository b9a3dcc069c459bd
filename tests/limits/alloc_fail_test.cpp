// Memory that runs out in the middle of a run. For every N from 1 up, until a run makes fewer
// than N allocations, each sample program is run with its Nth allocation failing (operator new,
// replaced, is armed around the call of the run alone). The run must end as with enough memory;
// or with what it printed up to that point, the error verdict and the closing banner; or cut
// short, a prefix of the normal output, when the failing allocation would have stored more
// output. An exception may leave the call only from an allocation of the calling thread, made
// while the run is set up. Exit status 0 when every run ended well.
#include <atomic>
#include <cstdio>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "driver/run.hpp"
#include "tests/replaced_new.hpp"
#include "tests/texts.hpp"

namespace {

std::atomic<bool> zapnuto{false};
std::atomic<long> zbyva{0};        // allocations left before the one that fails
std::atomic<bool> selhala{false};  // the armed allocation has failed
std::thread::id vlakno_selhani;    // which thread asked for it
std::thread::id hlavni_vlakno;

struct Program {
  const char* jmeno;
  std::string text;
  std::string vstup{};
};

const std::string VERDIKT_A_KONEC = std::string(texty::VERDIKT) + std::string(texty::BYE);

}  // namespace

// The Nth allocation fails once the counter is armed.
bool nahrazeny_new::smi(std::size_t) {
  if (!zapnuto.load(std::memory_order_relaxed) || zbyva.fetch_sub(1) != 1) return true;
  selhala = true;
  vlakno_selhani = std::this_thread::get_id();
  return false;
}

int main() {
  hlavni_vlakno = std::this_thread::get_id();
  std::string mnoho;  // @a1 -> 1; ... @d9 -> 9;
  for (const char skupina : {'a', 'b', 'c', 'd'})
    for (char i = '1'; i <= '9'; ++i)
      mnoho += std::string("@") + skupina + i + " -> " + i + "; ";
  const std::vector<Program> programy = {
      {"straight line", "{ @a -> 1 + 2; @b -> @a * 2; pis_ln(@b); pis_ln(@a < @b); } ."},
      {"loops",
       "{ @i -> 0; w2 (@i < 3) { @j -> 0; w2 (@j < 2) { pis(@i + @j); @j -> @j + 1; } w2_end; "
       "@i -> @i + 1; } w2_end; pis_ln(\"\"); } ."},
      {"conditionals",
       "{ @x -> 5; i2 (@x > 3) { pis_ln(\"big\"); i2 (0) { pis_ln(1); } e2 { pis_ln(2); } i2_end; "
       "} e2 { pis_ln(\"small\"); } i2_end; } ."},
      {"declarations and calls",
       "?f(p2 @a; p2 @b) { pis_ln(\"decl\"); } { ~f(1; 2); pis_ln(10 - ~f(1; 2)); "
       "pis_ln(~g(\"x\" + \"y\")); } ."},
      {"cti",
       "{ cti(@a); cti(@b); pis_ln(@a + @b); i2 (0) { cti(@c); } i2_end; cti(@d); pis_ln(@d); } .",
       "jedna dva tri ctyri_a_jeste_mnohem_delsi_slovo"},
      {"long texts in a loop",
       "{ @s -> \"abcdefghijklmnopqrstuvwxyz\"; @i -> 0; w2 (@i < 3) { @t -> @s + @i; "
       "pis_ln(@t); ~f(@t; @s + @t); @i -> @i + 1; } w2_end; } ."},
      {"joins", "{ @s -> \"ab\"; @t -> @s + @s + @s + \"cd\"; pis_ln(@t + 1); pis_ln(@t); } ."},
      {"an error", "{ pis_ln(\"before\"); @a -> \"x\" - 1; pis_ln(\"after\"); } ."},
      {"many variables", "{ " + mnoho + "pis_ln(@a1 + @d9); } ."},
  };

  int spatne = 0;
  long behu = 0, unikly = 0;  // runs, and those that the failure left by an exception
  for (const Program& p : programy) {
    const std::string normalni = moxa::spust_text(p.text, p.vstup);
    int verdiktu = 0, useknutych = 0;
    long n = 1;
    for (;; ++n) {
      std::string out;
      bool vyjimka = false;
      selhala = false;
      zbyva = n;
      zapnuto = true;
      try {
        out = moxa::spust_text(p.text, p.vstup);
      } catch (const std::bad_alloc&) {
        vyjimka = true;
      }
      zapnuto = false;
      ++behu;
      if (!selhala) {
        if (out != normalni) {
          ++spatne;
          std::printf("FAIL %s: a run without a failing allocation printed otherwise\n", p.jmeno);
        }
        break;
      }
      const bool v_hlavnim = vlakno_selhani == hlavni_vlakno;
      if (vyjimka) {
        ++unikly;
        std::printf(
            "%s %s: allocation %ld (on the %s thread) failed and the exception left the run\n",
            v_hlavnim ? "note" : "FAIL", p.jmeno, n, v_hlavnim ? "calling" : "run's");
        if (!v_hlavnim) ++spatne;
        continue;
      }
      if (out == normalni) continue;
      if (out.ends_with(VERDIKT_A_KONEC) &&
          normalni.starts_with(out.substr(0, out.size() - VERDIKT_A_KONEC.size()))) {
        ++verdiktu;
        continue;
      }
      // The output collected in memory could not grow: it holds what was stored before.
      // These programs print less than the writer's buffer holds, so the only time the
      // output grows is when the calling thread flushes it at the end.
      if (v_hlavnim && normalni.starts_with(out) && out.size() < normalni.size()) {
        ++useknutych;
        continue;
      }
      ++spatne;
      std::printf("FAIL %s: with allocation %ld failing the run printed:\n%s\n", p.jmeno, n,
                  out.c_str());
    }
    std::printf(
        "%-24s %4ld allocations: %3d runs ended with the verdict, %3d with their "
        "output cut short, the rest as normal\n",
        p.jmeno, n - 1, verdiktu, useknutych);
  }
  std::printf("%ld runs, %ld left by an exception, %d failures\n", behu, unikly, spatne);
  return spatne == 0 ? 0 : 1;
}
