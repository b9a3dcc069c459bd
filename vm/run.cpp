// The later passes of a loop, run from its compiled form (the runner's body is in
// vm/runner.hpp): the version that every run which does not trace takes.
#include <cstdio>
#include <cstdlib>

#include "vm/runner.hpp"

namespace moxa {

void Stroj::neznama_instrukce(std::uint32_t w) {
  std::fprintf(stderr, "moxa: unknown instruction code %u in compiled code\n",
               static_cast<unsigned>(KodCyklu::kod(w)));
  std::abort();
}

template int Stroj::proved<false>(KodCyklu::Pozice od, KodCyklu::Pozice po);

}  // namespace moxa
