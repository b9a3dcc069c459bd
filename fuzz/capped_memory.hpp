// A memory cap for the fuzz targets that run whole programs: while `hlidat` is set (while a
// run executes), memory held through operator new may not grow past LIMIT_PAMETI; past it an
// allocation fails as it would when memory runs out, which the run must survive with the
// error verdict. This keeps a program that copies long texts in a loop from exhausting the
// fuzzer. Included by exactly one file of each target, since it replaces operator new.
#pragma once

#include <malloc.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace omezena_pamet {

inline constexpr std::size_t LIMIT_PAMETI = std::size_t{512} << 20;

inline std::atomic<bool> hlidat{false};       // the cap applies (only while a run executes)
inline std::atomic<std::size_t> drzeno{0};    // bytes held by blocks allocated through new
inline std::atomic<bool> pamet_dosla{false};  // an allocation was refused during this run

inline void* alokuj(std::size_t n, bool hazet) {
  if (hlidat.load(std::memory_order_relaxed) &&
      drzeno.load(std::memory_order_relaxed) + n > LIMIT_PAMETI) {
    pamet_dosla = true;
    if (hazet) throw std::bad_alloc();
    return nullptr;
  }
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p == nullptr) {
    if (hazet) throw std::bad_alloc();
    return nullptr;
  }
  drzeno.fetch_add(malloc_usable_size(p), std::memory_order_relaxed);
  return p;
}

inline void uvolni(void* p) {
  if (p == nullptr) return;
  drzeno.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
  std::free(p);
}

}  // namespace omezena_pamet

void* operator new(std::size_t n) { return omezena_pamet::alokuj(n, true); }
void* operator new[](std::size_t n) { return omezena_pamet::alokuj(n, true); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  return omezena_pamet::alokuj(n, false);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  return omezena_pamet::alokuj(n, false);
}
void operator delete(void* p) noexcept { omezena_pamet::uvolni(p); }
void operator delete[](void* p) noexcept { omezena_pamet::uvolni(p); }
void operator delete(void* p, std::size_t) noexcept { omezena_pamet::uvolni(p); }
void operator delete[](void* p, std::size_t) noexcept { omezena_pamet::uvolni(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { omezena_pamet::uvolni(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { omezena_pamet::uvolni(p); }
