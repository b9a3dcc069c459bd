// A run on a thread of its own, whose stack is reserved in full and committed only as it is
// used.
#include <pthread.h>

#include "driver/stack.hpp"

namespace moxa {

namespace {

struct Volani {
  void (*ukol)(void*);
  void* data;
};

void* spust(void* p) {
  const auto* v = static_cast<Volani*>(p);
  v->ukol(v->data);
  return nullptr;
}

}  // namespace

bool na_velkem_zasobniku(void (*ukol)(void*), void* data) {
  Volani volani{ukol, data};
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  bool ok = pthread_attr_setstacksize(&attr, ZASOBNIK_BEHU) == 0;
  pthread_t vlakno;
  ok = ok && pthread_create(&vlakno, &attr, spust, &volani) == 0;
  pthread_attr_destroy(&attr);
  if (ok) pthread_join(vlakno, nullptr);
  return ok;
}

}  // namespace moxa
