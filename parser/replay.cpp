// The loop by record and replay: the older way of running a loop's later passes, which
// reads the loop's recorded tokens again from the tape and parses them anew. Only the build
// for the tests has it (MOXA_PREHRAVANI): they and a fuzzer switch it on
// (`Nastaveni::prekladat_cykly` off) to compare its output with the compiled form's, byte
// for byte.
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
    lex_.obnov(ulozeny_, za);
    pasek_.Sniz_zas();
  }
  // Left by an error: back to the source as it was.
  ~Nahravani() {
    if (!bezi_) return;
    lex_.obnov(ulozeny_);
    pasek_.Sniz_zas();
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
// The first pass records the tokens it reads from the scanner on the tape; every further
// pass replays them from the tape.
int Interpret::While_prehravanim() {
  const Priznak priznak(g_.i2_priznak);
  if (!tok().je(Znacka::LevaKulata)) return stroj_.chyba_znak("While", "(");

  // A loop in code that is passed over is parsed once, from and into whatever the enclosing
  // code reads and records, and runs nothing.
  const bool bezi = priznak.puvodni() != 0;
  Nahravani nahravani(lex(), lex().pasek(), bezi);
  RamecCyklu ramec;
  if (bezi) ramec.podminka = lex().dalsi_pozice();
  Lex();
  if (Logicky_vyraz() != 0) return 1;
  if (!tok().je(Znacka::PravaKulata)) return stroj_.chyba_znak("While", ")");
  bool znovu = false;
  if (bezi) {
    znovu = stroj_.test(Stroj::CYKLUS);
    ramec.telo = lex().dalsi_pozice();
  }
  if (!znovu) g_.i2_priznak = 0;
  Lex();
  if (Blok() != 0) return 1;
  if (!tok().je(Znacka::W2_end)) return stroj_.chyba_znak("While", "w2_end");

  if (bezi) {
    ramec.konec_tela = lex().dalsi_pozice();
    // A later pass costs a step per token of the condition and the body, taken with the
    // condition, as a compiled pass takes them.
    const std::uint32_t kroky = ramec.konec_tela - ramec.podminka;
    while (znovu) {
      lex().prehravej(ramec.podminka, ramec.telo, kroky);
      Lex();
      if (Logicky_vyraz() != 0) return 1;
      znovu = stroj_.test(Stroj::CYKLUS);
      if (znovu) {
        lex().prehravej(ramec.telo, ramec.konec_tela, 0);
        Lex();
        if (Blok() != 0) return 1;
      }
    }
    // Back to the enclosing source; on the tape, the enclosing code goes on after this loop.
    nahravani.skonci(ramec.konec_tela);
  }
  Lex();
  return 0;
}

}  // namespace moxa
