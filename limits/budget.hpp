// The budget of one run: the work it may do (steps), the time it may take, the memory it may
// hold, and whether one of them has stopped it. Every run has one; a run without limits only
// counts.
//
// Steps. A step is a bounded amount of work. The scanner takes one per token it delivers; a
// later pass of a loop takes as many as the loop has tokens (its condition and body), once
// per pass, since a pass does at most a bounded amount of work per token of the loop; and
// every 8 bytes the run takes in (program text, the input of `cti`) cost one more
// (BAJTU_VSTUPU_NA_KROK in limits.hpp). They are charged between tokens and, for a token or a
// run of skipped input longer than a block of input, block by block while it is read (see
// HlidacCteni), so that no limit waits for its end. For hosts,
// work whose cost grows with a text's length costs by that length too: 256 bytes of a text
// copied, joined or compared cost one step, and so do 64 bytes of memory taken. `krok` is the hot
// path: one subtraction and one test; the rest (counting against the limit, looking at the clock,
// serving the requests of the run's alarm) happens once per batch of steps, in `kontrola`.
//
// Memory is counted where a run's holdings grow: the value stack and the variable table
// gaining room, the loop tape and code growing, a value's text getting a buffer of its own
// (a join, a copy of a long text, a word read), the text of a long token outgrowing its
// buffer while it is scanned. `pridej` is called before the bytes are
// taken, with every byte the growth allocates (a vector's whole new block, a text's whole
// new buffer), and only adds; every time the additions since the last check reach half the
// limit (or what is left of it), the run's stores are measured exactly. When they hold more
// than the limit, the run stops: its output ends where it stands and an exception unwinds
// the parse. The run thus never holds more than one and a half times its limit, and a
// program that allocates much but keeps little is never stopped.
//
// The static hooks reach the budget of the run that executes on the calling thread, so that
// a store or a value does not have to carry a pointer.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <string>

#include "io/streams.hpp"
#include "limits/limits.hpp"

namespace moxa {

class Rozpocet final : public HlidacCteni {
 public:
  enum class Duvod { Zadny, Kroky, Pamet, Cas };

  // A run stopped by its memory limit, or by steps or time in the middle of a long
  // operation, unwinds with this.
  class Vycerpan : public std::bad_alloc {
   public:
    const char* what() const noexcept override { return "moxa: limit"; }
  };

  struct Limity {
    std::uint64_t kroky = 0;   // steps the run may take; 0: no limit
    std::size_t pamet = 0;     // bytes the run may hold; 0: no limit
    std::uint64_t cas_ms = 0;  // milliseconds the run may take; 0: no limit
    // cas_ms counts the processor time of the thread the run executes on, not the wall clock
    // (where that thread's clock cannot be read, the wall clock it is).
    bool cas_procesoru = false;
    bool tichy = false;        // spent steps end the output where they are reached
    bool texty = false;        // long texts cost steps by their length (see above)
    bool zivy_vystup = false;  // output held for a tick of the clock is written out
  };

  // Bytes of a text that cost one step, and bytes of memory taken (program text and input:
  // BAJTU_VSTUPU_NA_KROK in limits.hpp).
  static constexpr std::uint64_t BAJTU_NA_KROK = 256;
  static constexpr std::uint64_t BAJTU_PAMETI_NA_KROK = 64;
  static_assert(BAJTU_NA_KROK % BAJTU_VSTUPU_NA_KROK == 0);

  // `zmer(data)` measures what the run holds right now.
  Rozpocet(const Limity& limity, Vystup& out, std::size_t (*zmer)(const void*), const void* data);
  Rozpocet(const Rozpocet&) = delete;
  Rozpocet& operator=(const Rozpocet&) = delete;

  // Makes this the budget of the run executing on this thread, for the life of the object.
  class Aktivni {
   public:
    explicit Aktivni(Rozpocet* r);
    ~Aktivni();
    Aktivni(const Aktivni&) = delete;
    Aktivni& operator=(const Aktivni&) = delete;

   private:
    Rozpocet* predchozi_;
  };

  // While one of these lives, the run waits for its host (a read callback): the time does
  // not count toward the time limit.
  class Cekani {
   public:
    Cekani();
    ~Cekani();
    Cekani(const Cekani&) = delete;
    Cekani& operator=(const Cekani&) = delete;

