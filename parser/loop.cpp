// The loop statement. Its first pass parses the condition and body from wherever the
// enclosing code takes its tokens, executing them and compiling them; every further pass
// runs the code compiled during that first pass. (The build for the tests can also run
// loops by replaying their tokens, see replay.cpp, to compare the two.)
#include "parser/interpret.hpp"

namespace moxa {

namespace {
// The steps of a loop's later pass: its tokens (a loop holds fewer than 2^32).
std::uint32_t tokenu(std::uint64_t n) {
  return n < UINT32_MAX ? static_cast<std::uint32_t>(n) : UINT32_MAX;
}
}  // namespace

// while -> "w2" "(" expression ")" block "w2_end"
//
// Compiled, a loop is
//   enter  condition  test[count, exit]  body  back[condition, tokens]  exit:
// where "enter" marks the loop's first pass, "test" leaves the loop when the condition is
// false (passing over the body's read statements if that happens at once), and "back"
// takes the steps that every later pass of a loop costs: one per token of the condition and
// the body, as many as a replay of the pass reads.
int Interpret::While() {
#ifdef MOXA_PREHRAVANI
  if (!prekladat_) return While_prehravanim();
#endif
  const Priznak priznak(g_.i2_priznak);
  const int ulozeny = priznak.puvodni();
  if (!tok().je(Znacka::LevaKulata)) return stroj_.chyba_znak("While", "(");

  // A loop that executes is compiled (into the code of the loop around it, if any); a loop
  // in passed-over code is compiled only as part of an enclosing loop.
  const bool bezi = ulozeny != 0;
  const bool preklada = bezi || preklad_ > 0;
  const Prekladani prekladani(*this, preklada);
  // An outermost loop starts its code: with the trace, its own start is recorded too (the
  // steps of its tests report its `w2`).
  if (preklad_ == 1 && stroj_.stopuje()) kod().zacatek_prikazu(stroj_.misto_prikazu(), false);
  emituj(Instrukce::CyklusVstup);
  const KodCyklu::Pozice podminka = kod().delka();
  const std::uint64_t prvni_token = lex().precteno();
  Lex();
  if (preklad_ > 0) kod().zacatek_prikazu(tok().pozice, true);
  if (Logicky_vyraz() != 0) return 1;
  if (!tok().je(Znacka::PravaKulata)) return stroj_.chyba_znak("While", ")");
  const bool znovu = bezi && stroj_.test(Stroj::CYKLUS);
  const KodCyklu::Pozice test =
      preklad_ > 0 ? kod().pridej_test(Instrukce::CyklusTest, Instrukce::CyklusTestR)
                   : KodCyklu::NIKDE;
  const auto cteni = g_.cteni;
  if (!znovu) g_.i2_priznak = 0;
  Lex();
  if (Blok() != 0) return 1;
  if (!tok().je(Znacka::W2_end)) return stroj_.chyba_znak("While", "w2_end");

  if (preklada) {
    const KodCyklu::Pozice zpet = kod().pridej_s_misty(Instrukce::CyklusZpet, 2) - 1;
    kod().vypln(zpet + 1, podminka);
    kod().vypln(zpet + 2, tokenu(lex().precteno() - prvni_token));
    const KodCyklu::Pozice vychod = kod().delka();
    kod().vypln(test, static_cast<std::uint32_t>(g_.cteni - cteni));
    kod().vypln(test + 1, vychod);
    if (preklad_ == 1 && po_prekladu_) po_prekladu_(kod());
    if (znovu) {
      // The first pass is over: the later ones start where the body ends.
      if (stroj_.spust_kod(zpet, vychod) != 0) return 1;
    }
  }
  Lex();
  return 0;
}

}  // namespace moxa
