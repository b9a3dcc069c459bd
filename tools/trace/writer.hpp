// The writer of moxa-trace's trace: its lines gathered into large writes, under a bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace moxa::tools {

// The trace's lines gathered into large writes; the last line of a run writes out all. Past
// the bound, or once a write has failed, the run is asked to stop and no step is written
// any more; the last line still is, when it can be. When the trace and the program's output
// go to a terminal, both would show on it mixed, line for line, with what the person types:
// the trace is then held back whole until the run has ended (`do_konce`).
class Zapisovac {
 public:
  Zapisovac(int fd, std::uint64_t mez, bool do_konce) : fd_(fd), mez_(mez), do_konce_(do_konce) {
    buf_.reserve(KAPACITA + 4096);
  }
  Zapisovac(const Zapisovac&) = delete;
  Zapisovac& operator=(const Zapisovac&) = delete;
  ~Zapisovac() { vyprazdni(); }

  // The trace's line callback: `user` is the writer.
  static void radek(void* user, const char* data, std::size_t n);

  // Writes out what is gathered.
  void vyprazdni();

  int chyba() const { return chyba_; }
  void chyba(int e) {
    if (chyba_ == 0) chyba_ = e;
  }
  bool preteceni() const { return preteceni_; }

 private:
  static constexpr std::size_t KAPACITA = std::size_t{1} << 16;
  int fd_;
  std::uint64_t mez_;
  bool do_konce_;
  std::uint64_t zapsano_ = 0;
  bool preteceni_ = false;  // the bound was reached
  int chyba_ = 0;           // errno of the write that failed; 0: none
  std::string buf_;
};

}  // namespace moxa::tools
