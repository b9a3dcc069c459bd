// Byte input and output of one run: the buffered reader that the scanner (and, when the
// program comes from standard input, `cti` too) takes bytes from, and the buffered writer
// through which every byte of output passes.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace moxa {

class Vystup;

// Requests that reach a run from outside it: a timer asks for the output held so far to be
// written out, a signal asks the run to stop. Asking is async-signal-safe and may come from
// any thread; the run serves the requests at its next step (a loop pass, a refill of its
// input) and wakes from any wait for input or output when asked to stop.
class Budik {
 public:
  static constexpr unsigned VYPSAT = 1;    // write out what the writer holds
  static constexpr unsigned ZASTAVIT = 2;  // stop the run

  // Without a pipe a stop is seen at the next step only. With one, a stop also writes a byte
  // to `probudit` (the write end, non-blocking), which makes `cekani` readable for good, so
  // that a wait that polls it ends.
  Budik() = default;
  Budik(int cekani, int probudit) : cekani_(cekani), probudit_(probudit) {}
  Budik(const Budik&) = delete;
  Budik& operator=(const Budik&) = delete;

  void zazvon(unsigned co) noexcept;
  bool zvoni() const noexcept { return zadost_.load(std::memory_order_relaxed) != 0; }
  // Takes the pending requests, leaving none.
  unsigned vyzvedni() noexcept { return zadost_.exchange(0, std::memory_order_acquire); }
  // Readable once a stop has been asked for; -1 without a pipe.
  int cekani() const noexcept { return cekani_; }

 private:
  std::atomic<unsigned> zadost_{0};
  int cekani_ = -1;
  int probudit_ = -1;
};
static_assert(std::atomic<unsigned>::is_always_lock_free, "asked from signal handlers");

// Waits until `fd` is ready for `udalost` (POLLIN or POLLOUT) or reports an error; false
// when the wait ended because `budik` asked the run to stop (or polling itself failed).
bool cekej(int fd, short udalost, const Budik* budik);

// Watches reads that run long. A reader that has taken more than Vstup::BLOK bytes since
// the last `vezmi_prijate` (one token, or one run of skipped input, has outgrown a whole
// block) tells it about every refill from then on, before the refilled bytes are read.
class HlidacCteni {
 public:
  // `prijato` bytes were taken in since the last report (or since `vezmi_prijate`), `dalsich`
  // of them just refilled and not yet read. False when the run must end: the input then
  // ends here. May throw, as the run's memory budget does.
  virtual bool dlouhe_cteni(std::uint64_t prijato, std::size_t dalsich) = 0;

 protected:
  ~HlidacCteni() = default;
};

// Holds views into a reader's buffer that must outlive a refill: told before the buffer's
// bytes are replaced, so that it can copy what it still needs.
class DrzitelBufferu {
 public:
  virtual void pred_doplnenim() = 0;

 protected:
  ~DrzitelBufferu() = default;
};

// A buffered byte reader. Subclasses supply `doplnit`, which refills the buffer with at most
// BLOK bytes; the hot path (`cti_znak`) is an inline pointer bump. Once the end of input has
// been seen, every further read yields -1 again.
class Vstup {
 public:
  static constexpr int KONEC = -1;
  // The most bytes one refill hands over, so that the watcher of long reads hears of them
  // at least this often.
  static constexpr std::size_t BLOK = std::size_t{1} << 16;

  Vstup() = default;
  Vstup(const Vstup&) = delete;
  Vstup& operator=(const Vstup&) = delete;
  virtual ~Vstup() = default;

  // Next byte (0..255), or KONEC.
  int cti_znak() {
    if (pozice_ != konec_) return *pozice_++;
    return doplnit_a_cti();
  }

  // Next byte without consuming it, or KONEC.
  int nahled() { return naplnit() ? *pozice_ : KONEC; }

