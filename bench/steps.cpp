// Processor time per million steps, in the costliest shapes of program found: long loop
// bodies, long joins, copies and comparisons, long literals, many variables, long names,
// nested calls, fractions, straight-line code, long words read or passed over, long
// comments. Each runs through the C interface until 2,000,000 steps stop it. The header
// states that a million steps take at most 0.1 s on the development machine; this program
// prints each shape's time and exits with 1 when one is above that figure.
//
// Usage: moxa_bench_steps   (built with `cmake --build --preset release --target
// moxa_bench_steps`, run as build/bench/moxa_bench_steps on a machine left otherwise idle)
#include <cstdio>
#include <ctime>
#include <string>

#include "moxa/moxa.h"
#include "tests/api/shapes.hpp"

int main() {
  const auto tvary = moxa::testy::nejdrazsi_tvary();
  constexpr unsigned long long KROKU = 2'000'000;
  int vysledek = 0;
  std::printf("%-18s %s\n", "shape", "s per million steps");
  for (const auto& tvar : tvary) {
    moxa_limits l{};
    l.max_steps = KROKU;
    const std::clock_t zacatek = std::clock();
    const int kod = moxa_run(tvar.program.data(), tvar.program.size(), tvar.vstup.data(),
                             tvar.vstup.size(), &l, nullptr, nullptr);
    const double sekund = static_cast<double>(std::clock() - zacatek) / CLOCKS_PER_SEC;
    const double za_milion = sekund * 1e6 / static_cast<double>(KROKU);
    const bool v_mezi = kod == MOXA_STOPPED && za_milion <= 0.1;
    std::printf("%-18s %.3f%s\n", tvar.jmeno, za_milion,
                kod != MOXA_STOPPED ? "  <- not stopped by its steps"
                : v_mezi            ? ""
                                    : "  <- above 0.1 s");
    if (!v_mezi) vysledek = 1;
  }
  return vysledek;
}