   private:
    std::chrono::steady_clock::time_point od_;
    std::chrono::nanoseconds od_procesoru_{0};
  };

  // Takes `n` steps. False when the run must end: its steps or its time are spent, it was
  // asked to stop, or its output failed; from then on every call is false.
  [[gnu::always_inline]] bool krok(std::uint64_t n = 1) {
    do_kontroly_ -= static_cast<std::int64_t>(n);
    if (do_kontroly_ >= 0) [[likely]]
      return true;
    return kontrola();
  }
  // Takes one step when that leaves the current batch unfinished, so that no check is due;
  // false, taking nothing, when it would not.
  [[gnu::always_inline]] bool krok_v_davce() {
    if (do_kontroly_ < 1) return false;
    --do_kontroly_;
    return true;
  }
  // Takes the steps that `n` more bytes of a text cost.
  bool za_bajty(std::uint64_t n) {
    bajty_ += n;
    const std::uint64_t k = bajty_ / BAJTU_NA_KROK;
    bajty_ %= BAJTU_NA_KROK;
    return krok(k);
  }

  // Takes the steps that `n` bytes of program text or input taken in cost (one step for
  // every BAJTU_VSTUPU_NA_KROK of them).
  bool za_vstup(std::uint64_t n) { return za_bajty(n * (BAJTU_NA_KROK / BAJTU_VSTUPU_NA_KROK)); }
  // The input of `cti`, when it is not the program, is read long: its bytes are charged as
  // they come in.
  bool dlouhe_cteni(std::uint64_t prijato, std::size_t) override { return za_vstup(prijato); }

  // The run is about to take `n` more bytes of memory. May stop it (throws Vycerpan).
  static void pridej(std::size_t n);
  // The run is about to work on `n` bytes of a text (a comparison). May stop it (throws
  // Vycerpan), when long texts cost steps.
  static void za_text(std::size_t n);

  Duvod duvod() const { return duvod_; }

  // `t` moved on by `ms` milliseconds, or the clock's last instant when that lies beyond its
  // reach (a time limit of any size means "at most that long").
  static std::chrono::steady_clock::time_point po(std::chrono::steady_clock::time_point t,
                                                  std::uint64_t ms);

 private:
  static constexpr std::int64_t DAVKA = 4096;  // steps between two looks at the clock
  static constexpr auto TIK = std::chrono::milliseconds(100);

  bool kontrola();
  bool cas_vyprsel(std::chrono::steady_clock::time_point ted) const;
  void pridej_(std::size_t n);
  void za_text_(std::size_t n);
  void zastav(Duvod d);

  // The steps of the batch under way: `davka_` were granted, `do_kontroly_` are left (below
  // zero: overdrawn, which the check settles).
  std::int64_t do_kontroly_ = 0;
  std::int64_t davka_ = 0;
  std::uint64_t zbyva_;      // steps left after the batch under way
  std::uint64_t bajty_ = 0;  // bytes of text (or input, scaled) not yet worth a whole step
  bool konec_ = false;       // the run must end: every step from now on fails
  const bool tichy_;
  const bool texty_;
  const bool zivy_vystup_;
  const bool hodiny_;  // the clock is looked at, for the time limit or for live output
  std::chrono::steady_clock::time_point termin_;   // when the time is up (with a time limit)
  std::chrono::steady_clock::time_point vypsano_;  // output was last written out
  // With the time limit on the processor time of the run's thread: when that is up.
  bool procesor_ = false;
  std::chrono::nanoseconds termin_procesoru_{0};

  std::size_t limit_;  // bytes of memory; 0: no limit
  Vystup& out_;
  std::size_t (*zmer_)(const void*);
  const void* data_;
  std::size_t zmereno_ = 0;  // what the stores held at the last check
  std::size_t pribylo_ = 0;  // bytes added since then
  Duvod duvod_ = Duvod::Zadny;
};

// Bytes text `s` holds outside its own object: none while it sits in the string's inline
// buffer (whose size differs from one standard library to another), else its heap buffer
// with the terminating zero.
inline std::size_t pamet_textu(const std::string& s) {
  const char* const objekt = reinterpret_cast<const char*>(&s);
  const std::less<const char*> pred;
  const bool uvnitr = !pred(s.data(), objekt) && pred(s.data(), objekt + sizeof s);
  return uvnitr ? 0 : s.capacity() + 1;
}

}  // namespace moxa
