// The C interface: one whole run over texts held in memory, with its output passed to the
// host's write function as it arises.
#include "moxa/moxa.h"

#include <cstddef>
#include <exception>
#include <string_view>

#include "driver/run.hpp"

namespace {

// Passes output on to the host. With a limit, it delivers exactly the first `limit` bytes
// and then refuses, which stops the run quietly.
class CilHostitele final : public moxa::Cil {
 public:
  CilHostitele(moxa_write_fn funkce, void* user, std::size_t limit)
      : zapis_(funkce), user_(user), limit_(limit) {}

  bool zapis(const char* data, std::size_t n) override {
    bool vejde_se = true;
    if (limit_ != 0 && n > limit_ - dodano_) {
      n = limit_ - dodano_;
      vejde_se = false;
      prekrocen_ = true;
    }
    if (n != 0 && zapis_ != nullptr) zapis_(user_, data, n);
    dodano_ += n;
    return vejde_se;
  }

  bool prekrocen() const { return prekrocen_; }

 private:
  moxa_write_fn zapis_;
  void* user_;
  std::size_t limit_;  // 0 = no limit
  std::size_t dodano_ = 0;
  bool prekrocen_ = false;
};

std::string_view text(const char* data, std::size_t n) {
  return n == 0 ? std::string_view() : std::string_view(data, n);
}

}  // namespace

extern "C" int moxa_run(const char* program, std::size_t program_length, const char* input,
                        std::size_t input_length, const moxa_limits* limits, moxa_write_fn write,
                        void* user) {
  if ((program == nullptr && program_length != 0) || (input == nullptr && input_length != 0))
    return MOXA_INVALID;
  moxa::Nastaveni nastaveni;
  std::size_t limit_vystupu = 0;
  if (limits != nullptr) {
    nastaveni.limit_kroku = limits->max_steps;
    limit_vystupu = limits->max_output;
    nastaveni.limit_pameti = limits->max_memory;
  }
  nastaveni.tichy_limit_kroku = true;
  CilHostitele cil(write, user, limit_vystupu);
  moxa::Vystup out(cil);
  moxa::TextovyVstup zdroj(text(program, program_length));
  moxa::TextovyVstup vstup(text(input, input_length));
  moxa::Konec konec = moxa::Konec::Chyba;
  try {
    konec = moxa::beh(zdroj, vstup, out, nastaveni);
  } catch (...) {
    // Nothing may cross into the host; a run that could not even be set up failed.
  }
  out.vyprazdnit();
  if (cil.prekrocen() || konec == moxa::Konec::Zastaven) return MOXA_STOPPED;
  return konec == moxa::Konec::Dobehl ? MOXA_OK : MOXA_ERROR;
}

extern "C" const char* moxa_version(void) { return MOXA_VERSION_TEXT; }
