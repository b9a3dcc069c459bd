// A run on the caller's stack, for builds without threads: the host links with a stack of
// ZASOBNIK_BEHU bytes.
#include "driver/stack.hpp"

namespace moxa {

bool na_velkem_zasobniku(void (*ukol)(void*), void* data) {
  ukol(data);
  return true;
}

}  // namespace moxa
