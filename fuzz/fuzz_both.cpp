// Whole runs of arbitrary bytes, each run twice: with loops compiled in their first pass, and
// with loops replayed from their recorded tokens. Any difference in the printed bytes is a
// finding. The input is split as fuzz_run splits it:
//   program 00 00 words   the program, and the words that cti reads from standard input;
//   program 00 01 rest    program and words from one stream (the marker bytes removed);
//   no marker             the whole input is the program and standard input is empty.
// A step budget stops programs that loop forever, the same way in both, and an output
// budget those that print forever. Memory is capped as in fuzz_run; a run that hits the cap
// may end at a different point in the two ways, so such inputs are not compared.
#include <malloc.h>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

#include "driver/run.hpp"

namespace {

constexpr std::uint64_t LIMIT_KROKU = 50'000;
constexpr std::size_t LIMIT_VYSTUPU = std::size_t{4} << 20;
constexpr std::size_t LIMIT_PAMETI = std::size_t{512} << 20;

std::atomic<bool> hlidat{false};
std::atomic<std::size_t> drzeno{0};
std::atomic<bool> pamet_dosla{false};

void* alokuj(std::size_t n, bool hazet) {
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

void uvolni(void* p) {
  if (p == nullptr) return;
  drzeno.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
  std::free(p);
}

std::string spust(std::string_view program, std::string_view vstup, bool jeden_proud,
                  bool prekladat) {
  moxa::Nastaveni nastaveni;
  nastaveni.limit_kroku = LIMIT_KROKU;
  nastaveni.limit_vystupu = LIMIT_VYSTUPU;
  nastaveni.prekladat_cykly = prekladat;
  hlidat = true;
  std::string vystup = jeden_proud ? moxa::spust_text_ze_vstupu(program, nastaveni)
                                   : moxa::spust_text(program, vstup, nastaveni);
  hlidat = false;
  return vystup;
}

void porovnej(std::string_view program, std::string_view vstup, bool jeden_proud) {
  pamet_dosla = false;
  const std::string prelozene = spust(program, vstup, jeden_proud, true);
  const std::string prehrane = spust(program, vstup, jeden_proud, false);
  if (prelozene == prehrane || pamet_dosla) return;
  std::size_t i = 0;
  while (i < prelozene.size() && i < prehrane.size() && prelozene[i] == prehrane[i])
    ++i;
  const std::size_t od = i > 100 ? i - 100 : 0;
  std::fprintf(stderr, "finding: compiled and replayed loops part at byte %zu\ncompiled: ", i);
  const std::string_view a = std::string_view(prelozene).substr(od, 200);
  const std::string_view b = std::string_view(prehrane).substr(od, 200);
  std::fwrite(a.data(), 1, a.size(), stderr);
  std::fputs("\nreplayed: ", stderr);
  std::fwrite(b.data(), 1, b.size(), stderr);
  std::fputc('\n', stderr);
  std::abort();
}

}  // namespace

void* operator new(std::size_t n) { return alokuj(n, true); }
void* operator new[](std::size_t n) { return alokuj(n, true); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return alokuj(n, false); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return alokuj(n, false); }
void operator delete(void* p) noexcept { uvolni(p); }
void operator delete[](void* p) noexcept { uvolni(p); }
void operator delete(void* p, std::size_t) noexcept { uvolni(p); }
void operator delete[](void* p, std::size_t) noexcept { uvolni(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { uvolni(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { uvolni(p); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view vse(reinterpret_cast<const char*>(data), size);
  std::size_t znacka = vse.find('\0');
  while (znacka != std::string_view::npos && znacka + 1 < vse.size() && vse[znacka + 1] != '\0' &&
         vse[znacka + 1] != '\1') {
    znacka = vse.find('\0', znacka + 1);
  }
  if (znacka == std::string_view::npos || znacka + 1 >= vse.size()) {
    porovnej(vse, {}, false);
    return 0;
  }
  const std::string_view program = vse.substr(0, znacka);
  const std::string_view zbytek = vse.substr(znacka + 2);
  if (vse[znacka + 1] == '\0') {
    porovnej(program, zbytek, false);
  } else {
    std::string proud(program);
    proud.append(zbytek);
    porovnej(proud, {}, true);
  }
  return 0;
}
