// Byte input and output of one run: the buffered reader that the scanner (and, when the
// program comes from standard input, `cti` too) takes bytes from, and the buffered writer
// through which every byte of output passes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace moxa {

class Vystup;

// A buffered byte reader. Subclasses supply `doplnit`, which refills the buffer; the hot
// path (`cti_znak`) is an inline pointer bump. Once the end of input has been seen, every
// further read yields -1 again.
class Vstup {
 public:
  static constexpr int KONEC = -1;

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

  // Closes the underlying stream; false when closing fails.
  virtual bool zavrit() { return true; }

 protected:
  // Makes [pozice_, konec_) the next bytes of input; leaves it empty at the end of input.
  virtual void doplnit() = 0;

  const unsigned char* pozice_ = nullptr;
  const unsigned char* konec_ = nullptr;

 private:
  int doplnit_a_cti();
  bool skoncil_ = false;
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

// Input read from a file descriptor. A read error counts as the end of input. When
// `pred_cekanim` is set, it is flushed before every read that may block, so that a prompt
// is visible before the interpreter waits.
class SouborovyVstup final : public Vstup {
 public:
  explicit SouborovyVstup(int fd, Vystup* pred_cekanim = nullptr)
      : fd_(fd), vystup_(pred_cekanim) {}
  bool zavrit() override;

 protected:
  void doplnit() override;

 private:
  int fd_;
  Vystup* vystup_;
  bool zavren_ = false;
  unsigned char buf_[1 << 16];
};

// Where the writer's bytes finally go. `zapis` returns false when the bytes cannot be
// written (a closed pipe, a full disk, an exhausted budget); the run then stops quietly.
class Cil {
 public:
  virtual ~Cil() = default;
  virtual bool zapis(const char* data, std::size_t n) = 0;
};

class CilRetezec final : public Cil {
 public:
  explicit CilRetezec(std::string& text, std::size_t limit = 0) : text_(text), limit_(limit) {}
  bool zapis(const char* data, std::size_t n) override;

 private:
  std::string& text_;
  std::size_t limit_;  // 0 = no limit
};

class CilSoubor final : public Cil {
 public:
  explicit CilSoubor(int fd) : fd_(fd) {}
  bool zapis(const char* data, std::size_t n) override;

 private:
  int fd_;
};

// The buffered writer. Its buffer is part of it, so neither making it nor writing through
// it allocates; a write that fails makes the writer `selhal` for good and every later write
// a no-op.
class Vystup {
 public:
  explicit Vystup(Cil& cil);
  Vystup(const Vystup&) = delete;
  Vystup& operator=(const Vystup&) = delete;

  void pis(std::string_view text) {
    if (text.size() <= volno_()) {
      std::memcpy(buf_.data() + delka_, text.data(), text.size());
      delka_ += text.size();
    } else {
      pis_dlouhe(text);
    }
  }
  void pis(char c) {
    if (volno_() == 0) vyprazdnit();
    buf_[delka_++] = c;
  }
  void pis_cislo(std::uint64_t n);

  void vyprazdnit();
  bool selhal() const { return selhal_; }
  // Delivers what is buffered and refuses everything after it: the output ends here.
  void zastav() {
    vyprazdnit();
    selhal_ = true;
  }

 private:
  static constexpr std::size_t KAPACITA = 1 << 16;
  std::size_t volno_() const { return KAPACITA - delka_; }
  void pis_dlouhe(std::string_view text);

  Cil& cil_;
  std::array<char, KAPACITA> buf_;  // part of the writer: writing never allocates
  std::size_t delka_ = 0;
  bool selhal_ = false;
};

}  // namespace moxa
