// The later passes of a loop, run from its compiled form. Each instruction does what the
// grammar routine that compiled it does while executing, on the same value stack and with
// the same messages; the scanner does not move, so a message quotes the line it has
// reached, as a replay that parses again would.
#include "parser/interpret.hpp"

namespace moxa {

void Interpret::preskoc_cteni(std::uint64_t n) {
  for (; n > 0; --n)
    precti_slovo(nullptr);
}

int Interpret::Proved(KodCyklu::Pozice od, KodCyklu::Pozice po) {
  const std::uint32_t* const kod = kod_.data();
  KodCyklu::Pozice pc = od;
  while (pc != po) {
    const std::uint32_t w = kod[pc++];
    std::uint32_t arg = KodCyklu::argument(w);
    if (arg == KodCyklu::DLOUHY) arg = kod[pc++];
    switch (KodCyklu::instrukce(w)) {
      case Instrukce::Literal: zas_.pridej() = kod_.hodnota_literalu(arg); break;
      case Instrukce::Promenna:
        zas_.Vloz_do_zas(tab_.hodnota(static_cast<std::int32_t>(arg)));
        break;
      case Instrukce::Nasobeni:
        if ((g_.chyba_SA = Vnitrni_term(static_cast<Znacka>(arg))) != 0) return g_.chyba_SA;
        break;
      case Instrukce::Scitani:
        if ((g_.chyba_SA = Vnitrni_aritmeticky_vyraz(static_cast<Znacka>(arg))) != 0) {
          return g_.chyba_SA;
        }
        break;
      case Instrukce::Relace: Vnitrni_LV_2(static_cast<Znacka>(arg)); break;
      case Instrukce::Negace:
        if ((g_.chyba_SA = LV_1()) != 0) return g_.chyba_SA;
        break;
      case Instrukce::Logicka:
        if ((g_.chyba_SA = Vnitrni_logicky_vyraz(static_cast<Znacka>(arg))) != 0) {
          return g_.chyba_SA;
        }
        break;
      case Instrukce::Prirad:
        zas_.zajisti(1);
        tab_.hodnota(static_cast<std::int32_t>(arg)) = std::move(zas_.vrchol());
        zas_.zahod();
        break;
      case Instrukce::Pis:
        zas_.zajisti(1);
        out_.pis(zas_.vrchol().text());
        zas_.zahod();
        if (arg != 0) out_.pis('\n');
        if (out_.selhal()) return g_.chyba_SA = 1;  // output can no longer be written
        break;
      case Instrukce::Cti: {
        std::string slovo;
        if (!precti_slovo(&slovo)) return g_.chyba_SA = chyba_dlouha("Cti");
        tab_.hodnota(static_cast<std::int32_t>(arg)) = Value::text(std::move(slovo));
        break;
      }
      case Instrukce::Kdyz:
        if (zas_.Uber_pravdivost()) {
          pc += 2;
        } else {
          preskoc_cteni(kod[pc]);
          pc = kod[pc + 1];
        }
        break;
      case Instrukce::Jinak:
        preskoc_cteni(kod[pc]);
        pc = kod[pc + 1];
        break;
      case Instrukce::CyklusVstup: prvni_pruchod_.push_back(1); break;
      case Instrukce::CyklusTest:
        if (zas_.Uber_pravdivost()) {
          // A later pass of the body costs a step; past the budget the body finds the end
          // of input where its "{" should be.
          if (prvni_pruchod_.back() == 0 && !lex_.krok()) {
            return g_.chyba_SA = chyba_znak("Blok", "{");
          }
          pc += 2;
        } else {
          if (prvni_pruchod_.back() != 0) preskoc_cteni(kod[pc]);
          prvni_pruchod_.pop_back();
          pc = kod[pc + 1];
        }
        break;
      case Instrukce::CyklusZpet:
        // A later pass of the condition costs a step; past the budget the condition finds
        // the end of input where its first factor should be.
        prvni_pruchod_.back() = 0;
        if (!lex_.krok()) {
          return g_.chyba_SA =
                     chyba_znak("Faktor", "cislo, promenna, retezec, komentar nebo volani fce");
        }
        pc = kod[pc];
        break;
    }
  }
  return 0;
}

}  // namespace moxa
