// The costliest shapes of program found per step: long loop bodies, long joins, copies and
// comparisons, long literals, many variables, long names, nested calls, fractions,
// straight-line code, long words read or passed over, long comments. The limits' tests show
// that steps stop each of them; bench/steps.cpp measures the time a million steps take in
// each. Built on the standard library alone, as those programs are on the public header.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace moxa::testy {

// `co` written `n` times.
template <typename N>
std::string opakuj(N n, std::string_view co) {
  std::string s;
  s.reserve(co.size() * static_cast<std::size_t>(n));
  for (N i = 0; i < n; ++i)
    s += co;
  return s;
}

// The same, with the number of the repetition after `pred`.
inline std::string cislovane(int n, const std::string& pred, const std::string& po) {
  std::string s;
  for (int i = 0; i < n; ++i)
    s += pred + std::to_string(i) + po;
  return s;
}

// Statements that make @t a text of 512 KiB.
inline const std::string DLOUHE_T =
    "@t -> \"ab\"; @j -> 0; w2 (@j < 18) { @t -> @t + @t; @j -> @j + 1; } w2_end; ";

struct Tvar {
  const char* jmeno;
  std::string program;
  std::string vstup{};  // what the program reads
};

// Each shape as a program that loops for ever, with its input.
inline std::vector<Tvar> nejdrazsi_tvary() {
  std::string slova;
  for (int i = 0; i < 300; ++i)
    slova += std::string(100'000, i % 2 == 0 ? 'a' : '1') + " ";
  return {
      {"long body",
       "{ @i -> 0; w2 (1) {" + cislovane(50'000, " @a", " -> @i + 1;") + " } w2_end; }."},
      {"long joins",
       "{ " + DLOUHE_T + "w2 (1) {" + opakuj(100, " @s -> @t + \"x\";") + " } w2_end; }."},
      {"long copies", "{ " + DLOUHE_T + "w2 (1) { @u -> @t; @v -> @u; ~f(@v); } w2_end; }."},
      {"long comparisons", "{ " + DLOUHE_T + "@u -> @t; w2 (@t = @u) { } w2_end; }."},
      {"long literal", "{ w2 (1) { pis(\"" + std::string(200'000, 'x') + "\"); } w2_end; }."},
      {"variables", "{" + cislovane(300'000, " @v", " -> 1;") + " w2 (1) { } w2_end; }."},
      {"long names",
       "{" + cislovane(3'000, " @" + std::string(3'000, 'n'), " -> 1;") + " w2 (1) { } w2_end; }."},
      {"nested calls", "{ w2 (1) { ~f(~f(~f(1; 2); 3); @x); } w2_end; }."},
      {"fractions", "{ @i -> 0; w2 (1) { @i -> @i + 1 / 3; pis(@i / 7); } w2_end; }."},
      {"straight code",
       "{ @y -> 1;" +
           cislovane(200'000, " @x -> (@y + 3) * 2 + \"ab\" + ", "; pis(@x); :: note\n") + "}."},
      {"long words", "{ w2 (1) { cti(@x); @y -> @x + 1; } w2_end; }.", slova},
      {"words passed over", "{ w2 (1) { i2 (0) { cti(@x); } i2_end; } w2_end; }.", slova},
      {"long comment", "{ :! " + std::string(20'000'000, 'c') + " !: w2 (1) { } w2_end; }."},
  };
}

}  // namespace moxa::testy
