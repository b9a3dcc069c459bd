// The loop statement, executed by record and replay: the first pass parses the condition
// and body from wherever the enclosing code takes its tokens (recording them on the tape
// when that is the scanner); every further iteration replays them from the tape.
#include "parser/interpret.hpp"

namespace moxa {

// while -> "w2" "(" expression ")" block "w2_end"
int Interpret::While() {
  const int ulozeny = g_.i2_priznak;
  const RezimLA ulozeny_rezim = lex_.rezim();
  if (!tok().je(Znacka::LevaKulata)) return chyba_znak("While", "(");

  // A loop in code that is passed over is parsed once, from and into whatever the enclosing
  // code reads and records, and runs nothing.
  const bool bezi = ulozeny != 0;
  RamecCyklu ramec;
  if (bezi) {
    cykly_.Zvys_zas();
    ramec.cond_head = lex_.dalsi_pozice();
  }
  Lex();
  if ((g_.chyba_SA = Logicky_vyraz()) != 0) return g_.chyba_SA;
  if (!tok().je(Znacka::PravaKulata)) return chyba_znak("While", ")");
  bool znovu = false;
  if (bezi) {
    znovu = zas_.Uber_pravdivost();
    ramec.body_head = lex_.dalsi_pozice();
  }
  if (!znovu) g_.i2_priznak = 0;
  Lex();
  if ((g_.chyba_SA = Blok()) != 0) return g_.chyba_SA;
  if (!tok().je(Znacka::W2_end)) return chyba_znak("While", "w2_end");

  if (bezi) {
    ramec.body_end = lex_.dalsi_pozice();
    while (znovu) {
      lex_.prehravej(ramec.cond_head, ramec.body_head);
      Lex();
      if ((g_.chyba_SA = Logicky_vyraz()) != 0) return g_.chyba_SA;
      znovu = zas_.Uber_pravdivost();
      if (znovu) {
        lex_.prehravej(ramec.body_head, ramec.body_end);
        Lex();
        if ((g_.chyba_SA = Blok()) != 0) return g_.chyba_SA;
      }
    }
    cykly_.Sniz_zas();
    // Back to the enclosing source; on the tape, the enclosing code goes on after this loop.
    lex_.obnov(ulozeny_rezim, ramec.body_end);
  }
  Lex();
  g_.i2_priznak = ulozeny;
  return 0;
}

}  // namespace moxa
