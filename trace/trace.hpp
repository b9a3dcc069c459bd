// The trace of a run: one JSON object per line, a line per step of the program and a last
// line that says how the run ended. The machine's effects report every step here, each in
// one routine whether the grammar (a first pass) or the runner of compiled code (a loop's
// later pass) takes it; this class only writes.
//
// A step is
//   {"step": N, "line": L, "col": C, "kind": K, ...fields of the kind..., "stack": {...}}
// where the stack field, there only when the step changed the value stack, says that after
// the step the stack is its first `keep` values from before it, then the values in `push`,
// bottom first. `keep` is the lowest depth the stack reached during the step, counting an
// operator as popping both operands before it pushes its result. The last line is
//   {"end": "ok" | "error" | "stopped", "steps": N}
// with "message", "line" and "col" added for an error.
//
// Every value is a JSON string whose code points 0-255 are the value's bytes, one for one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lexer/token.hpp"
#include "storage/value_stack.hpp"

namespace moxa {

// Takes one whole line of the trace, its line feed included.
using ZapisStopy = void (*)(void* user, const char* radek, std::size_t delka);

class Stopa {
 public:
  Stopa(ZapisStopy zapis, void* user) : zapis_(zapis), user_(user) {}
  Stopa(const Stopa&) = delete;
  Stopa& operator=(const Stopa&) = delete;

  // The stack is about to lose `n` values from depth `vyska` (fewer when it holds fewer).
  void sahni(std::size_t vyska, std::size_t n) {
    const std::size_t zbyde = vyska > n ? vyska - n : 0;
    if (zbyde < dno_) dno_ = zbyde;
  }

  // Steps that complete in one call. `kind` is "assign" or "read".
  void prirazeni(const PoziceTokenu& kde, std::string_view kind, std::string_view promenna,
                 std::string_view hodnota, const ZasobnikHodnot& zas);
  void volani(const PoziceTokenu& kde, std::string_view jmeno, const ZasobnikHodnot& zas);
  void deklarace(const PoziceTokenu& kde, std::string_view jmeno, const ZasobnikHodnot& zas);
  // A print step begins while its value is still on the stack and ends once it is written.
  void zacni_tisk(const PoziceTokenu& kde, std::string_view text);
  void dokonci_tisk(bool novy_radek, const ZasobnikHodnot& zas);
  // The test of a conditional ("if") or a loop ("while") begins with its condition's value
  // and ends once the value is popped and the way on is known.
  void zacni_test(const PoziceTokenu& kde, std::string_view kind, std::string_view hodnota);
  void dokonci_test(bool taken, const ZasobnikHodnot& zas);

  // The statement being read right now, the innermost: where an error is placed. Set on
  // entering a statement and put back once it has been read; an error leaves it as it was.
  struct Prikaz {
    PoziceTokenu misto;
    bool je = false;
  };
  const Prikaz& prikaz() const { return prikaz_; }
  void vstup(const PoziceTokenu& kde) { prikaz_ = Prikaz{kde, true}; }
  void obnov(const Prikaz& p) { prikaz_ = p; }

  // The message of the error that ended the run, as printed.
  void zprava(std::string text) { zprava_ = std::move(text); }

  // The last line. An error is placed at the statement under way, or with none, at `token`.
  void konec_ok();
  void konec_zastaven();
  void konec_chyba(const PoziceTokenu& token);

  std::uint64_t kroku() const { return kroku_; }

 private:
  void zacni(const PoziceTokenu& kde, std::string_view kind);
  void klic(std::string_view jmeno);
  void text(std::string_view hodnota);
  void cislo(std::uint64_t n);
  void dokonci(const ZasobnikHodnot& zas);
  void odesli();

  ZapisStopy zapis_;
  void* user_;
  std::string radek_;
  std::uint64_t kroku_ = 0;
  std::size_t pred_ = 0;  // the stack's depth before the step under way
  std::size_t dno_ = 0;   // the lowest depth it has reached since
  Prikaz prikaz_;
  std::string zprava_;
};

}  // namespace moxa
