#include "driver/run.hpp"

#include <exception>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include "parser/messages.hpp"

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

struct Vlakno {
  void (*ukol)(void*);
  void* data;
};

void* spust_vlakno(void* p) {
  const auto* v = static_cast<const Vlakno*>(p);
  v->ukol(v->data);
  return nullptr;
}

}  // namespace

bool na_vlastnim_zasobniku(std::size_t velikost, void (*ukol)(void*), void* data) {
  Vlakno v{ukol, data};
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  pthread_t vlakno;
  const bool ok = pthread_attr_setstacksize(&attr, velikost) == 0 &&
                  pthread_create(&vlakno, &attr, spust_vlakno, &v) == 0;
  pthread_attr_destroy(&attr);
  if (ok) pthread_join(vlakno, nullptr);
  return ok;
}

void probeh(Vstup& zdroj, Vstup& vstup, Vystup& out, const Nastaveni& nastaveni) {
  try {
    Interpret interpret(zdroj, vstup, out, nastaveni);
    Ukol ukol{&interpret, 1};
    if (!na_vlastnim_zasobniku(ZASOBNIK_BEHU, spust_SA, &ukol))
      out.pis(zpravy::VERDIKT);  // no memory for the run's stack
    interpret.uvolni();
  } catch (const std::exception&) {
    out.pis(zpravy::VERDIKT);  // no memory to set the run up
  }
  if (!zdroj.zavrit()) out.pis(zpravy::NEUZAVREN);
  out.pis(zpravy::BYE);
  out.vyprazdnit();
}

int hlavni(int argc, const char* const* argv, Vstup& std_in, Vystup& out) {
  out.pis(zpravy::HELLO);
  if (argc <= 1 || argc > 3) {
    if (argc > 3) out.pis(zpravy::PRILIS_ARGUMENTU);
    out.pis(zpravy::MAN);
    out.vyprazdnit();
    return 0;
  }
  if (argc == 3) {
    probeh(std_in, std_in, out);
    return 0;
  }
  const char* jmeno = argv[1];
  const int fd = ::open(jmeno, O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    if (fd >= 0) ::close(fd);
    zpravy::neotevren(out, jmeno);
    out.pis(zpravy::BYE);
    out.vyprazdnit();
    return 0;
  }
  SouborovyVstup zdroj(fd, &out);  // a FIFO may block: the output is flushed first
  probeh(zdroj, std_in, out);
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
