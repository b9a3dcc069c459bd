// Where a run executes. Deep nesting recurses deeply, so a run needs a large stack: where
// threads exist, it gets a thread of its own with one; where they do not (a WebAssembly
// build), it runs on the caller's stack, which the host then makes large enough. The build
// picks one of the two implementations (stack_thread.cpp, stack_caller.cpp).
#pragma once

#include "limits/limits.hpp"

namespace moxa {

// Calls `ukol(data)` on a stack of ZASOBNIK_BEHU bytes and waits for it to return. False
// when no such stack could be had (the task did not run).
bool na_velkem_zasobniku(void (*ukol)(void*), void* data);

}  // namespace moxa
