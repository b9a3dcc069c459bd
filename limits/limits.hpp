// Every fixed limit of moxa, each with the reason for its value. A program that reaches the
// nesting or the value-length limit gets a message of its own; the others size what a run
// or the command line is given. The budget a host sets for one run (memory, steps, output)
// lives in budget.hpp and in the run's settings, not here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "limits/sanitizers.hpp"

namespace moxa {

// Nesting: at most this many blocks and bracketed or call factors may be open at once; one
// more is the "prilis hluboke vnoreni" error. The number belongs to the language, so every
// build that can give it keeps it; a build whose stack the host fixes (WebAssembly in a
// browser) may set a smaller one.
#ifndef MOXA_NESTING_LIMIT
#define MOXA_NESTING_LIMIT 10'000
#endif
inline constexpr int MAX_VNORENI = MOXA_NESTING_LIMIT;

// The stack of the thread that runs a program: as large as MAX_VNORENI open levels need in
// this build, with room to spare, and no larger, so that a run fits a small address-space
// limit. The two numbers go together: a larger nesting limit needs a larger stack.
// Measured at MAX_VNORENI levels of each shape (tests/limits/stack_test.cpp prints the
// figures and fails when less than half stays free): optimised, the deepest program needs
// 5.4 MiB with g++ 12 (calls in calls, 567 bytes a level) and 3.7 MiB with clang++ 14
// (loops in loops); with AddressSanitizer 33.5 MiB (calls, 3.5 KiB a level); without
// optimisation 5.7 MiB with g++ 12 (calls), more room kept for other compilers.
#if MOXA_ASAN
#define MOXA_ZASOBNIK_MIB 96
#elif defined(__OPTIMIZE__)
#define MOXA_ZASOBNIK_MIB 16
#else
#define MOXA_ZASOBNIK_MIB 32
#endif
inline constexpr std::size_t ZASOBNIK_BEHU = std::size_t{MOXA_ZASOBNIK_MIB} << 20;
#undef MOXA_ZASOBNIK_MIB

// Length of a value: the longest text a run may compute (a join with "+", a word read by `cti`);
// a longer one is the "hodnota je prilis dlouha" error. Part of the language, like the
// nesting limit: it keeps a program that doubles a text in a loop from taking all memory.
// Literals in the program text are not limited; the program itself bounds them.
inline constexpr std::size_t MAX_DELKA_HODNOTY = 1'048'576;

// Steps of reading: every this many bytes of program text or of input that a run takes in
// cost one step, on top of the step each token costs. Inside a long token the bytes are
// all the work there is: a literal of many megabytes costs about 10 ns a byte here
// (gathered into its text, the text growing, the pages of fresh memory cleared), and the
// memory it takes is charged as well (a step per 64 bytes), so 8 bytes keep a step under a
// tenth of a microsecond, the bound the library promises. A token, or a run of skipped input
// (white space, comments, the blanks before a word of `cti`), that outgrows a block of input
// (64 KiB) is charged block by block while it is read, and the time limit and the memory
// limit are looked at there too, so that a token of any length is stopped within a block.
inline constexpr std::uint64_t BAJTU_VSTUPU_NA_KROK = 8;

// The token tape holds at most this many tokens: its positions are 32-bit to keep a
// recorded token's links small, and the largest value marks "not on the tape". A loop
// reaching it ends the run as running out of memory does.
inline constexpr std::size_t MAX_PASKA = UINT32_MAX - 1;

// The command line's watcher wakes this often to write out output that has waited while
// the program computes, so that a file or a pipe sees progress within a tenth of a second.
inline constexpr int HLIDAC_TIK_MS = 100;
// After Ctrl-C or SIGTERM, a run whose output is stuck in a pipe nobody reads is given this
// long to end by itself before the process ends by the signal anyway.
inline constexpr int HLIDAC_PRERUSENI_MS = 2'000;
// The watcher's own stack: it only polls, and the run needs the address space.
inline constexpr std::size_t HLIDAC_ZASOBNIK = std::size_t{256} << 10;

}  // namespace moxa
