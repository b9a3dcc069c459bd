// Whole runs of arbitrary bytes, each run twice: with loops compiled in their first pass, and
// with loops replayed from their recorded tokens. Any difference in the printed bytes is a
// finding. The input is split as split_input.hpp says.
// A step budget stops programs that loop forever, the same way in both, and an output
// budget those that print forever. Memory is capped as in fuzz_run; a run that hits the cap
// may end at a different point in the two ways, so such inputs are not compared.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "driver/run.hpp"
#include "fuzz/capped_memory.hpp"
#include "fuzz/split_input.hpp"
#include "tests/compare.hpp"

namespace {

using omezena_pamet::hlidat;
using omezena_pamet::pamet_dosla;

constexpr std::uint64_t LIMIT_KROKU = 50'000;
constexpr std::size_t LIMIT_VYSTUPU = std::size_t{4} << 20;

void porovnej(std::string_view program, std::string_view vstup, bool jeden_proud) {
  moxa::Nastaveni nastaveni;
  nastaveni.limit_kroku = LIMIT_KROKU;
  nastaveni.limit_vystupu = LIMIT_VYSTUPU;
  pamet_dosla = false;
  hlidat = true;
  const porovnani::DvaBehy d = porovnani::oba_zpusoby(program, vstup, nastaveni, jeden_proud, true);
  hlidat = false;
  if (d.stejne() || pamet_dosla) return;
  std::fprintf(stderr, "finding: %s\n", d.rozdil().c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzVstup v = rozdel_vstup(std::string_view(reinterpret_cast<const char*>(data), size));
  porovnej(v.program, v.vstup, v.jeden_proud);
  return 0;
}
