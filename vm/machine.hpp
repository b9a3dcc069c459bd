// The machine a run's statements act on: the stores (the variable table, the value stack),
// the token source, the output, the compiled code of loops and the registers of its runner.
// Every effect of a statement (store, print, read, test a condition, apply an operator) is
// one routine here, called both by the grammar routines, which execute while they read, and
// by the runner of the compiled code, so that the two cannot drift apart. An effect that is
// a step of the trace reports that step itself, in the same routine for both callers; with
// no trace, the report costs nothing in the runner and one test of a null pointer in the
// grammar.
//
// Every routine that can fail returns the result code (0 = success); the one that finds an
// error prints its message first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
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
  // run's limits; `stopa` takes the run's trace (null: no trace).
  Stroj(Vstup& zdroj, Vstup& vstup, Vystup& out, const Rozpocet::Limity& limity, Stopa* stopa)
      : vstup_(vstup),
        out_(out),
        rozpocet_(limity, out, drzena_pamet, this),
        lex_(zdroj, rozpocet_),
        stopa_(stopa),
        vstup_je_program_(&vstup == &zdroj) {
    // The program's own input is watched by the token source; another one by the budget.
    if (!vstup_je_program_) vstup_.hlidej(&rozpocet_);
  }
  ~Stroj() {
    if (!vstup_je_program_) vstup_.hlidej(nullptr);
  }
  Stroj(const Stroj&) = delete;
  Stroj& operator=(const Stroj&) = delete;

  // The token source, which the grammar reads.
  ZdrojTokenu& tokeny() { return lex_; }
  const ZdrojTokenu& tokeny() const { return lex_; }
  // The current token.
  const Token& tok() const { return lex_.token(); }
  // The compiled code of the loops being compiled or run, which the grammar appends to.
  KodCyklu& kod() { return kod_; }
  const KodCyklu& kod() const { return kod_; }

  // Runs `program` (the grammar's whole program) with the run's budget in force, and returns
  // its result code; memory that runs out (or a store that hits its size limit) ends the
  // run like any failed run.
  template <class Program>
  [[nodiscard]] int spust(Program program) {
    const Rozpocet::Aktivni aktivni(&rozpocet_);
    try {
      return program();
    } catch (const std::exception&) {
      return 1;
    }
  }
  // Writes one of the run's fixed messages (the verdicts).
  void oznam(std::string_view zprava) { out_.pis(zprava); }
  // Which limit stopped the run (Zadny when none did).
  Rozpocet::Duvod duvod_zastaveni() const { return rozpocet_.duvod(); }
  // Releases the stores: the variable table, the value stack, the code, what the tokens hold.
  void uvolni();
  // Writes the trace's last line for the run that ended with result `vysledek`.
  void konec_stopy(int vysledek);

  // The effects of expressions, while they execute.
  // The slot of the variable named by token `t`, created when `vytvorit` is set.
  std::int32_t promenna(const Token& t, bool vytvorit) {
    return tab_.Vloz_do_tab(t.text, vytvorit);
  }
  // Pushes literal `t`, or the value of variable `slot`.
  void vloz_literal(const Token& t) { t.vloz_literal(zas_.pridej()); }
  void vloz_promennou(std::int32_t slot) { zas_.Vloz_do_zas(tab_.hodnota(slot)); }
  // An operator on the values on top: binary `op`, whose result takes the left operand's
  // place, or the prefix "!".
  [[nodiscard, gnu::always_inline]] int operace(Znacka op) {
    sahni(2);
    return na_zasobniku(op);
  }
  [[nodiscard]] int neguj() {
    sahni(1);
    return negace();
  }

  // The effects of statements, each with its trace step.
  // The assignment: pops the value on top into variable `slot`.
  [[gnu::always_inline]] void prirad(std::int32_t slot) {
    if (stopa_ != nullptr) [[unlikely]]
      return prirad_s<true>(slot);
    prirad_s<false>(slot);
  }
  // The read statement: one word of input into `slot`, or passed over when it is ZADNA.
  [[nodiscard]] int cti(std::int32_t slot) {
    if (stopa_ != nullptr) [[unlikely]]
      return cti_s<true>(slot);
    return cti_s<false>(slot);
  }
  // The write statements: pops the value on top and writes it, with a line feed when
  // `novy_radek`; 1 when the output can no longer be written (the run then stops quietly).
  [[nodiscard]] int pis(bool novy_radek) {
    if (stopa_ != nullptr) [[unlikely]]
      return pis_s<true>(novy_radek);
    return pis_s<false>(novy_radek);
  }
  // The test of a conditional (KDYZ) or a loop (CYKLUS): pops the condition's truth.
  [[nodiscard]] bool test(std::string_view druh) {
    if (stopa_ != nullptr) [[unlikely]]
      return test_s<true>(druh);
    return pravdivost();
  }
  static constexpr std::string_view KDYZ = "if";
  static constexpr std::string_view CYKLUS = "while";

  // Runs the later passes of a loop whose first pass has been read and compiled: its code
  // from `od`, its jump back, until its test leaves it for `po`.
  [[nodiscard]] int spust_kod(KodCyklu::Pozice od, KodCyklu::Pozice po) {
    prvni_pruchod_.push_back(0);
    return Proved(od, po);
  }
  // Drops the compiled code, and the first-pass marks of loops that an error left running.
  void zahod_kod() {
    kod_.vyprazdni();
    prvni_pruchod_.clear();
  }

  // The trace. Whether the run has one; the rest is used only when it has.
  bool stopuje() const { return stopa_ != nullptr; }
  // The statement being read: entered at `kde` (the one before it is returned), put back
  // once read; its place.
  Stopa::Prikaz vstup_prikazu(const PoziceTokenu& kde) {
    const Stopa::Prikaz predchozi = stopa_->prikaz();
    stopa_->vstup(kde);
    return predchozi;
  }
  void obnov_prikaz(const Stopa::Prikaz& p) { stopa_->obnov(p); }
  const PoziceTokenu& misto_prikazu() const { return stopa_->prikaz().misto; }
  // Trace steps that are not effects of the machine: a call statement done, a declaration
  // whose parameters have been read.
  void krok_volani(std::string_view jmeno) { stopa_->volani(misto_kroku(), jmeno, zas_); }
  void krok_deklarace(std::string_view jmeno) { stopa_->deklarace(misto_kroku(), jmeno, zas_); }

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

 private:
  // The effects as the runner takes them (the grammar's above run through them).
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
  Stopa* const stopa_;
  const bool vstup_je_program_;  // `cti` reads the program's own input
  // For the trace: the value stack is about to lose `n` values.
  void sahni(std::size_t n) {
    if (stopa_ != nullptr) [[unlikely]]
      stopa_->sahni(zas_.vyska(), n);
  }
  // Bytes the stores hold right now (for the budget).
  static std::size_t drzena_pamet(const void* stroj);
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
  template <Misto L, Misto P, Misto C, Znacka OP, bool S>
  [[nodiscard]] bool v_retezu(const std::uint32_t* a, double& aku, bool& plny);
  bool cele_na_miste(Misto kde, std::uint32_t index, double& x);
  bool cislo_na_miste(Misto kde, std::uint32_t index, double& x);
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
  // Compiled code is running, in a run that traces: its steps are placed by `pc_stopy_`.
  bool v_kodu_ = false;
  // Where the step under way is placed: at the statement the grammar is reading, or at the
  // one the instruction under way in compiled code belongs to.
  const PoziceTokenu& misto_kroku() const {
    return v_kodu_ ? misto_v_kodu(pc_stopy_) : stopa_->prikaz().misto;
  }
  // The effects with their trace steps, for the grammar and the runner; `S`: the run traces.
  // The runner has already told the trace what its instruction pops; telling it again
  // changes nothing.
  template <bool S>
  [[gnu::always_inline]] void prirad_s(std::int32_t slot) {
    if constexpr (S) stopa_->sahni(zas_.vyska(), 1);
    uloz(slot);
    if constexpr (S) krok_prirazeni(slot);
  }
  template <bool S>
  [[nodiscard, gnu::always_inline]] int cti_s(std::int32_t slot) {
    if (nacti(slot) != 0) return 1;
    if constexpr (S) {
      if (slot != TabulkaPromennych::ZADNA) krok_prirazeni(slot, "read");
    }
    return 0;
  }
  template <bool S>
  [[nodiscard, gnu::always_inline]] int pis_s(bool novy_radek) {
    if constexpr (S) {
      stopa_->sahni(zas_.vyska(), 1);
      stopa_->zacni_tisk(misto_kroku(), zas_.vrchol_text());
    }
    if (vypis(novy_radek) != 0) return 1;
    if constexpr (S) stopa_->dokonci_tisk(novy_radek, zas_);
    return 0;
  }
  // A test of the value on top of the stack, or of the truth register (which a fused
  // comparison of compiled code has set).
  template <bool S>
  [[gnu::always_inline]] bool test_s(std::string_view druh) {
    if constexpr (S) {
      stopa_->sahni(zas_.vyska(), 1);
      stopa_->zacni_test(misto_kroku(), druh, zas_.vrchol_text());
    }
    const bool pravda = pravdivost();
    if constexpr (S) stopa_->dokonci_test(pravda, zas_);
    return pravda;
  }
  template <bool S>
  [[gnu::always_inline]] bool test_registru_s(std::string_view druh) {
    if constexpr (S) {
      stopa_->zacni_test(misto_kroku(), druh, hodnota_pravdy());
      stopa_->dokonci_test(pravda_, zas_);
    }
    return pravda_;
  }
  // Trace steps: a value stored in `slot` (by an assignment, or by a read); the value of
  // the truth register; the values instruction word `w` pops.
  void krok_prirazeni(std::int32_t slot, std::string_view druh = "assign");
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
