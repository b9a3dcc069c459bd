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

namespace {

using omezena_pamet::hlidat;
using omezena_pamet::pamet_dosla;

constexpr std::uint64_t LIMIT_KROKU = 50'000;
constexpr std::size_t LIMIT_VYSTUPU = std::size_t{4} << 20;

std::string spust(std::string_view program, std::string_view vstup, bool jeden_proud,
                  bool prekladat) {
  moxa::Nastaveni nastaveni;
  nastaveni.limit_kroku = LIMIT_KROKU;
  nastaveni.limit_vystupu = LIMIT_VYSTUPU;
  nastaveni.prekladat_cykly = prekladat;
  hlidat = true;
  std::string vystup = jeden_proud ? moxa::spust_text_ze_vstupu(program, nastaveni)
                                   : moxa::spust_text(program, vstup, nastaveni);
  hlidat = false;
  return vystup;
}

void porovnej(std::string_view program, std::string_view vstup, bool jeden_proud) {
  pamet_dosla = false;
  const std::string prelozene = spust(program, vstup, jeden_proud, true);
  const std::string prehrane = spust(program, vstup, jeden_proud, false);
  if (prelozene == prehrane || pamet_dosla) return;
  std::size_t i = 0;
  while (i < prelozene.size() && i < prehrane.size() && prelozene[i] == prehrane[i])
    ++i;
  const std::size_t od = i > 100 ? i - 100 : 0;
  std::fprintf(stderr, "finding: compiled and replayed loops part at byte %zu\ncompiled: ", i);
  const std::string_view a = std::string_view(prelozene).substr(od, 200);
  const std::string_view b = std::string_view(prehrane).substr(od, 200);
  std::fwrite(a.data(), 1, a.size(), stderr);
  std::fputs("\nreplayed: ", stderr);
  std::fwrite(b.data(), 1, b.size(), stderr);
  std::fputc('\n', stderr);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzVstup v = rozdel_vstup(std::string_view(reinterpret_cast<const char*>(data), size));
  porovnej(v.program, v.vstup, v.jeden_proud);
  return 0;
}
