// `Lex`: makes the next token current, taking it from the scanner. A build for the tests
// (MOXA_PREHRAVANI) also keeps a tape of the tokens that loops have read, and can replay a
// loop's tokens from it (see parser/replay.cpp); the interpreter itself never does.
#pragma once

#include <cstdint>

#include "lexer/scanner.hpp"
#include "limits/budget.hpp"
#ifdef MOXA_PREHRAVANI
#include "lexer/tape.hpp"
#endif

namespace moxa {

#ifdef MOXA_PREHRAVANI
// Where `Lex` takes tokens from. Saved and restored by the loop statement.
struct RezimLA {
  bool z_pasky = false;  // false: the scanner; true: the tape
  // On the tape: the next token, and the range [zacatek, konec) in which reading wraps
  // around (a recorded list is replayed in a circle). Nothing is appended to the tape while
  // anything reads from it, so the pointers stay valid while they are in use.
  const Token* pozice = nullptr;
  const Token* zacatek = nullptr;
  const Token* konec = nullptr;
};
#endif

class ZdrojTokenu {
 public:
  ZdrojTokenu(Vstup& f, Rozpocet& rozpocet)
      : skener_(f), zdroj_(f), rozpocet_(rozpocet), hlidac_(*this) {
    zdroj_.hlidej(&hlidac_);
  }
  ZdrojTokenu(const ZdrojTokenu&) = delete;
  ZdrojTokenu& operator=(const ZdrojTokenu&) = delete;
  ~ZdrojTokenu() { zdroj_.hlidej(nullptr); }

  void Lex() {
    ++precteno_;
    if (vycerpano_) [[unlikely]]
      return;  // the end-of-input token, at every call
#ifdef MOXA_PREHRAVANI
    if (rezim_.z_pasky) {
      if (rezim_.pozice == rezim_.konec) rezim_.pozice = rezim_.zacatek;
      token_ = rezim_.pozice++;
      return;
    }
#endif
    ze_skeneru();
  }

  const Token& token() const { return *token_; }

  // Takes `n` steps of the budget for a later pass of a loop. False when the run must end
  // (its budget is spent, or it was asked to stop): from then on the current token, and
  // every later one, is the end of input.
  [[gnu::always_inline]] bool krok(std::uint32_t n) {
    if (rozpocet_.krok(n)) [[likely]]
      return true;
    vycerpano();
    return false;
  }

  // Tokens delivered so far: the difference between two points of a loop's first pass is
  // the number of tokens that a later pass stands for.
  std::uint64_t precteno() const { return precteno_; }

  std::uint64_t cislo_radku() const { return skener_.cislo_radku(); }
  // Another reader has taken the bytes [od, po) of the program (see Skener::cizi_cteni).
  void cizi_cteni(std::uint64_t od, std::uint64_t po) { skener_.cizi_cteni(od, po); }
  // Whether tokens get their place (see Skener::zapisuj_pozice).
  void zapisuj_pozice(bool ano) { skener_.zapisuj_pozice(ano); }
  // While `cti` reads words from the program's own input, a long read grows no token.
  void cteni_slov(bool ano) { cteni_slov_ = ano; }

  // Bytes the token source holds: the scanner's copy of a text (and the tape).
  std::size_t pamet() const {
#ifdef MOXA_PREHRAVANI
    return skener_.pamet() + pasek_.pamet();
#else
    return skener_.pamet();
#endif
  }
  // Frees what the run's tokens hold (after a run, whatever state it ended in).
  void uvolni() {
#ifdef MOXA_PREHRAVANI
    pasek_.Uvolni_zas_cykl();
#endif
  }

  // A long token or skip goes on (see HlidacCteni): its bytes cost steps at the rate of long
  // reads, and the copy of a text that gathers them gets its room from the run's memory
  // budget before it grows.
  bool dlouhe_cteni(std::uint64_t prijato, std::size_t dalsich);

#ifdef MOXA_PREHRAVANI
  PasekTokenu& pasek() { return pasek_; }

  // The tape position of the token that the next `Lex` delivers.
  PoziceNaPasce dalsi_pozice() {
    if (vycerpano_) return 0;  // the run is ending: no position matters any more
    if (!rezim_.z_pasky) return pasek_.delka();
    if (rezim_.pozice == rezim_.konec) rezim_.pozice = rezim_.zacatek;
    return pasek_.pozice(rezim_.pozice);
  }

  // Replays the tape range [od, po) from its start, taking `kroky` steps first.
  void prehravej(PoziceNaPasce od, PoziceNaPasce po, std::uint32_t kroky) {
    if (!krok(kroky)) return;
    rezim_ = RezimLA{true, pasek_.token(od), pasek_.token(od), pasek_.token(po)};
  }

  const RezimLA& rezim() const { return rezim_; }
  // Goes back to a source saved by a loop that has ended; on the tape, reading goes on at
  // position `za`, just past that loop. A run that is ending keeps seeing the end of input.
  void obnov(const RezimLA& ulozeny, PoziceNaPasce za) {
    if (vycerpano_) return;
    rezim_ = ulozeny;
    if (rezim_.z_pasky) rezim_.pozice = pasek_.token(za);
  }
  // Goes back to a source saved by a loop that an error has left, as it was then.
  void obnov(const RezimLA& ulozeny) {
    if (!vycerpano_) rezim_ = ulozeny;
  }
#endif

 private:
  void ze_skeneru();
  [[gnu::noinline]] void ze_skeneru_obecne();
  void vycerpano();

  Skener skener_;
  Vstup& zdroj_;
  Token skenovany_;
  // Before the first token: the empty text, kind end of input; once the run is ending, the
  // end of input.
  Token vychozi_;
  const Token* token_ = &vychozi_;
  bool vycerpano_ = false;   // the run is ending: every token is the end of input
  bool cteni_slov_ = false;  // `cti` is reading the program's input
  std::uint64_t precteno_ = 0;
#ifdef MOXA_PREHRAVANI
  PasekTokenu pasek_;
  RezimLA rezim_;
#endif
  // Steps are taken for every token scanned and every loop pass, so a program that never
  // ends runs out of them too; the budget also serves the requests from outside the run (a
  // timer, a signal) and keeps its time.
  Rozpocet& rozpocet_;
  // Hears of the refills of a long read of the program; apart from the members above, so
  // that the token source itself has no table of virtual functions to step over.
  class Hlidac final : public HlidacCteni {
   public:
    explicit Hlidac(ZdrojTokenu& z) : z_(z) {}
    bool dlouhe_cteni(std::uint64_t prijato, std::size_t dalsich) override {
      return z_.dlouhe_cteni(prijato, dalsich);
    }

   private:
    ZdrojTokenu& z_;
  };
  Hlidac hlidac_;
};

}  // namespace moxa
