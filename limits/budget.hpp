// The budget of one run: how much memory the run may hold, and whether a limit has stopped
// it. A host that runs untrusted programs in its own process sets it up; a run without one
// is not limited, and each of its hooks costs one call that finds no budget.
//
// Memory is counted approximately, at the few places where a run's holdings grow: the value
// stack and the variable table gaining slots, the loop tape gaining tokens, a value's text
// getting a buffer of its own (a join, a copy of a long text, a word read). `pridej` is
// called before the bytes are taken and only adds; every time the additions since the last
// check reach half the limit (or what is left of it), the run's stores are measured
// exactly. When they hold more than the limit, the run stops: its output ends where it
// stands and an exception unwinds the parse. The run thus holds at most one and a half
// times its limit (besides the one word `cti` is reading and the one token the scanner is
// reading, which the input bounds), and a program that allocates much but keeps little is
// never stopped.
//
// The hooks are static, so that a store or a value does not have to carry a pointer: they
// reach the budget of the run that executes on the calling thread, if any.
#pragma once

#include <cstddef>
#include <functional>
#include <new>
#include <string>

namespace moxa {

class Vystup;

class Rozpocet {
 public:
  enum class Duvod { Zadny, Kroky, Pamet };

  // A run stopped by its memory limit unwinds with this.
  class Vycerpan : public std::bad_alloc {
   public:
    const char* what() const noexcept override { return "moxa: memory limit"; }
  };

  // `limit` bytes (0: no limit); `zmer(data)` measures what the run holds right now.
  Rozpocet(std::size_t limit, Vystup& out, std::size_t (*zmer)(const void*), const void* data)
      : limit_(limit), out_(out), zmer_(zmer), data_(data) {}
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

  // The run is about to take `n` more bytes. May stop it (throws Vycerpan).
  static void pridej(std::size_t n);
  // The run has used up its steps: its output ends here.
  static void kroky_dosly();

  Duvod duvod() const { return duvod_; }

 private:
  void pridej_(std::size_t n);
  void zastav(Duvod d);

  std::size_t limit_;
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
