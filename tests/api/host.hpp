// What the C interface tests share: a host that collects a run's output in a string, the texts
// a successful run ends with, and the golden programs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "../golden.hpp"
#include "../texts.hpp"
#include "moxa/moxa.h"

inline constexpr std::size_t MB = std::size_t{1} << 20;
using texty::USPECH;

// A run as the host saw it: the status, every byte written, and how many calls wrote them.
struct Beh {
  int kod = 0;
  std::string vystup;
  int volani = 0;
  std::pair<int, std::string> co() const { return {kod, vystup}; }  // for one check of both
};
using Vysledek = std::pair<int, std::string>;

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

// The output of a run that printed `text` and ran to its end.
inline std::string uspesne(std::string_view text) { return std::string(text).append(USPECH); }

// A program of one block holding `telo`. (Built by appending: g++ 12 warns wrongly about
// `"literal" + std::string` where the string is a temporary.)
inline std::string blok(std::string_view telo) {
  return std::string("{").append(telo).append(" }.");
}
