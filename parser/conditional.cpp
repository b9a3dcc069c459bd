// The conditional statement. Both branches are always parsed; the one not taken is parsed
// with the execution flag at 0.
#include "parser/interpret.hpp"

namespace moxa {

// if -> "i2" "(" expression ")" block [ "e2" block ] "i2_end"
int Interpret::If() {
  const Priznak priznak(g_.i2_priznak);
  const int ulozeny = priznak.puvodni();
  if (ocekavej(Znacka::LevaKulata, "If", "(") != 0) return 1;
  if (preklad_ > 0) kod().zacatek_prikazu(tok().pozice, true);
  if (Logicky_vyraz() != 0) return 1;
  if (!tok().je(Znacka::PravaKulata)) return stroj_.chyba_znak("If", ")");
  const bool podminka = ulozeny != 0 && stroj_.test(Stroj::KDYZ);
  g_.i2_priznak = podminka ? 1 : 0;
  // Compiled: the test jumps past the first branch, passing over its read statements.
  const KodCyklu::Pozice test =
      preklad_ > 0 ? kod().pridej_test(Instrukce::Kdyz, Instrukce::KdyzR) : KodCyklu::NIKDE;
  auto cteni = g_.cteni;
  Lex();
  if (Blok() != 0) return 1;
  if (tok().je(Znacka::E2)) {
    const KodCyklu::Pozice jinak = emituj_s_misty(Instrukce::Jinak, 2);
    if (test != KodCyklu::NIKDE) {
      kod().vypln(test, static_cast<std::uint32_t>(g_.cteni - cteni));
      kod().vypln(test + 1, kod().delka());
    }
    cteni = g_.cteni;
    g_.i2_priznak = (ulozeny != 0 && !podminka) ? 1 : 0;
    Lex();
    if (Blok() != 0) return 1;
    if (jinak != KodCyklu::NIKDE) {
      kod().vypln(jinak, static_cast<std::uint32_t>(g_.cteni - cteni));
      kod().vypln(jinak + 1, kod().delka());
    }
  } else if (test != KodCyklu::NIKDE) {
    kod().vypln(test, static_cast<std::uint32_t>(g_.cteni - cteni));
    kod().vypln(test + 1, kod().delka());
  }
  return ocekavej(Znacka::I2_end, "If", "i2_end");
}

}  // namespace moxa
