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

namespace {

std::string opakuj(int n, const std::string& co) {
  std::string s;
  for (int i = 0; i < n; ++i)
    s += co;
  return s;
}

// `n` repetitions with the number of the repetition between `pred` and `po`.
std::string cislovane(int n, const std::string& pred, const std::string& po) {
  std::string s;
  for (int i = 0; i < n; ++i)
    s += pred + std::to_string(i) + po;
  return s;
}

}  // namespace

int main() {
  const std::string megabajt =  // @t: 512 KiB
      "@t -> \"ab\"; @j -> 0; w2 (@j < 18) { @t -> @t + @t; @j -> @j + 1; } w2_end; ";
  std::string slova;
  for (int i = 0; i < 300; ++i)
    slova += std::string(100'000, i % 2 == 0 ? 'a' : '1') + " ";
  const struct {
    const char* jmeno;
    std::string program;
    std::string vstup;
  } tvary[] = {
      {"long body",
       "{ @i -> 0; w2 (1) {" + cislovane(50'000, " @a", " -> @i + 1;") + " } w2_end; }.", ""},
      {"long joins",
       "{ " + megabajt + "w2 (1) {" + opakuj(100, " @s -> @t + \"x\";") + " } w2_end; }.", ""},
      {"long copies", "{ " + megabajt + "w2 (1) { @u -> @t; @v -> @u; ~f(@v); } w2_end; }.", ""},
      {"long comparisons", "{ " + megabajt + "@u -> @t; w2 (@t = @u) { } w2_end; }.", ""},
      {"long literal", "{ w2 (1) { pis(\"" + std::string(200'000, 'x') + "\"); } w2_end; }.", ""},
      {"variables", "{" + cislovane(300'000, " @v", " -> 1;") + " w2 (1) { } w2_end; }.", ""},
      {"long names",
       "{" + cislovane(3'000, " @" + std::string(3'000, 'n'), " -> 1;") + " w2 (1) { } w2_end; }.",
       ""},
      {"nested calls", "{ w2 (1) { ~f(~f(~f(1; 2); 3); @x); } w2_end; }.", ""},
      {"fractions", "{ @i -> 0; w2 (1) { @i -> @i + 1 / 3; pis(@i / 7); } w2_end; }.", ""},
      {"straight code",
       "{ @y -> 1;" +
           cislovane(200'000, " @x -> (@y + 3) * 2 + \"ab\" + ", "; pis(@x); :: note\n") + "}.",
       ""},
      {"long words", "{ w2 (1) { cti(@x); @y -> @x + 1; } w2_end; }.", slova},
      {"words passed over", "{ w2 (1) { i2 (0) { cti(@x); } i2_end; } w2_end; }.", slova},
      {"long comment", "{ :! " + std::string(20'000'000, 'c') + " !: w2 (1) { } w2_end; }.", ""},
  };
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
