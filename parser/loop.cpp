// The loop statement. Its first pass parses the condition and body from wherever the
// enclosing code takes its tokens, executing them. Every further pass either runs the code
// compiled during that first pass, or (the older way, kept switchable) replays the recorded
// tokens from the tape and parses them again.
#include "parser/interpret.hpp"

namespace moxa {

namespace {

// A loop that executes by record and replay, for the life of the object: the tape records
// while it lives, and the token source the loop found is put back as it ends, an error
// included.
class Nahravani {
 public:
  Nahravani(ZdrojTokenu& lex, PasekTokenu& pasek, bool bezi)
      : lex_(lex), pasek_(pasek), ulozeny_(lex.rezim()), bezi_(bezi) {
    if (bezi_) pasek_.Zvys_zas();
  }
  // The loop has ended: back to the source it found, where reading goes on at tape position
  // `za`, just past the loop, when that source is the tape.
  void skonci(PoziceNaPasce za) {
    if (!bezi_) return;
    bezi_ = false;
    pasek_.Sniz_zas();
    lex_.obnov(ulozeny_, za);
  }
  // Left by an error: back to the source as it was.
  ~Nahravani() {
    if (bezi_) skonci(ulozeny_.z_pasky ? pasek_.pozice(ulozeny_.pozice) : 0);
  }
  Nahravani(const Nahravani&) = delete;
  Nahravani& operator=(const Nahravani&) = delete;

 private:
  ZdrojTokenu& lex_;
  PasekTokenu& pasek_;
  const RezimLA ulozeny_;
  bool bezi_;
};

}  // namespace

// while -> "w2" "(" expression ")" block "w2_end"
//
// Compiled, a loop is
//   enter  condition  test[count, exit]  body  back[condition]  exit:
// where "enter" marks the loop's first pass, "test" leaves the loop when the condition is
// false (passing over the body's read statements if that happens at once), and "back"
// takes the step that every later pass of a loop costs.
int Interpret::While() {
  if (!prekladat_) return While_prehravanim();
  const int ulozeny = g_.i2_priznak;
  const Obnovi<int> priznak(g_.i2_priznak);
  if (!tok().je(Znacka::LevaKulata)) return chyba_znak("While", "(");

  // A loop that executes is compiled (into the code of the loop around it, if any); a loop
  // in passed-over code is compiled only as part of an enclosing loop.
  const bool bezi = ulozeny != 0;
  const bool preklada = bezi || preklad_ > 0;
  const Prekladani prekladani(*this, preklada);
  emituj(Instrukce::CyklusVstup);
  const KodCyklu::Pozice podminka = kod_.delka();
  Lex();
  if (Logicky_vyraz() != 0) return 1;
  if (!tok().je(Znacka::PravaKulata)) return chyba_znak("While", ")");
  const bool znovu = bezi && zas_.Uber_pravdivost();
  const KodCyklu::Pozice test =
      preklad_ > 0 ? kod_.pridej_test(Instrukce::CyklusTest, Instrukce::CyklusTestR)
                   : KodCyklu::NIKDE;
  const auto cteni = g_.cteni;
  if (!znovu) g_.i2_priznak = 0;
  Lex();
  if (Blok() != 0) return 1;
  if (!tok().je(Znacka::W2_end)) return chyba_znak("While", "w2_end");

  if (preklada) {
    const KodCyklu::Pozice zpet = kod_.pridej_s_misty(Instrukce::CyklusZpet, 1) - 1;
    kod_.vypln(zpet + 1, podminka);
    const KodCyklu::Pozice vychod = kod_.delka();
    kod_.vypln(test, static_cast<std::uint32_t>(g_.cteni - cteni));
    kod_.vypln(test + 1, vychod);
    if (znovu) {
      // The first pass is over: the later ones start where the body ends.
      prvni_pruchod_.push_back(0);
      if (Proved(zpet, vychod) != 0) return 1;
    }
  }
  Lex();
  return 0;
}

// The same loop by record and replay: the first pass records the tokens it reads from the
// scanner on the tape; every further iteration replays them from the tape.
int Interpret::While_prehravanim() {
  const int ulozeny = g_.i2_priznak;
  const Obnovi<int> priznak(g_.i2_priznak);
  if (!tok().je(Znacka::LevaKulata)) return chyba_znak("While", "(");

  // A loop in code that is passed over is parsed once, from and into whatever the enclosing
  // code reads and records, and runs nothing.
  const bool bezi = ulozeny != 0;
  Nahravani nahravani(lex_, pasek_, bezi);
  RamecCyklu ramec;
  if (bezi) ramec.cond_head = lex_.dalsi_pozice();
  Lex();
  if (Logicky_vyraz() != 0) return 1;
  if (!tok().je(Znacka::PravaKulata)) return chyba_znak("While", ")");
  bool znovu = false;
  if (bezi) {
    znovu = zas_.Uber_pravdivost();
    ramec.body_head = lex_.dalsi_pozice();
  }
  if (!znovu) g_.i2_priznak = 0;
  Lex();
  if (Blok() != 0) return 1;
  if (!tok().je(Znacka::W2_end)) return chyba_znak("While", "w2_end");

  if (bezi) {
    ramec.body_end = lex_.dalsi_pozice();
    while (znovu) {
      lex_.prehravej(ramec.cond_head, ramec.body_head);
      Lex();
      if (Logicky_vyraz() != 0) return 1;
      znovu = zas_.Uber_pravdivost();
      if (znovu) {
        lex_.prehravej(ramec.body_head, ramec.body_end);
        Lex();
        if (Blok() != 0) return 1;
      }
    }
    // Back to the enclosing source; on the tape, the enclosing code goes on after this loop.
    nahravani.skonci(ramec.body_end);
  }
  Lex();
  return 0;
}

}  // namespace moxa
