// Where a run's parse executes. Deep nesting recurses deeply, so where threads exist the
// parse runs on a thread of its own with a large stack; where they do not (WebAssembly in a
// browser), it runs on the caller's stack, which the host makes large enough. The build
// picks one of the two files that define this, when it is configured.
#pragma once

#include "io/streams.hpp"
#include "parser/interpret.hpp"

namespace moxa {

// Runs `interpret.SA()` and returns its result code; when no stack can be had for it,
// writes the error verdict to `out` and returns 1.
int SA_se_zasobnikem(Interpret& interpret, Vystup& out);

}  // namespace moxa
