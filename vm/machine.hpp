// The machine a run's statements act on: the stores (the variable table, the value stack),
// the token source, the output, the compiled code of loops and the registers of its runner.
// Every effect of a statement (store, print, read, test a condition, apply an operator) is
// one routine here, called both by the grammar routines, which execute while they read, and
// by the runner of the compiled code, so that the two cannot drift apart.
//
// Every routine that can fail returns the result code (0 = success); the one that finds an
// error prints its message first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "expr/value.hpp"
#include "io/streams.hpp"
#include "lexer/lex.hpp"
#include "limits/budget.hpp"
#include "storage/value_stack.hpp"
#include "storage/variables.hpp"
#include "trace/trace.hpp"
#include "vm/code.hpp"
#include "vm/operators.hpp"

namespace moxa {

class Stroj {
 public:
  // `zdroj` is the program; `vstup` is where `cti` reads words (the same object when the
  // program itself comes from standard input); `out` takes all output; `limity` are the
  // run's limits, and `zmer(data)` measures what the run holds, for its budget.
  Stroj(Vstup& zdroj, Vstup& vstup, Vystup& out, const Rozpocet::Limity& limity,
        std::size_t (*zmer)(const void*), const void* data)
      : vstup_(vstup),
        out_(out),
        rozpocet_(limity, out, zmer, data),
        lex_(zdroj, rozpocet_),
        vstup_je_program_(&vstup == &zdroj) {
    // The program's own input is watched by the token source; another one by the budget.
    if (!vstup_je_program_) vstup_.hlidej(&rozpocet_);
  }
  Stroj(const Stroj&) = delete;
  Stroj& operator=(const Stroj&) = delete;

  // The compiled code of the loops being compiled or run.
  const KodCyklu& kod() const { return kod_; }

 protected:
  ~Stroj() {
    if (!vstup_je_program_) vstup_.hlidej(nullptr);
  }

  // The effects of statements.
  // Pops the value on top into variable `slot`.
  [[gnu::always_inline]] void uloz(std::int32_t slot) {
    zas_.zajisti(1);
    tab_.hodnota(slot) = std::move(zas_.vrchol());
    zas_.zahod();
  }
  // Pops the value on top and writes it, with a line feed when `novy_radek`; 1 when the
  // output can no longer be written (the run then stops quietly).
  [[nodiscard, gnu::always_inline]] int vypis(bool novy_radek) {
    zas_.zajisti(1);
    out_.pis(zas_.vrchol().text());
    zas_.zahod();
    if (novy_radek) out_.pis('\n');
    return out_.selhal() ? 1 : 0;
  }
  // Reads one word of input into variable `slot`, or passes over it when `slot` is ZADNA.
  [[nodiscard]] int nacti(std::int32_t slot);
  // Pops the value on top as the truth of a condition.
  [[gnu::always_inline]] bool pravdivost() { return zas_.Uber_pravdivost(); }
  // Applies binary operator `op` to the two values on top of the value stack: the result
  // takes the left operand's place.
  [[nodiscard]] int na_zasobniku(Znacka op);
  // Applies the prefix "!" to the value on top.
  [[nodiscard]] int negace();

  // Runs the code [od, po): the later passes of a loop whose first pass has been read.
  [[nodiscard]] int Proved(KodCyklu::Pozice od, KodCyklu::Pozice po) {
    if (stopa_ == nullptr) [[likely]]
      return proved<false>(od, po);
    return proved_se_stopou(od, po);
  }

  // The current token.
  const Token& tok() const { return lex_.token(); }

  // Error reports of routine `blok`, at the line the scanner has reached; each prints its
  // message and returns 1.
  [[nodiscard]] int chyba_znak(std::string_view blok, std::string_view ocekavano);
  [[nodiscard]] int chyba_cislo(std::string_view blok);
  // No operand where an expression needs one (the token there, or the end of a recorded
  // loop that its budget cut off, starts none).
  [[nodiscard]] int chyba_faktoru();
  [[nodiscard]] int chyba_dlouha(std::string_view blok);
  [[nodiscard]] int chyba_vnoreni(std::string_view blok);
  // Prints the error of routine `blok` made of `casti` (and hands it to the trace).
  [[nodiscard]] int chyba(std::string_view blok, std::initializer_list<std::string_view> casti);

  Vstup& vstup_;
  Vystup& out_;
  Rozpocet rozpocet_;  // before the token source, which takes its steps from it
  ZdrojTokenu lex_;
  TabulkaPromennych tab_;
  ZasobnikHodnot zas_;
  KodCyklu kod_;
  // For each loop the compiled code is running: 1 while it is in its first pass.
  std::vector<std::uint8_t> prvni_pruchod_;
  Hodnota pomocna_;      // the result of a fused operator whose truth only a test takes
  bool pravda_ = false;  // the truth register: that truth
  // The run's trace; null when it was not asked for, and then nothing below is used.
  Stopa* stopa_ = nullptr;

 private:
  const bool vstup_je_program_;  // `cti` reads the program's own input
  // Applies binary operator `op` to `a` and `b`, leaving the result in `r` (which may be
  // either of them), with the checks and messages of the operator's routine.
  [[nodiscard, gnu::always_inline]] int binarni(Znacka op, const Hodnota& a, const Hodnota& b,
                                                Hodnota& r) {
    if (a.je_cislo() && b.je_cislo()) {
      na_cislech_do(op, a.cteni(), b.cteni(), r);
      return 0;
    }
    return binarni_texty(op, a, b, r);
  }
  // The same when one operand at least is not a number.
  [[nodiscard]] int binarni_texty(Znacka op, const Hodnota& a, const Hodnota& b, Hodnota& r);
  template <Misto L, Misto P, Misto C, Znacka OP>
  [[nodiscard]] int binarni_na_miste(const std::uint32_t* a);
  template <Znacka OP>
  [[nodiscard]] int na_zasobniku_s();
  // Reads one word of input as the "%s" conversion does; `kam` is null when the word is to
  // be discarded. False when the word is too long to store.
  bool precti_slovo(std::string* kam);
  bool precti_slovo_z(std::string* kam);
  // Reads and discards the words of `n` read statements in code that is passed over.
  void preskoc_cteni(std::uint64_t n);
  // The runner of compiled code; `S`: every step is reported to the trace.
  template <bool S>
  [[nodiscard]] int proved(KodCyklu::Pozice od, KodCyklu::Pozice po);
  [[nodiscard]] int proved_se_stopou(KodCyklu::Pozice od, KodCyklu::Pozice po);
  // For the trace: the first token of the statement that the instruction at `pc` belongs
  // to; for a condition's test, that of its conditional or loop.
  const PoziceTokenu& misto_v_kodu(KodCyklu::Pozice pc) const;
  // What the trace keeps while compiled code runs: the instruction under way, and whether
  // the truth register's value is a comparison's "1" or "0" (else it is `pomocna_`).
  KodCyklu::Pozice pc_stopy_ = 0;
  bool pravda_logicka_ = false;
  // Trace steps of compiled code: an assignment to `slot` done; the value of the truth
  // register; the values instruction word `w` pops.
  void krok_prirazeni(std::int32_t slot);
  std::string_view hodnota_pravdy() const;
  static std::size_t odebira(std::uint32_t w);
  static constexpr bool je_logicky(Znacka op) {
    return op != Znacka::Plus && op != Znacka::Minus && op != Znacka::Krat &&
           op != Znacka::Deleno && op != Znacka::Modulo;
  }
  // An instruction code that no case knows: the code is corrupt.
  [[noreturn]] static void neznama_instrukce(std::uint32_t w);
};

}  // namespace moxa
