// The global operator new and delete, replaced for the test programs and fuzz targets that
// watch the memory of a run. Every form of new goes through `alokuj`, which asks `smi`
// whether the allocation may be made (a refused one fails as when memory runs out) and keeps
// count of the bytes held and of the most held at once; every form of delete goes through
// `uvolni`. Include this in exactly one file of a program, and define `smi` there.
#pragma once

#include <malloc.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace nahrazeny_new {

inline std::atomic<std::size_t> drzeno{0};  // bytes held by blocks allocated through new
inline std::atomic<std::size_t> nejvic{0};  // the most held at once, since it was last set

// Whether an allocation of `n` bytes may be made now. Defined by the including program.
bool smi(std::size_t n);

inline void* alokuj(std::size_t n, std::size_t zarovnani, bool hazet) {
  void* p = nullptr;
  if (smi(n)) {
    const std::size_t velikost = n == 0 ? 1 : n;
    p = zarovnani <= alignof(std::max_align_t)
            ? std::malloc(velikost)
            : std::aligned_alloc(zarovnani, (velikost + zarovnani - 1) / zarovnani * zarovnani);
  }
  if (p == nullptr) {
    if (hazet) throw std::bad_alloc();
    return nullptr;
  }
  const std::size_t ted = drzeno += malloc_usable_size(p);
  std::size_t max = nejvic.load();
  while (ted > max && !nejvic.compare_exchange_weak(max, ted)) {
  }
  return p;
}

inline void uvolni(void* p) {
  if (p == nullptr) return;
  drzeno -= malloc_usable_size(p);
  std::free(p);
}

inline std::size_t z(std::align_val_t a) { return static_cast<std::size_t>(a); }

}  // namespace nahrazeny_new

// clang-format off
void* operator new(std::size_t n) { return nahrazeny_new::alokuj(n, 0, true); }
void* operator new[](std::size_t n) { return nahrazeny_new::alokuj(n, 0, true); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return nahrazeny_new::alokuj(n, 0, false); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return nahrazeny_new::alokuj(n, 0, false); }
void* operator new(std::size_t n, std::align_val_t a) { return nahrazeny_new::alokuj(n, nahrazeny_new::z(a), true); }
void* operator new[](std::size_t n, std::align_val_t a) { return nahrazeny_new::alokuj(n, nahrazeny_new::z(a), true); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return nahrazeny_new::alokuj(n, nahrazeny_new::z(a), false); }
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return nahrazeny_new::alokuj(n, nahrazeny_new::z(a), false); }
void operator delete(void* p) noexcept { nahrazeny_new::uvolni(p); }
void operator delete[](void* p) noexcept { nahrazeny_new::uvolni(p); }
void operator delete(void* p, std::size_t) noexcept { nahrazeny_new::uvolni(p); }
void operator delete[](void* p, std::size_t) noexcept { nahrazeny_new::uvolni(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { nahrazeny_new::uvolni(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { nahrazeny_new::uvolni(p); }
void operator delete(void* p, std::align_val_t) noexcept { nahrazeny_new::uvolni(p); }
void operator delete[](void* p, std::align_val_t) noexcept { nahrazeny_new::uvolni(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { nahrazeny_new::uvolni(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { nahrazeny_new::uvolni(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { nahrazeny_new::uvolni(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { nahrazeny_new::uvolni(p); }
// clang-format on
