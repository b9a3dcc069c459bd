// One run of a program: the recursive-descent parser that executes each construct as it
// recognises it. Every grammar routine is a member returning its result (0 = success, 1 =
// an error), which its caller must check; it is entered with the first token of its
// construct current and leaves the first token after it current. The first error ends the
// run: the routine that finds it prints its one message and every caller returns 1 at once,
// up to `SA`, which alone records and reports the result. The state a construct changes for
// its parts (the execution flag, the count of loops being compiled, the token source) is put
// back by a guard object on every way out, an error included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "expr/value.hpp"
#include "io/streams.hpp"
#include "limits/budget.hpp"
#include "limits/limits.hpp"
#include "parser/globals.hpp"
#include "vm/machine.hpp"

namespace moxa {

struct Nastaveni {
  // Steps the run may take (0 = no limit): a step is a token scanned, a token of a loop's
  // later pass, 256 bytes of program or input taken in (see limits/budget.hpp). Past them
  // the run sees only the end of input. Lets a host such as a fuzzer stop a program that
  // would loop forever.
  std::uint64_t limit_kroku = 0;
  // For runs whose output is collected in memory: past this many bytes the output counts
  // as unwritable and the run stops quietly (0 = no limit).
  std::size_t limit_vystupu = 0;
  // Bytes the run may hold (0 = no limit); past them the run stops, its output ending
  // where it stands.
  std::size_t limit_pameti = 0;
  // Milliseconds the run may take (0 = no limit); then it stops, its output ending where it
  // stands. They are of the wall clock, or with `cas_procesoru` of the processor time of the
  // thread the run executes on.
  std::uint64_t limit_casu_ms = 0;
  bool cas_procesoru = false;
  // Not null: receives which limit stopped the run (Zadny when none did).
  Rozpocet::Duvod* duvod_zastaveni = nullptr;
  // A step limit that stops the run ends its output where it is reached too, instead of
  // letting the run report the end of input it then sees.
  bool tichy_limit_kroku = false;
  // Long texts copied, joined or compared cost steps by their length, so that a step is a
  // bounded amount of work whatever the texts. Only with `tichy_limit_kroku`: such a step
  // may be taken deep inside an operator, where the run stops at once. The two ways of
  // running loops copy texts a different number of times, so the runs that compare them
  // leave this off.
  bool kroky_za_texty = false;
  // Output held for a tenth of a second is written out, measured by the run's own clock
  // (for hosts without a timer thread).
  bool zivy_vystup = false;
#ifdef MOXA_PREHRAVANI
  // Loops run their later passes from the compact form compiled in their first pass. When
  // off, every later pass reads the loop's recorded tokens again and parses them anew; the
  // two ways print the same bytes, which the tests and a fuzzer compare. Only in the build
  // for the tests.
  bool prekladat_cykly = true;
#endif
  // Off: the whole program is read as a branch not taken is, with the execution flag at 0
  // from the start. Nothing runs and nothing is printed but a syntax error and the verdict;
  // the run stops at the same token with the same message as it would executing.
  bool provadet = true;
  // The caller's own stack can grow by ZASOBNIK_BEHU bytes (limits/limits.hpp): the run
  // executes on it, and no thread with a stack of its own is made for it.
  bool na_zasobniku_volajiciho = false;
  // Every token carries its line, column and byte offset, for a host that asks where a
  // token stands (the checker). A run that traces or lists its code has them anyway;
  // any other saves the work on every token.
  bool pozice_tokenu = false;
  // Called with the compiled code of every outermost loop once its first pass has been
  // read, before its later passes run; the code then holds its statement starts (for a
  // listing of the code). Empty: nothing is called and no statement start is kept.
  std::function<void(const KodCyklu&)> po_prekladu = nullptr;
  // Where the run reports its steps (see trace/trace.hpp); null: no trace, at no cost. The
  // run writes every step; its last line is written by whoever ran it, who knows how it
  // ended (`beh` does).
  Stopa* stopa = nullptr;
};

// The grammar drives the machine it holds: it reads the program from the machine's token
// source, calls the machine's effects while it executes, and appends to the machine's code
// while it compiles a loop. It reaches the machine through its public routines alone.
class Interpret {
 public:
  // `zdroj` is the program; `vstup` is where `cti` reads words (the same object when the
  // program itself comes from standard input); `out` takes all output.
  Interpret(Vstup& zdroj, Vstup& vstup, Vystup& out, const Nastaveni& nastaveni = {});

  // Runs the whole program: reads the first token, parses and executes, and prints the
  // error verdict when the run failed. Returns the result code.
  int SA();

  // Releases the stores: the variable table, the value stack, what the tokens hold.
  void uvolni();

  // Writes the trace's last line for the run that ended with result `vysledek`.
  void konec_stopy(int vysledek);

  // True when a limit (memory, time, or steps with `tichy_limit_kroku`) stopped the run.
  bool zastaven() const { return duvod_zastaveni() != Rozpocet::Duvod::Zadny; }
  Rozpocet::Duvod duvod_zastaveni() const { return stroj_.duvod_zastaveni(); }

  // The current token: after a failed run, the token the error is about.
  const Token& aktualni_token() const { return stroj_.tok(); }
  // The line counter of the scanner, which the messages quote.
  std::uint64_t cislo_radku() const { return stroj_.tokeny().cislo_radku(); }

