// Whole runs of arbitrary bytes. The input is split at its first zero byte that is followed
// by a zero or a one:
//   program 00 00 words   the program, and the words that cti reads from standard input;
//   program 00 01 rest    program and words from one stream, as `moxa - -` reads them (the
//                         two marker bytes are removed);
//   no marker             the whole input is the program and standard input is empty.
// A step budget (tokens scanned, loop passes replayed) stops programs that would loop
// forever, and an output budget those that would print forever. Every run must end as a
// run ends: the success line or the error verdict, then the closing banner; only a run that
// hit the output budget, or the memory cap below, may stop short.
//
// While a run executes, the memory it holds is capped: past the cap an allocation fails
// as it would when memory runs out, which the run must survive with the error verdict.
// This keeps a program that copies long texts in a loop from exhausting the fuzzer.
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

// Each pass of a loop may replay as many tokens as the input holds, so the budget of passes
// is kept low enough that no run takes long.
constexpr std::uint64_t LIMIT_KROKU = 50'000;
constexpr std::size_t LIMIT_VYSTUPU = std::size_t{4} << 20;
constexpr std::size_t LIMIT_PAMETI = std::size_t{512} << 20;
// The longest text the run may hand the writer at once: a value, or a token quoted in a
// message (bounded by the input), or a full buffer.
constexpr std::size_t NEJDELSI_HODNOTA = std::size_t{1} << 20;
constexpr std::size_t BUFFER_VYSTUPU = std::size_t{1} << 16;

constexpr std::string_view HELLO = "\nhello\n\n";
constexpr std::string_view BYE = "\nbye\n\n";
constexpr std::string_view USPECH = "\nProgram probehl bez chyb.\n";
constexpr std::string_view VERDIKT = "\nV programu se vyskytla chyba.\n";

std::atomic<bool> hlidat{false};       // the cap applies (only while a run executes)
std::atomic<std::size_t> drzeno{0};    // bytes held by blocks allocated through new
std::atomic<bool> pamet_dosla{false};  // an allocation was refused during this run

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

bool konci(std::string_view s, std::string_view konec) {
  return s.size() >= konec.size() && s.substr(s.size() - konec.size()) == konec;
}

[[noreturn]] void nalez(const char* co, std::string_view vystup) {
  std::fprintf(stderr, "finding: %s\noutput (%zu bytes), last bytes:\n", co, vystup.size());
  const std::string_view konec = vystup.substr(vystup.size() > 300 ? vystup.size() - 300 : 0);
  std::fwrite(konec.data(), 1, konec.size(), stderr);
  std::fputc('\n', stderr);
  std::abort();
}

// Checks that `vystup` is the output of a whole run of an input of `delka` bytes.
void zkontroluj(std::string_view vystup, std::size_t delka) {
  if (vystup.substr(0, HELLO.size()) != HELLO) nalez("no opening banner", vystup);
  if (konci(vystup, BYE)) {
    const std::string_view pred = vystup.substr(0, vystup.size() - BYE.size());
    if (!konci(pred, USPECH) && !konci(pred, VERDIKT)) {
      nalez("neither the success line nor the verdict before the closing banner", vystup);
    }
    return;
  }
  // Without the closing banner the output budget must have refused a write.
  const std::size_t nejdelsi_zapis =
      BUFFER_VYSTUPU + (delka > NEJDELSI_HODNOTA ? delka : NEJDELSI_HODNOTA) + 64;
  if (vystup.size() + nejdelsi_zapis < LIMIT_VYSTUPU && !pamet_dosla) {
    nalez("the run stopped short of its closing banner", vystup);
  }
}

std::string spust(std::string_view program, std::string_view vstup, bool jeden_proud) {
  const moxa::Nastaveni nastaveni{LIMIT_KROKU, LIMIT_VYSTUPU};
  pamet_dosla = false;
  hlidat = true;
  std::string vystup = jeden_proud ? moxa::spust_text_ze_vstupu(program, nastaveni)
                                   : moxa::spust_text(program, vstup, nastaveni);
  hlidat = false;
  return vystup;
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
    const std::string vystup = spust(vse, {}, false);
    zkontroluj(vystup, size);
    // Without a read statement it does not matter where cti would read from: the same bytes
    // as one stream must give the same output. The keyword can only come from these bytes.
    if (vse.find("cti") == std::string_view::npos && !pamet_dosla) {
      const std::string z_proudu = spust(vse, {}, true);
      if (z_proudu != vystup && !pamet_dosla) {
        nalez("a program without cti ran differently from one stream", z_proudu);
      }
    }
    return 0;
  }
  const std::string_view program = vse.substr(0, znacka);
  const std::string_view zbytek = vse.substr(znacka + 2);
  if (vse[znacka + 1] == '\0') {
    zkontroluj(spust(program, zbytek, false), size);
  } else {
    std::string proud(program);
    proud.append(zbytek);
    zkontroluj(spust(proud, {}, true), size);
  }
  return 0;
}
