// Whole runs of arbitrary bytes, the input split as split_input.hpp says.
// A step budget (tokens scanned, loop passes replayed) stops programs that would loop
// forever, and an output budget those that would print forever. Every run must end as a
// run ends: the success line or the error verdict, then the closing banner; only a run that
// hit the output budget, or the memory cap below, may stop short.
// While a run executes, the memory it holds is capped (capped_memory.hpp).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "driver/run.hpp"
#include "fuzz/capped_memory.hpp"
#include "fuzz/split_input.hpp"
#include "tests/texts.hpp"

namespace {

using omezena_pamet::hlidat;
using omezena_pamet::pamet_dosla;

// Each pass of a loop may replay as many tokens as the input holds, so the budget of passes
// is kept low enough that no run takes long.
constexpr std::uint64_t LIMIT_KROKU = 50'000;
constexpr std::size_t LIMIT_VYSTUPU = std::size_t{4} << 20;
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

// Checks that `vystup` is the output of a whole run of an input of `delka` bytes.
void zkontroluj(std::string_view vystup, std::size_t delka) {
  if (vystup.substr(0, HELLO.size()) != HELLO) nalez("no opening banner", vystup);
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

std::string spust(std::string_view program, std::string_view vstup, bool jeden_proud) {
  const moxa::Nastaveni nastaveni{LIMIT_KROKU, LIMIT_VYSTUPU};
  pamet_dosla = false;
  hlidat = true;
  std::string vystup = jeden_proud ? moxa::spust_text_ze_vstupu(program, nastaveni)
                                   : moxa::spust_text(program, vstup, nastaveni);
  hlidat = false;
  return vystup;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view vse(reinterpret_cast<const char*>(data), size);
  const FuzzVstup v = rozdel_vstup(vse);
  const std::string vystup = spust(v.program, v.vstup, v.jeden_proud);
  zkontroluj(vystup, size);
  // Without a read statement it does not matter where cti would read from: the same bytes
  // as one stream must give the same output. The keyword can only come from these bytes.
  if (v.bez_znacky && vse.find("cti") == std::string_view::npos && !pamet_dosla) {
    const std::string z_proudu = spust(vse, {}, true);
    if (z_proudu != vystup && !pamet_dosla) {
      nalez("a program without cti ran differently from one stream", z_proudu);
    }
  }
  return 0;
}