  // Bulk access for the scanner: makes sure some unread bytes are buffered (false at the end
  // of input); they are [pozice(), konec()), and `posun` marks those before `p` as read.
  bool naplnit() {
    if (pozice_ != konec_) return true;
    if (doplnit_a_cti() == KONEC) return false;
    --pozice_;
    return true;
  }
  const unsigned char* pozice() const { return pozice_; }
  const unsigned char* konec() const { return konec_; }
  void posun(const unsigned char* p) { pozice_ = p; }

  // How many bytes have been taken from the input so far: the offset of the next byte.
  std::uint64_t precteno() const { return precteno_do(pozice_); }
  // The offset of the byte at `p`, a place in the buffer [pozice(), konec()].
  std::uint64_t precteno_do(const unsigned char* p) const {
    return zaklad_ + reinterpret_cast<std::uintptr_t>(p);
  }

  // Closes the underlying stream; false when closing fails.
  virtual bool zavrit() { return true; }

  // Whether anything is left for `vezmi_prijate` to take (bytes or the mark of a long read).
  bool prijato() const { return prijato_ != 0; }
  // Bytes handed over by refills since the last call (what the run has taken in, for its
  // budget of steps).
  std::uint64_t vezmi_prijate() {
    const std::uint64_t n = prijato_ & ~DLOUHE;
    prijato_ = 0;
    return n;
  }

  // Whom the refills of a long read are reported to (null: nobody).
  void hlidej(HlidacCteni* hlidac) { hlidac_ = hlidac; }
  // Who is told before the buffer's bytes are replaced (null: nobody). A reader whose
  // bytes stay where they are for its whole life tells nobody.
  void drz(DrzitelBufferu* drzitel) { drzitel_ = drzitel; }

 protected:
  // Makes [pozice_, konec_) the next bytes of input; leaves it empty at the end of input.
  virtual void doplnit() = 0;

  const unsigned char* pozice_ = nullptr;
  const unsigned char* konec_ = nullptr;
  // Set by a reader whose refills hand over consecutive pieces of one text that stays in
  // place: a view into its buffer stays valid across refills.
  bool trvaly_ = false;

 private:
  int doplnit_a_cti();
  bool skoncil_ = false;
  // Set in `prijato_` once a read has outgrown a block: every refill is reported from then
  // until the next `vezmi_prijate`.
  static constexpr std::uint64_t DLOUHE = std::uint64_t{1} << 63;
  std::uint64_t prijato_ = 0;
  HlidacCteni* hlidac_ = nullptr;
  DrzitelBufferu* drzitel_ = nullptr;
  // The offset of the buffer's first byte less that byte's address (modulo 2^64), so that an
  // offset costs one addition.
  std::uint64_t zaklad_ = 0;
};

// Input held in memory (tests, fuzzing, embedding).
class TextovyVstup final : public Vstup {
 public:
  explicit TextovyVstup(std::string_view text);

 protected:
  void doplnit() override;

 private:
  std::string_view zbytek_;
};

// Input read from a file descriptor: a file, a pipe, a FIFO, a terminal. A read error
// counts as the end of input; a read that would block or is interrupted is waited out and
// tried again. When `vystup` is set, it is flushed before every read that may block, so that
// a prompt is visible before the interpreter waits, and the requests of its alarm are served
// at every refill; a stop ends the input.
class SouborovyVstup final : public Vstup {
 public:
  explicit SouborovyVstup(int fd, Vystup* vystup = nullptr);
  bool zavrit() override;

 protected:
  void doplnit() override;

 private:
  bool zastaveno() const;

  int fd_;
  Vystup* vystup_;
  bool vzdy_pripraven_ = false;  // a regular file: a read never waits
  bool zavren_ = false;
  unsigned char buf_[BLOK];
};

// Where the writer's bytes finally go. `zapis` returns false when the bytes cannot be
// written (a closed pipe, a full disk, an exhausted budget); the run then stops quietly.
class Cil {
 public:
  virtual ~Cil() = default;
  virtual bool zapis(const char* data, std::size_t n) = 0;
  // False when it is known that nothing more can be written, although nothing is waiting
  // to be (a pipe whose reader has gone).
  virtual bool zije() { return true; }
};

