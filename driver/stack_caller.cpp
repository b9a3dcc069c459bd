// The parse on the caller's stack, for builds without threads: the host gives the run a
// stack large enough for the deepest nesting allowed.
#include "driver/stack.hpp"

namespace moxa {

int SA_se_zasobnikem(Interpret& interpret, Vystup& /*out*/) { return interpret.SA(); }

}  // namespace moxa
