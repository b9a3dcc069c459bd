// The C interface: one whole run over texts held in memory, with its output passed to the
// host's write function as it arises.
#include "moxa/moxa.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <exception>
#include <string_view>

#include "driver/run.hpp"
#include "limits/budget.hpp"
#include "trace/trace.hpp"

namespace {

// The host's output function and its argument, for a `moxa::CilFunkce`.
struct ZapisHostitele {
  moxa_write_fn funkce;
  void* user;

  static bool zapis(void* z, const char* data, std::size_t n) {
    const auto* h = static_cast<const ZapisHostitele*>(z);
    if (n != 0 && h->funkce != nullptr) h->funkce(h->user, data, n);
    return true;
  }
};

// The words that `cti` reads: the host's `input` first, then, with a read callback, what
// the callback supplies. Before each call all output so far is delivered, and the wait does
// not count toward the time limit. A stop asked for by the callback stops the run.
class VstupHostitele final : public moxa::Vstup {
 public:
  VstupHostitele(std::string_view text, moxa_read_fn cti, void* user, moxa::Vystup& out)
      : text_(text), cti_(cti), user_(user), out_(out) {}

  bool zastavil() const { return zastavil_; }

 protected:
  void doplnit() override {
    if (!text_.empty()) {
      const std::size_t n = std::min(text_.size(), BLOK);
      pozice_ = reinterpret_cast<const unsigned char*>(text_.data());
      konec_ = pozice_ + n;
      text_.remove_prefix(n);
      return;
    }
    pozice_ = konec_ = buf_;
    if (cti_ == nullptr || zastavil_ || out_.zastaveno()) return;
    out_.vyprazdnit();
    std::size_t n = 0;
    {
      const moxa::Rozpocet::Cekani cekani;
      n = cti_(user_, reinterpret_cast<char*>(buf_), sizeof buf_);
    }
    if (n > sizeof buf_) {
      // MOXA_READ_STOP (or a count the buffer cannot hold): the run ends here, and at its
      // next step it sees the stop.
      zastavil_ = true;
      out_.zastav();
      out_.budik().zazvon(moxa::Budik::ZASTAVIT);
      return;
    }
    konec_ = buf_ + n;
  }

 private:
  std::string_view text_;
  moxa_read_fn cti_;
  void* user_;
  moxa::Vystup& out_;
  bool zastavil_ = false;
  unsigned char buf_[4096];
};

// What stopped a run that ended with `vysledek`: the output limit or the read function when
// one of them did, else the budget's limit.
int proc_zastaven(int vysledek, const moxa::CilFunkce& cil, const VstupHostitele& vstup,
                  moxa::Rozpocet::Duvod duvod) {
  if (vysledek != MOXA_STOPPED) return MOXA_STOP_NONE;
  if (cil.prekrocen()) return MOXA_STOP_OUTPUT;
  if (vstup.zastavil()) return MOXA_STOP_READ;
  switch (duvod) {
    case moxa::Rozpocet::Duvod::Kroky: return MOXA_STOP_STEPS;
    case moxa::Rozpocet::Duvod::Pamet: return MOXA_STOP_MEMORY;
    case moxa::Rozpocet::Duvod::Cas: return MOXA_STOP_TIME;
    case moxa::Rozpocet::Duvod::Zadny: break;
  }
  return MOXA_STOP_STEPS;  // a run that saw its steps spent without a quiet stop
}

std::string_view text(const char* data, std::size_t n) {
  return n == 0 ? std::string_view() : std::string_view(data, n);
}

// The options as this library knows them: the host's fields, those it does not know of zero.
moxa_options precti_volby(const moxa_options* volby) {
  moxa_options v{};
  if (volby != nullptr) {
    std::memcpy(&v, volby, std::min(volby->size, sizeof v));
    v.size = sizeof v;
  }
  return v;
}

}  // namespace

extern "C" int moxa_run_with(const char* program, std::size_t program_length, const char* input,
                             std::size_t input_length, const moxa_options* options,
                             moxa_write_fn write, void* user) {
  if ((program == nullptr && program_length != 0) || (input == nullptr && input_length != 0))
    return MOXA_INVALID;
  const moxa_options volby = precti_volby(options);
  moxa::Nastaveni nastaveni;
  nastaveni.limit_kroku = volby.max_steps;
  nastaveni.limit_pameti = volby.max_memory;
  nastaveni.limit_casu_ms = volby.max_time;
  nastaveni.cas_procesoru = volby.time_clock == MOXA_CPU_CLOCK;
  moxa::Rozpocet::Duvod duvod = moxa::Rozpocet::Duvod::Zadny;
  nastaveni.duvod_zastaveni = &duvod;
  nastaveni.tichy_limit_kroku = true;
  nastaveni.kroky_za_texty = true;
  nastaveni.zivy_vystup = true;
  moxa::Stopa stopa(volby.trace, volby.trace_user);
  if (volby.trace != nullptr) nastaveni.stopa = &stopa;
  ZapisHostitele hostitel{write, user};
  moxa::CilFunkce cil(&ZapisHostitele::zapis, &hostitel, volby.max_output);
  moxa::Budik budik;
  moxa::Vystup out(cil, &budik);
  moxa::TextovyVstup zdroj(text(program, program_length));
  VstupHostitele vstup(text(input, input_length), volby.read, volby.read_user, out);
  moxa::Konec konec = moxa::Konec::Chyba;
  try {
    konec = moxa::beh(zdroj, vstup, out, nastaveni);
  } catch (...) {
    // Nothing may cross into the host; a run that could not even be set up failed.
  }
  out.vyprazdnit();
  const int vysledek = cil.prekrocen() || vstup.zastavil() || konec == moxa::Konec::Zastaven
                           ? MOXA_STOPPED
                       : konec == moxa::Konec::Dobehl ? MOXA_OK
                                                      : MOXA_ERROR;
  if (volby.stopped_by != nullptr) *volby.stopped_by = proc_zastaven(vysledek, cil, vstup, duvod);
  return vysledek;
}

extern "C" int moxa_run(const char* program, std::size_t program_length, const char* input,
                        std::size_t input_length, const moxa_limits* limits, moxa_write_fn write,
                        void* user) {
  moxa_options volby{};
  volby.size = sizeof volby;
  if (limits != nullptr) {
    volby.max_steps = limits->max_steps;
    volby.max_output = limits->max_output;
    volby.max_memory = limits->max_memory;
  }
  return moxa_run_with(program, program_length, input, input_length, &volby, write, user);
}

extern "C" const char* moxa_version(void) { return MOXA_VERSION_TEXT; }