class CilRetezec final : public Cil {
 public:
  explicit CilRetezec(std::string& text, std::size_t limit = 0) : text_(text), limit_(limit) {}
  bool zapis(const char* data, std::size_t n) override;

 private:
  std::string& text_;
  std::size_t limit_;  // 0 = no limit
};

// Passes output on to a function; with a limit, exactly the first `limit` bytes, then it
// refuses, which stops the run quietly. The function gets every piece (an empty one past the
// limit) and returns false to refuse the rest.
class CilFunkce final : public Cil {
 public:
  using Funkce = bool (*)(void* user, const char* data, std::size_t n);
  CilFunkce(Funkce funkce, void* user, std::size_t limit)
      : funkce_(funkce), user_(user), limit_(limit) {}
  bool zapis(const char* data, std::size_t n) override;
  bool prekrocen() const { return prekrocen_; }

 private:
  Funkce funkce_;
  void* user_;
  std::size_t limit_;  // 0 = no limit
  std::size_t dodano_ = 0;
  bool prekrocen_ = false;
};

// A file descriptor. A write that would block (a non-blocking descriptor) or is interrupted
// is waited out and tried again, also after a stop: what the run printed is still owed.
class CilSoubor final : public Cil {
 public:
  explicit CilSoubor(int fd) : fd_(fd) {}
  bool zapis(const char* data, std::size_t n) override;
  bool zije() override;

 private:
  int fd_;
};

// The buffered writer. Its buffer is part of it, so neither making it nor writing through
// it allocates; a write that fails makes the writer `selhal` for good and every later write
// a no-op. It holds up to 64 KiB before writing them out, or, when it writes by lines (to a
// terminal), every complete line at once.
class Vystup {
 public:
  explicit Vystup(Cil& cil, Budik* budik = nullptr);
  Vystup(const Vystup&) = delete;
  Vystup& operator=(const Vystup&) = delete;

  void pis(std::string_view text) {
    // The first test is redundant (mez_ never exceeds the buffer) but lets the compiler see
    // that a text longer than the buffer never takes this path.
    if (text.size() <= KAPACITA && delka_ + text.size() <= mez_) {
      std::memcpy(buf_.data() + delka_, text.data(), text.size());
      delka_ += text.size();
    } else {
      pis_pomalu(text);
    }
  }
  void pis(char c) {
    if (delka_ < mez_) {
      buf_[delka_++] = c;
    } else {
      pis_pomalu(c);
    }
  }
  void pis_cislo(std::uint64_t n);

  void vyprazdnit();
  bool selhal() const { return selhal_; }
  // Delivers what is buffered and refuses everything after it: the output ends here.
  void zastav() {
    vyprazdnit();
    selhal_ = true;
  }

  // Writes out every complete line at once (for a person watching a terminal).
  void po_radcich(bool ano) {
    po_radcich_ = ano;
    mez_ = ano ? 0 : KAPACITA;
  }

  // The alarm whose requests the run serves: the one given, or one of its own that nobody
  // rings.
  Budik& budik() const { return *budik_; }
  // Whether a request waits to be served; cheap enough for every loop pass.
  bool zada() const { return budik_->zvoni(); }
  // Serves the waiting requests: writes out what is held; on a stop, writes it out and
  // writes nothing more. False when the run must end: it was stopped, or output failed.
  bool obsluz();
  // The run was asked to stop (and its output ended there).
  bool zastaveno() const { return zastaveno_; }

 private:
  static constexpr std::size_t KAPACITA = 1 << 16;
  // What does not fit, and everything when writing by lines.
  void pis_pomalu(std::string_view text);
  void pis_pomalu(char c);

  Cil& cil_;
  Budik vlastni_budik_;
  Budik* budik_;
  std::array<char, KAPACITA> buf_;  // part of the writer: writing never allocates
  std::size_t delka_ = 0;
  // The fast path takes a write that ends within this: the capacity, or 0 when writing by
  // lines, so that every write then takes the slow path, which looks for line ends.
  std::size_t mez_ = KAPACITA;
  bool selhal_ = false;
  bool po_radcich_ = false;
  bool zastaveno_ = false;
};

}  // namespace moxa
