// Whole runs of arbitrary bytes, the input split as split_input.hpp says.
// A step budget that measures work stops programs that would loop forever, a memory limit
// those that pile up values, and an output budget those that would print forever; every run
// keeps the bounds of bounds.hpp on its memory and its time. Every run must end as a run
// ends: the success line or the error verdict, then the closing banner; only a run that a
// limit stopped, or that hit the memory cap (capped_memory.hpp), may stop short.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "driver/run.hpp"
#include "fuzz/bounds.hpp"
#include "fuzz/capped_memory.hpp"
#include "fuzz/split_input.hpp"
#include "tests/texts.hpp"

namespace {

constexpr std::size_t LIMIT_VYSTUPU = meze::VYSTUP;
// The longest text the run may hand the writer at once: a value, or a token quoted in a
// message (bounded by the input), or a full buffer.
constexpr std::size_t NEJDELSI_HODNOTA = std::size_t{1} << 20;
constexpr std::size_t BUFFER_VYSTUPU = std::size_t{1} << 16;

using texty::BYE;
using texty::HELLO;
using texty::USPECH;
using texty::VERDIKT;

bool konci(std::string_view s, std::string_view konec) {
  return s.size() >= konec.size() && s.substr(s.size() - konec.size()) == konec;
}

[[noreturn]] void nalez(const char* co, std::string_view vystup) {
  std::fprintf(stderr, "finding: %s\noutput (%zu bytes), last bytes:\n", co, vystup.size());
  const std::string_view konec = vystup.substr(vystup.size() > 300 ? vystup.size() - 300 : 0);
  std::fwrite(konec.data(), 1, konec.size(), stderr);
  std::fputc('\n', stderr);
  std::abort();
}

// Checks that `vystup` is the output of a whole run of an input of `delka` bytes, which
// ended as `konec` says; `pamet_dosla` when the memory cap refused an allocation in it.
void zkontroluj(std::string_view vystup, std::size_t delka, moxa::Konec konec, bool pamet_dosla) {
  if (vystup.substr(0, HELLO.size()) != HELLO) nalez("no opening banner", vystup);
  if (konec == moxa::Konec::Zastaven) {
    if (konci(vystup, BYE)) nalez("a stopped run with the closing banner", vystup);
    return;
  }
  if (konci(vystup, BYE)) {
    const std::string_view pred = vystup.substr(0, vystup.size() - BYE.size());
    if (!konci(pred, USPECH) && !konci(pred, VERDIKT)) {
      nalez("neither the success line nor the verdict before the closing banner", vystup);
    }
    return;
  }
  // Without the closing banner the output budget must have refused a write.
  const std::size_t nejdelsi_zapis =
      BUFFER_VYSTUPU + (delka > NEJDELSI_HODNOTA ? delka : NEJDELSI_HODNOTA) + 64;
  if (vystup.size() + nejdelsi_zapis < LIMIT_VYSTUPU && !pamet_dosla) {
    nalez("the run stopped short of its closing banner", vystup);
  }
}

// A run with the limits, its bounds checked.
meze::Beh spust(std::string_view program, std::string_view vstup, bool jeden_proud) {
  const moxa::Nastaveni nastaveni = meze::nastaveni();
  meze::Beh b = meze::zmer(program, vstup, jeden_proud, nastaveni);
  meze::over(b, program, program.size() + vstup.size(), nastaveni,
             [&] { return meze::zmer(program, vstup, jeden_proud, nastaveni).sekund; });
  return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view vse(reinterpret_cast<const char*>(data), size);
  const FuzzVstup v = rozdel_vstup(vse);
  const meze::Beh b = spust(v.program, v.vstup, v.jeden_proud);
  const std::string& vystup = b.vystup;
  zkontroluj(vystup, size, b.konec, b.pamet_dosla);
  // Without a read statement it does not matter where cti would read from: the same bytes
  // as one stream must give the same output. The keyword can only come from these bytes.
  if (v.bez_znacky && vse.find("cti") == std::string_view::npos && !b.pamet_dosla) {
    const meze::Beh z_proudu = spust(vse, {}, true);
    if (z_proudu.vystup != vystup && !z_proudu.pamet_dosla) {
      nalez("a program without cti ran differently from one stream", z_proudu.vystup);
    }
  }
  return 0;
}