 private:
  // program
  [[nodiscard]] int Hlavni_program();
  [[nodiscard]] int Blok();
  [[nodiscard]] int Vnitrni_blok();
  // statements
  [[nodiscard]] int Prikaz();
  [[nodiscard, gnu::cold, gnu::noinline]] int Prikaz_se_stopou();
  [[nodiscard]] int Prikaz_provedeni();
  [[nodiscard]] int Prirazeni();
  [[nodiscard]] int If();
  [[nodiscard]] int While();
#ifdef MOXA_PREHRAVANI
  [[nodiscard]] int While_prehravanim();
#endif
  [[nodiscard]] int Cti();
  [[nodiscard]] int Pis(bool novy_radek);
  [[nodiscard]] int Funkce_deklarace();
  [[nodiscard]] int Vnitrni_funkce_deklarace();
  [[nodiscard]] int Funkce_volani();
  [[nodiscard]] int Start();
  template <int (Interpret::*Seznam)()>
  [[nodiscard]] int jmeno_a_seznam(std::string_view blok);
  // expressions
  [[nodiscard]] int Logicky_vyraz();
  [[nodiscard]] int Faktor();
  [[nodiscard]] int Faktor_slozeny();
  // Appends an instruction while a loop is being compiled.
  void emituj(Instrukce i, std::uint32_t arg = 0) {
    if (preklad_ > 0) kod().pridej(i, arg);
  }
  void emituj_operand(Misto kde, std::uint32_t index) {
    if (preklad_ > 0) kod().pridej_operand(kde, index);
  }
  void emituj_binarni(Instrukce obecna, Znacka op) {
    if (preklad_ > 0) kod().pridej_binarni(obecna, op);
  }
  // The same for an instruction with `n` words to fill in later; NIKDE when not compiling.
  KodCyklu::Pozice emituj_s_misty(Instrukce i, int n) {
    return preklad_ > 0 ? kod().pridej_s_misty(i, n) : KodCyklu::NIKDE;
  }
  // Whether an action's variable slot is needed: to execute it, or to compile it.
  bool potrebuje_slot() const { return provadi() || preklad_ > 0; }

  // helpers
  // The machine's token source and code, which the grammar reads and appends to.
  ZdrojTokenu& lex() { return stroj_.tokeny(); }
  KodCyklu& kod() { return stroj_.kod(); }
  const Token& tok() const { return stroj_.tok(); }
  void Lex() { lex().Lex(); }
  bool provadi() const { return g_.i2_priznak != 0; }
  static Rozpocet::Limity limity(const Nastaveni& n);

  // Checks that the current token is `z` and reads the next one; otherwise reports that
  // routine `blok` expected `ocekavano` there and returns 1.
  [[nodiscard]] int ocekavej(Znacka z, std::string_view blok, std::string_view ocekavano) {
    if (!tok().je(z)) [[unlikely]]
      return stroj_.chyba_znak(blok, ocekavano);
    Lex();
    return 0;
  }
  // The same for a token recognised by its kind.
  [[nodiscard]] int ocekavej(Druh d, std::string_view blok, std::string_view ocekavano) {
    if (tok().druh != d) [[unlikely]]
      return stroj_.chyba_znak(blok, ocekavano);
    Lex();
    return 0;
  }

  // One nesting level, open for the life of the object when the limit allows another: the
  // one place where blocks, bracketed factors and call factors count their depth. At the
  // limit nothing is opened and the error of routine `blok` is printed instead.
  class Uroven {
   public:
    Uroven(Interpret& i, std::string_view blok)
        : h_(i.g_.hloubka), otevrena_(i.g_.hloubka < MAX_VNORENI) {
      if (otevrena_) [[likely]] {
        ++h_;
      } else {
        (void)i.stroj_.chyba_vnoreni(blok);  // the caller sees the level closed and returns 1
      }
    }
    ~Uroven() {
      if (otevrena_) --h_;
    }
    Uroven(const Uroven&) = delete;
    Uroven& operator=(const Uroven&) = delete;
    bool otevrena() const { return otevrena_; }

   private:
    int& h_;
    const bool otevrena_;
  };

  // Keeps the execution flag as a construct finds it and puts it back on every way out of
  // the construct. A reference and one value: the conditional and the loop recurse through
  // blocks, so their frames stay small.
  class Priznak {
   public:
    explicit Priznak(int& priznak) : priznak_(priznak), puvodni_(priznak) {}
    ~Priznak() { priznak_ = puvodni_; }
    Priznak(const Priznak&) = delete;
    Priznak& operator=(const Priznak&) = delete;
    // The flag as the construct found it.
    int puvodni() const { return puvodni_; }

   private:
    int& priznak_;
    const int puvodni_;
  };

  // One more loop being compiled for the life of the object, when `preklada` is set. When
  // the outermost such loop is left, however, its code is dropped, and so are the
  // first-pass marks of loops that an error left running in it.
  class Prekladani {
   public:
    Prekladani(Interpret& i, bool preklada) : i_(i), puvodni_(i.preklad_) {
      if (preklada) ++i_.preklad_;
    }
    ~Prekladani() {
      if (i_.preklad_ == puvodni_) return;
      i_.preklad_ = puvodni_;
      if (puvodni_ == 0) i_.stroj_.zahod_kod();
    }
    Prekladani(const Prekladani&) = delete;
    Prekladani& operator=(const Prekladani&) = delete;

   private:
    Interpret& i_;
    const int puvodni_;
  };

  Stroj stroj_;
  SdilenyStav g_;
#ifdef MOXA_PREHRAVANI
  const bool prekladat_;
#endif
  const std::function<void(const KodCyklu&)> po_prekladu_;
  int preklad_ = 0;  // loops whose first pass is being compiled right now
};

}  // namespace moxa
