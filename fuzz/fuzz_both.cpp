// Whole runs of arbitrary bytes, each run twice: with loops compiled in their first pass, and
// with loops replayed from their recorded tokens. The input is split as split_input.hpp says.
// Both runs get the limits of bounds.hpp and keep its bounds on memory and time. Runs that
// both end must print the same bytes. The two ways spend steps and memory differently (they
// copy texts a different number of times and keep loops in different forms), so a limit may
// stop them at different points: a stopped run must have printed a prefix of what the other
// printed. Any other difference is a finding. A run that hits the memory cap of
// capped_memory.hpp may end anywhere, so such inputs are not compared.
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
#include "tests/compare.hpp"

namespace {

bool je_predpona(std::string_view kratsi, std::string_view delsi) {
  return delsi.substr(0, kratsi.size()) == kratsi;
}

// Whether runs `a` and `b` of the same program agree, as the header says.
bool souhlasi(const meze::Beh& a, const meze::Beh& b) {
  const bool a_stop = a.konec == moxa::Konec::Zastaven;
  const bool b_stop = b.konec == moxa::Konec::Zastaven;
  if (!a_stop && !b_stop) return a.vystup == b.vystup;
  if (a_stop && b_stop) {
    return a.vystup.size() <= b.vystup.size() ? je_predpona(a.vystup, b.vystup)
                                              : je_predpona(b.vystup, a.vystup);
  }
  return a_stop ? je_predpona(a.vystup, b.vystup) : je_predpona(b.vystup, a.vystup);
}

void porovnej(std::string_view program, std::string_view vstup, bool jeden_proud) {
  moxa::Nastaveni nastaveni = meze::nastaveni();
  const std::size_t delka = program.size() + vstup.size();
  nastaveni.prekladat_cykly = true;
  const auto zmer = [&] { return meze::zmer(program, vstup, jeden_proud, nastaveni); };
  const meze::Beh prelozene = zmer();
  meze::over(prelozene, program, delka, nastaveni, [&] { return zmer().sekund; });
  nastaveni.prekladat_cykly = false;
  const meze::Beh prehrane = zmer();
  meze::over(prehrane, program, delka, nastaveni, [&] { return zmer().sekund; });
  if (prelozene.pamet_dosla || prehrane.pamet_dosla || souhlasi(prelozene, prehrane)) return;
  std::fprintf(
      stderr, "finding: %s\n",
      porovnani::rozdil(prelozene.vystup, prehrane.vystup, "compiled", "replayed").c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzVstup v = rozdel_vstup(std::string_view(reinterpret_cast<const char*>(data), size));
  porovnej(v.program, v.vstup, v.jeden_proud);
  return 0;
}
