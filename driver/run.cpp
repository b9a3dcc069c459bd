#include "driver/run.hpp"

#include <cerrno>
#include <exception>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/stack.hpp"
#include "vm/messages.hpp"

namespace moxa {

namespace {

struct Ukol {
  Interpret* interpret;
  int vysledek;
};

void spust_SA(void* p) {
  auto* ukol = static_cast<Ukol*>(p);
  ukol->vysledek = ukol->interpret->SA();
}

}  // namespace

Konec beh(Vstup& zdroj, Vstup& vstup, Vystup& out, const Nastaveni& nastaveni) {
  Konec konec = Konec::Chyba;
  try {
    Interpret interpret(zdroj, vstup, out, nastaveni);
    Ukol ukol{&interpret, 1};
    bool probehl = true;
    if (nastaveni.na_zasobniku_volajiciho) {
      spust_SA(&ukol);
    } else {
      probehl = na_velkem_zasobniku(spust_SA, &ukol);
    }
    if (probehl) {
      if (nastaveni.duvod_zastaveni != nullptr)
        *nastaveni.duvod_zastaveni = interpret.duvod_zastaveni();
      if (interpret.zastaven()) {
        konec = Konec::Zastaven;
      } else if (ukol.vysledek == 0) {
        konec = Konec::Dobehl;
      }
    } else {
      out.pis(zpravy::VERDIKT);  // no memory for the run's stack
    }
    if (nastaveni.stopa != nullptr) {
      // Whether the output was cut short is known once it has all been written.
      out.vyprazdnit();
      interpret.konec_stopy(ukol.vysledek);
    }
    interpret.uvolni();
  } catch (const std::exception&) {
    out.pis(zpravy::VERDIKT);  // no memory to set the run up
    if (nastaveni.stopa != nullptr) nastaveni.stopa->konec_chyba(PoziceTokenu{});
  }
  if (!zdroj.zavrit()) out.pis(zpravy::NEUZAVREN);
  return konec;
}

void probeh(Vstup& zdroj, Vstup& vstup, Vystup& out, const Nastaveni& nastaveni) {
  beh(zdroj, vstup, out, nastaveni);
  out.pis(zpravy::BYE);
  out.vyprazdnit();
}

int hlavni(int argc, const char* const* argv, Vstup& std_in, Vystup& out,
           const Nastaveni& nastaveni) {
  out.pis(zpravy::HELLO);
  if (argc <= 1 || argc > 3) {
    if (argc > 3) out.pis(zpravy::PRILIS_ARGUMENTU);
    out.pis(zpravy::MAN);
    out.vyprazdnit();
    return 0;
  }
  if (argc == 3) {
    probeh(std_in, std_in, out, nastaveni);
    return 0;
  }
  const char* jmeno = argv[1];
  // Opening a FIFO waits for a writer. A signal that interrupts the wait and asks the run to
  // stop ends it there, as during a read: no message and no closing banner; any other
  // interruption is waited out.
  int fd = -1;
  for (;;) {
    fd = ::open(jmeno, O_RDONLY | O_CLOEXEC);
    if (fd >= 0 || errno != EINTR) break;
    if (out.zada()) out.obsluz();
    if (out.zastaveno()) return 0;
  }
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    if (fd >= 0) ::close(fd);
    zpravy::neotevren(out, jmeno);
    out.pis(zpravy::BYE);
    out.vyprazdnit();
    return 0;
  }
  SouborovyVstup zdroj(fd, &out);  // a FIFO may block: the output is flushed first
  probeh(zdroj, std_in, out, nastaveni);
  return 0;
}

std::string spust_text(std::string_view program, std::string_view input,
                       const Nastaveni& nastaveni) {
  std::string vysledek;
  CilRetezec cil(vysledek, nastaveni.limit_vystupu);
  Vystup out(cil);
  TextovyVstup zdroj(program);
  TextovyVstup vstup(input);
  out.pis(zpravy::HELLO);
  probeh(zdroj, vstup, out, nastaveni);
  return vysledek;
}

std::string spust_text_ze_vstupu(std::string_view stream, const Nastaveni& nastaveni) {
  std::string vysledek;
  CilRetezec cil(vysledek, nastaveni.limit_vystupu);
  Vystup out(cil);
  TextovyVstup zdroj(stream);
  out.pis(zpravy::HELLO);
  probeh(zdroj, zdroj, out, nastaveni);
  return vysledek;
}

}  // namespace moxa
