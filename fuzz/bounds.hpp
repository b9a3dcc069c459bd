// The two bounds that every run of the fuzz targets keeps, whatever its program, checked on
// every input:
//   - memory: a run never holds more than one and a half times its memory limit, counted as
//     bytes held through operator new by all threads (the allocator that capped_memory.hpp
//     installs counts them), besides what any run holds and the text of the token being
//     scanned, which the input bounds;
//   - time: a run takes no more processor time than its step budget allows at the rate the
//     library's header states for a million steps, with room for the sanitizers and the
//     coverage counters of a fuzzing build.
// A run that breaks either is a finding. Include after capped_memory.hpp, in one file of a
// target.
#pragma once

#include <time.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "driver/run.hpp"
#include "fuzz/capped_memory.hpp"
#include "vm/messages.hpp"

namespace meze {

// The limits of the runs: steps enough for every seed program to end, memory small enough
// that a program which piles up values reaches it within the steps.
inline constexpr std::uint64_t KROKY = 50'000;
inline constexpr std::size_t PAMET = std::size_t{1} << 20;
inline constexpr std::size_t VYSTUP = std::size_t{4} << 20;

// An optimised build takes at most 0.1 s for a million steps (include/moxa/moxa.h). A
// fuzzing build runs every instruction under AddressSanitizer, UndefinedBehaviorSanitizer and
// coverage counters, several times slower: it is allowed 50 times as much, and a fixed
// amount for what a run costs before its first step (its thread and its stack).
inline constexpr double SEKUND_NA_MILION_KROKU = 5.0;
inline constexpr double SEKUND_NA_BEH = 0.05;

inline double cas_procesoru() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

[[noreturn]] inline void porusena(const char* co, std::string_view program, double cislo,
                                  double mez) {
  std::fprintf(stderr, "finding: %s: %.4g, bound %.4g\nprogram (%zu bytes): %.*s\n", co, cislo, mez,
               program.size(), static_cast<int>(program.size() > 300 ? 300 : program.size()),
               program.data());
  std::abort();
}

struct Beh {
  std::string vystup;
  moxa::Konec konec = moxa::Konec::Chyba;
  std::size_t spicka = 0;    // the most the run held at once above what was held before it
  double sekund = 0;         // processor time the run took
  bool pamet_dosla = false;  // the memory cap refused an allocation
};

// Measures what happens between its construction and `konec`: the most held at once above
// what was held before, and the processor time.
class Mereni {
 public:
  Mereni() : zaklad_(nahrazeny_new::drzeno.load()) {
    nahrazeny_new::nejvic = zaklad_;
    omezena_pamet::pamet_dosla = false;
    omezena_pamet::hlidat = true;
    t0_ = cas_procesoru();
  }
  Mereni(const Mereni&) = delete;
  Mereni& operator=(const Mereni&) = delete;
  void konec(Beh& b) const {
    b.sekund = cas_procesoru() - t0_;
    omezena_pamet::hlidat = false;
    b.pamet_dosla = omezena_pamet::pamet_dosla;
    const std::size_t nejvic = nahrazeny_new::nejvic.load();
    b.spicka = nejvic > zaklad_ ? nejvic - zaklad_ : 0;
  }

 private:
  const std::size_t zaklad_;
  double t0_ = 0;
};

// A whole run as `spust_text` (or `spust_text_ze_vstupu` with `jeden_proud`) makes it, with
// the settings `n`, measured. The output goes into a buffer reserved beforehand, so that its
// growth, which is the host's, is not counted as the run's.
inline Beh zmer(std::string_view program, std::string_view vstup, bool jeden_proud,
                const moxa::Nastaveni& n) {
  static std::string buffer;
  buffer.clear();
  buffer.reserve(n.limit_vystupu != 0 ? n.limit_vystupu : VYSTUP);
  Beh b;
  {
    moxa::CilRetezec cil(buffer, n.limit_vystupu);
    moxa::Vystup out(cil);
    moxa::TextovyVstup zdroj(program);
    moxa::TextovyVstup slova(vstup);
    const Mereni m;
    out.pis(moxa::zpravy::HELLO);
    b.konec = moxa::beh(zdroj, jeden_proud ? zdroj : slova, out, n);
    out.pis(moxa::zpravy::BYE);
    out.vyprazdnit();
    m.konec(b);
  }
  b.vystup = buffer;
  return b;
}

// What any run holds at its peak besides what its program asks for: a run of the empty
// program.
inline std::size_t rezie() {
  static const std::size_t r = zmer("{}.", {}, false, {}).spicka;
  return r;
}

// How many runs of one input must all be past the time bound for a finding. A run's processor
// time also holds what a busy machine did to it (page faults, a wait for memory while other
// targets run beside it), which a second run does not meet again; a slow path of the
// interpreter is met by every run.
inline constexpr int BEHU_PRES_CAS = 3;

// Checks both bounds for run `b` of `program` (with `delka` bytes of input in all) made with
// the settings `n`. `znovu` makes the same run again and returns its processor time.
template <typename Znovu>
void over(const Beh& b, std::string_view program, std::size_t delka, const moxa::Nastaveni& n,
          Znovu znovu) {
  if (n.limit_pameti != 0 && !b.pamet_dosla) {
    const std::size_t mez = n.limit_pameti + n.limit_pameti / 2 + rezie() + delka;
    if (b.spicka > mez) {
      porusena("memory held past 1.5 times the limit", program, static_cast<double>(b.spicka),
               static_cast<double>(mez));
    }
  }
  if (n.limit_kroku != 0) {
    const double mez =
        SEKUND_NA_BEH + static_cast<double>(n.limit_kroku) * 1e-6 * SEKUND_NA_MILION_KROKU;
    double nejmene = b.sekund;
    for (int i = 1; i < BEHU_PRES_CAS && nejmene > mez; ++i) {
      const double s = znovu();
      if (s < nejmene) nejmene = s;
    }
    if (nejmene > mez) {
      porusena("seconds past the step budget's time in every run", program, nejmene, mez);
    }
  }
}

// The settings of a run whose steps measure work: a stop by steps, memory or output ends the
// output where it stands.
inline moxa::Nastaveni nastaveni() {
  moxa::Nastaveni n;
  n.limit_kroku = KROKY;
  n.limit_vystupu = VYSTUP;
  n.limit_pameti = PAMET;
  n.tichy_limit_kroku = true;
  n.kroky_za_texty = true;
  return n;
}

}  // namespace meze
