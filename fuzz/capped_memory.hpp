// A memory cap for the fuzz targets that run whole programs: while `hlidat` is set (while a
// run executes), memory held through operator new may not grow past LIMIT_PAMETI; past it an
// allocation fails as it would when memory runs out, which the run must survive with the
// error verdict. This keeps a program that copies long texts in a loop from exhausting the
// fuzzer. Included by exactly one file of each target, since it replaces operator new.
#pragma once

#include <atomic>
#include <cstddef>

#include "tests/replaced_new.hpp"

namespace omezena_pamet {

inline constexpr std::size_t LIMIT_PAMETI = std::size_t{512} << 20;

inline std::atomic<bool> hlidat{false};       // the cap applies (only while a run executes)
inline std::atomic<bool> pamet_dosla{false};  // an allocation was refused during this run

}  // namespace omezena_pamet

bool nahrazeny_new::smi(std::size_t n) {
  if (!omezena_pamet::hlidat.load(std::memory_order_relaxed) ||
      drzeno.load(std::memory_order_relaxed) + n <= omezena_pamet::LIMIT_PAMETI) {
    return true;
  }
  omezena_pamet::pamet_dosla = true;
  return false;
}
