// moxa_run for the playground while the library has none of its own: one run over the
// interpreter's in-memory streams, output handed on as it is written. Limits: steps and
// output only.
#include <exception>
#include <string_view>

#include "driver/stack.hpp"
#include "io/streams.hpp"
#include "moxa/moxa.h"
#include "parser/interpret.hpp"
#include "parser/messages.hpp"

namespace {

class CilFunkce final : public moxa::Cil {
 public:
  CilFunkce(moxa_write_fn w, void* user, std::size_t limit) : w_(w), user_(user), zbyva_(limit) {}
  bool zapis(const char* data, std::size_t n) override {
    if (zbyva_ != 0) {
      if (n >= zbyva_) {
        if (w_ != nullptr) w_(user_, data, zbyva_);
        zastaven_ = true;
        return false;
      }
      zbyva_ -= n;
    }
    if (w_ != nullptr) w_(user_, data, n);
    return true;
  }
  bool zastaven() const { return zastaven_; }

 private:
  moxa_write_fn w_;
  void* user_;
  std::size_t zbyva_;
  bool zastaven_ = false;
};

}  // namespace

extern "C" int moxa_run(const char* program, std::size_t program_length, const char* input,
                        std::size_t input_length, const moxa_limits* limits, moxa_write_fn write,
                        void* user) {
  if ((program == nullptr && program_length > 0) || (input == nullptr && input_length > 0))
    return MOXA_INVALID;
  moxa::Nastaveni nastaveni;
  std::size_t max_vystup = 0;
  if (limits != nullptr) {
    nastaveni.limit_kroku = limits->max_steps;
    max_vystup = limits->max_output;
  }
  CilFunkce cil(write, user, max_vystup);
  moxa::Vystup out(cil);
  moxa::TextovyVstup zdroj(std::string_view(program == nullptr ? "" : program, program_length));
  moxa::TextovyVstup vstup(std::string_view(input == nullptr ? "" : input, input_length));
  int r = 1;
  try {
    moxa::Interpret interpret(zdroj, vstup, out, nastaveni);
    r = moxa::SA_se_zasobnikem(interpret, out);
    interpret.uvolni();
  } catch (const std::exception&) {
    out.pis(moxa::zpravy::VERDIKT);
  }
  out.vyprazdnit();
  if (cil.zastaven()) return MOXA_STOPPED;
  return r == 0 ? MOXA_OK : MOXA_ERROR;
}

extern "C" const char* moxa_version(void) { return "0.0.0"; }
