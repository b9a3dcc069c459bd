// Whole runs through the C interface, with limits drawn from the input, checked against the
// same run made directly: the first 12 bytes choose the step, output and memory limits,
// the rest is split into program and words at its first 00 00 pair as in fuzz_run.
//   - the result is one of MOXA_OK, MOXA_ERROR, MOXA_STOPPED;
//   - a run that is not stopped writes exactly the direct run's bytes minus the banners, and
//     its result agrees with how those bytes end;
//   - a stopped run wrote a prefix of what the direct run writes, at most max_output bytes.
// Both runs get the same limits, the direct one with steps that measure work as the library
// counts them, and both keep the bounds of bounds.hpp on memory and time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "driver/run.hpp"
#include "fuzz/bounds.hpp"
#include "fuzz/capped_memory.hpp"
#include "moxa/moxa.h"
#include "tests/texts.hpp"

namespace {

using texty::BYE;
using texty::HELLO;
using texty::USPECH;
using texty::VERDIKT;

void sbirej(void* user, const char* bytes, std::size_t n) {
  static_cast<std::string*>(user)->append(bytes, n);
}

bool konci(std::string_view s, std::string_view konec) {
  return s.size() >= konec.size() && s.substr(s.size() - konec.size()) == konec;
}

void selhani(const char* co) {
  std::fprintf(stderr, "fuzz_api: %s\n", co);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 12) return 0;
  std::uint32_t k, v, p;
  std::memcpy(&k, data, 4);
  std::memcpy(&v, data + 4, 4);
  std::memcpy(&p, data + 8, 4);
  moxa_limits limity{};
  limity.max_steps = 1 + k % 50'000;  // always a step limit: the programs may loop forever
  limity.max_output = v % 3 == 0 ? 0 : v % 100'000;
  limity.max_memory = 4096 + p % (64u << 20);
  const std::string_view vstup(reinterpret_cast<const char*>(data) + 12, size - 12);
  const std::size_t deleni = vstup.find(std::string_view("\0\0", 2));
  const std::string_view program = vstup.substr(0, deleni);
  const std::string_view slova =
      deleni == std::string_view::npos ? std::string_view() : vstup.substr(deleni + 2);

  moxa::Nastaveni primo;
  primo.limit_kroku = limity.max_steps;
  primo.limit_pameti = limity.max_memory;
  primo.tichy_limit_kroku = true;
  primo.kroky_za_texty = true;

  // Each step writes at most a value's length: the output's buffer is reserved beforehand,
  // for its growth is the host's, not the run's.
  static std::string api;
  api.clear();
  api.reserve(std::size_t{64} << 20);
  const auto pres_api = [&](std::string& kam, int& kod) {
    meze::Beh b;
    const meze::Mereni m;
    kod =
        moxa_run(program.data(), program.size(), slova.data(), slova.size(), &limity, sbirej, &kam);
    m.konec(b);
    return b;
  };
  int kod = 0;
  const meze::Beh b = pres_api(api, kod);
  meze::over(b, program, vstup.size(), primo, [&] {
    static std::string znovu;
    znovu.clear();
    znovu.reserve(api.capacity());
    int k = 0;
    return pres_api(znovu, k).sekund;
  });

  const meze::Beh prima = meze::zmer(program, slova, false, primo);
  meze::over(prima, program, vstup.size(), primo,
             [&] { return meze::zmer(program, slova, false, primo).sekund; });
  std::string cele = prima.vystup;
  if (cele.substr(0, HELLO.size()) != HELLO) selhani("no opening banner");
  cele.erase(0, HELLO.size());

  if (limity.max_output != 0 && api.size() > limity.max_output) selhani("output past its limit");
  if (kod == MOXA_STOPPED) {
    if (cele.compare(0, api.size(), api) != 0) selhani("a stopped run is no prefix");
    return 0;
  }
  if (!konci(cele, BYE)) selhani("no closing banner");
  cele.erase(cele.size() - BYE.size());
  if (api != cele) selhani("the library and the direct run differ");
  if (kod == MOXA_OK && !konci(api, USPECH)) selhani("MOXA_OK without the success line");
  if (kod == MOXA_ERROR && !konci(api, VERDIKT)) selhani("MOXA_ERROR without the verdict");
  if (kod != MOXA_OK && kod != MOXA_ERROR) selhani("unknown result");
  return 0;
}
