// Comparing outputs, for the tests and fuzzers: where two outputs part, shown with a little
// context, and, in the build that can replay loops, a program run both ways (loops compiled
// in their first pass, and loops replayed from their recorded tokens), which must print the
// same bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "driver/run.hpp"
#include "trace/trace.hpp"

namespace porovnani {

// Up to 40 bytes of `s` either side of byte `i`, a line feed and any byte that is not
// printable ASCII written as an escape.
inline std::string okoli(std::string_view s, std::size_t i) {
  std::string r;
  const std::size_t od = i > 40 ? i - 40 : 0;
  for (std::size_t k = od; k < s.size() && k < i + 40; ++k) {
    const auto c = static_cast<unsigned char>(s[k]);
    if (c == '\n') {
      r += "\\n";
    } else if (c < 32 || c > 126) {
      char b[8];
      std::snprintf(b, sizeof b, "\\x%02x", c);
      r += b;
    } else {
      r += static_cast<char>(c);
    }
  }
  return r;
}

// Where output `a` (called `jmeno_a`) and output `b` (called `jmeno_b`) part, for a failure
// message: at the first byte that differs, or at the end of the shorter when it is a prefix of
// the longer; empty when they are equal.
inline std::string rozdil(std::string_view a, std::string_view b,
                          std::string_view jmeno_a = "expected", std::string_view jmeno_b = "got") {
  if (a == b) return {};
  const auto i = static_cast<std::size_t>(
      std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
  std::string r = "outputs of " + std::to_string(a.size()) + " and " + std::to_string(b.size()) +
                  " bytes part at byte " + std::to_string(i) + "\n ";
  r.append(jmeno_a).append(": ").append(okoli(a, i)).append("\n ");
  return r.append(jmeno_b).append(": ").append(okoli(b, i));
}

// A run's trace, its lines one after another.
inline void do_retezce(void* user, const char* radek, std::size_t delka) {
  static_cast<std::string*>(user)->append(radek, delka);
}

#ifdef MOXA_PREHRAVANI
struct DvaBehy {
  std::string prelozene;  // with loops compiled (the way every real run takes)
  std::string prehrane;   // with loops replayed from their recorded tokens
  // Their traces, when asked for.
  std::string stopa_prelozene;
  std::string stopa_prehrane;
  bool stejne() const { return prelozene == prehrane && stopa_prelozene == stopa_prehrane; }
  std::string rozdil() const {
    if (prelozene != prehrane)
      return porovnani::rozdil(prelozene, prehrane, "compiled", "replayed");
    return "traces: " + porovnani::rozdil(stopa_prelozene, stopa_prehrane, "compiled", "replayed");
  }
};

// Runs `program` both ways with the settings `n` otherwise; with `jeden_proud` the input
// follows the program on the one stream that both are read from. With `stopy` each run
// writes its trace too, and the traces must agree as well.
inline DvaBehy oba_zpusoby(std::string_view program, std::string_view vstup, moxa::Nastaveni n = {},
                           bool jeden_proud = false, bool stopy = false) {
  const auto beh = [&](bool prekladat, std::string& stopa) {
    moxa::Stopa s(do_retezce, &stopa);
    n.prekladat_cykly = prekladat;
    n.stopa = stopy ? &s : nullptr;
    return jeden_proud ? moxa::spust_text_ze_vstupu(std::string(program).append(vstup), n)
                       : moxa::spust_text(program, vstup, n);
  };
  DvaBehy d;
  d.prelozene = beh(true, d.stopa_prelozene);
  d.prehrane = beh(false, d.stopa_prehrane);
  return d;
}
#endif

}  // namespace porovnani
