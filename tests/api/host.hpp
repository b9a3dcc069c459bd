// What the C interface tests share: a host that collects a run's output in a string, the
// limits in one call, and the texts a successful run ends with.
#pragma once

#include <cstddef>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "../texts.hpp"
#include "moxa/moxa.h"

inline constexpr std::size_t MB = std::size_t{1} << 20;
using texty::USPECH;

// A run as the host saw it: the status, every byte written, and how many calls wrote them.
struct Beh {
  int kod = 0;
  std::string vystup;
  int volani = 0;
};

inline void sbirej(void* user, const char* bytes, std::size_t n) {
  auto* b = static_cast<Beh*>(user);
  b->vystup.append(bytes, n);
  ++b->volani;
}

inline Beh spust(std::string_view program, std::string_view input = {},
                 const moxa_limits* limits = nullptr) {
  Beh b;
  b.kod = moxa_run(program.data(), program.size(), input.data(), input.size(), limits, sbirej, &b);
  return b;
}
inline Beh spust(std::string_view program, const moxa_limits& limits, std::string_view input = {}) {
  return spust(program, input, &limits);
}

inline moxa_limits limity(unsigned long long kroky, std::size_t vystup, std::size_t pamet) {
  moxa_limits l{};
  l.max_steps = kroky;
  l.max_output = vystup;
  l.max_memory = pamet;
  return l;
}

// The output of a run that printed `text` and ran to its end.
inline std::string uspesne(std::string_view text) {
  std::string s(text);
  s.append(USPECH);
  return s;
}

inline std::string precti(const std::string& cesta) {
  std::ifstream in(cesta, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
