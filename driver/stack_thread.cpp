// The parse on a thread of its own with a large stack.
#include <pthread.h>

#include "driver/stack.hpp"
#include "parser/messages.hpp"

namespace moxa {

namespace {

// Deep nesting recurses deeply; the stack is reserved, and committed only as it is used.
constexpr std::size_t ZASOBNIK_BEHU = std::size_t{256} << 20;

struct Ukol {
  Interpret* interpret;
  int vysledek;
};

void* spust_SA(void* p) {
  auto* ukol = static_cast<Ukol*>(p);
  ukol->vysledek = ukol->interpret->SA();
  return nullptr;
}

}  // namespace

int SA_se_zasobnikem(Interpret& interpret, Vystup& out) {
  Ukol ukol{&interpret, 1};
  pthread_attr_t attr;
  bool ok = pthread_attr_init(&attr) == 0;
  ok = ok && pthread_attr_setstacksize(&attr, ZASOBNIK_BEHU) == 0;
  pthread_t vlakno;
  ok = ok && pthread_create(&vlakno, &attr, spust_SA, &ukol) == 0;
  pthread_attr_destroy(&attr);
  if (!ok) {
    out.pis(zpravy::VERDIKT);  // no memory for the run's stack
    return 1;
  }
  pthread_join(vlakno, nullptr);
  return ukol.vysledek;
}

}  // namespace moxa
