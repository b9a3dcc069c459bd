// The state that the routines of one run share. Each run owns one instance (inside its
// `Interpret`), so any number of runs can live in one process.
//
// The current token (`token_buffer`), the lexer mode (`rezim_LA`) and the line counter
// (`cislo_radku`) belong to the lexer, which owns them; the stores own their contents.
#pragma once

#include <cstddef>

namespace moxa {

// At most this many blocks and bracketed or call factors may be open at once. A build whose
// stack the host fixes (WebAssembly in a browser) may set a smaller limit.
#ifndef MOXA_NESTING_LIMIT
#define MOXA_NESTING_LIMIT 10'000
#endif
inline constexpr int MAX_VNORENI = MOXA_NESTING_LIMIT;

// The stack of the thread that runs a program: as large as MAX_VNORENI open levels need in
// this build, with room to spare, and no larger, so that a run fits a small address-space
// limit. Measured at MAX_VNORENI levels of each shape (tests/limits/stack_test.cpp prints
// the figures and fails when less than half stays free): optimised, the deepest program
// needs 5.4 MiB with g++ 12 (calls in calls, 567 bytes a level) and 3.7 MiB with clang++ 14
// (loops in loops); with AddressSanitizer 33.5 MiB (calls, 3.5 KiB a level); without
// optimisation 5.7 MiB with g++ 12 (calls), more room kept for other compilers.
#if defined(__SANITIZE_ADDRESS__)
#define MOXA_ZASOBNIK_MIB 96
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MOXA_ZASOBNIK_MIB 96
#endif
#endif
#ifndef MOXA_ZASOBNIK_MIB
#if defined(__OPTIMIZE__)
#define MOXA_ZASOBNIK_MIB 16
#else
#define MOXA_ZASOBNIK_MIB 32
#endif
#endif
inline constexpr std::size_t ZASOBNIK_BEHU = std::size_t{MOXA_ZASOBNIK_MIB} << 20;
#undef MOXA_ZASOBNIK_MIB

struct Globals {
  // Result code of the routine called last: 0 = success, nonzero after an error (whose
  // message the routine that found it has printed).
  int chyba_SA = 0;
  // The execution flag: 1 = execute, 0 = only parse (a branch not taken, the body of a
  // loop whose condition was false at first). Written only by the conditional and the loop.
  int i2_priznak = 1;
  // Blocks and bracketed or call factors open right now.
  int hloubka = 0;
  // Read statements parsed so far, executed or not: a block without one can be passed over
  // without reading it, since then reading it has no effect at all.
  unsigned long long cteni = 0;
};

}  // namespace moxa
