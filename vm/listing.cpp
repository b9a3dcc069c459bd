// The listing of compiled code: one instruction a line, its operands by kind (a variable by
// slot as `v3`, a literal by its text in quotes, the value stack as `zasobnik`, the truth
// register as `pravda`, a chain's register as `aku`), the statement starts before their first
// instruction:
//
//   ; prikaz 3:5 @40
//      4  B_PROMENNA_LITERAL_PROMENNA_Plus  v0 "1" -> v0
//   ; test 2:7 @21
//      7  CyklusTestR  cteni 0 -> 12
//
// A statement start gives the line and column of its first token and, after `@`, its byte
// offset.
#include <string>

#include "lexer/words.hpp"
#include "vm/code.hpp"

namespace moxa {

namespace {

// The names of all instruction codes, in their order.
constexpr const char* JMENA[] = {
#define MOXA_JMENO_INSTRUKCE(jmeno, argument, slov) #jmeno,
#define MOXA_JMENO_BINARNI(L, P, C, OP) "B_" #L "_" #P "_" #C "_" #OP,
#define MOXA_JMENA_FORMY(_, L, P, C) MOXA_BINARNI_OPERATORY(MOXA_JMENO_BINARNI, L, P, C)
    MOXA_INSTRUKCE(MOXA_JMENO_INSTRUKCE) MOXA_FORMY(MOXA_JMENA_FORMY, _)
#undef MOXA_JMENA_FORMY
#undef MOXA_JMENO_BINARNI
#undef MOXA_JMENO_INSTRUKCE
};
static_assert(sizeof JMENA / sizeof JMENA[0] == kod_instrukce(Instrukce::POCET));

std::string_view text_operatoru(Znacka z) {
  for (const PevnyText& o : OPERATORY)
    if (o.znacka == z) return o.text;
  return "?";
}

}  // namespace

std::string KodCyklu::vypis() const {
  std::string r;
  const auto cislo = [&](std::uint64_t n) { r += std::to_string(n); };
  const auto operand = [&](Misto kde, std::uint32_t index) {
    switch (kde) {
      case ZASOBNIK: r += "zasobnik"; break;
      case PROMENNA:  // by its place in the table, listed as its slot
        r += 'v';
        cislo(static_cast<std::uint32_t>(TabulkaPromennych::slot_mista(index)));
        break;
      case LITERAL:
        r += '"';
        r += text_literalu(index);
        r += '"';
        break;
      case PRAVDA: r += "pravda"; break;
      case AKU: r += "aku"; break;
    }
  };
  auto prikaz = prikazy_.begin();
  for (Pozice pc = 0; pc < slova_.size();) {
    for (; prikaz != prikazy_.end() && prikaz->kod <= pc; ++prikaz) {
      r += prikaz->test ? "; test " : "; prikaz ";
      cislo(prikaz->misto.radek);
      r += ':';
      cislo(prikaz->misto.sloupec);
      r += " @";
      cislo(prikaz->misto.bajt);
      r += '\n';
    }
    const std::uint32_t w = slova_[pc];
    std::uint32_t arg = argument(w);
    const std::uint32_t k = kod(w);
    const std::string cislo_pc = std::to_string(pc);
    r.append(cislo_pc.size() < 6 ? 6 - cislo_pc.size() : 0, ' ');
    r += cislo_pc;
    r += "  ";
    ++pc;
    if (k >= kod_instrukce(Instrukce::POCET)) {
      r += "?\n";  // not an instruction: the listing ends here
      break;
    }
    r += JMENA[k];
    if (je_binarni(k)) {
      const std::uint32_t forma = forma_binarni(k);
      r += "  ";
      // An operand on the stack or in a chain's register has no word of its own.
      const auto na_miste = [&](Misto m) {
        return m == PROMENNA || m == LITERAL ? slova_[pc++] : 0;
      };
      operand(levy_formy(forma), na_miste(levy_formy(forma)));
      r += ' ';
      operand(pravy_formy(forma), na_miste(pravy_formy(forma)));
      r += " -> ";
      operand(cil_formy(forma), cil_formy(forma) == PROMENNA ? slova_[pc++] : 0);
      r += '\n';
      continue;
    }
    const PopisInstrukce& p = POPISY[k];
    switch (p.argument) {
      case Argument::ZADNY: break;
      case Argument::MISTO:
        if (arg == DLOUHY) arg = slova_[pc++];
        r += "  ";
        if (instrukce(w) == Instrukce::Cti) {
          r += 'v';  // a read names its variable's slot
          cislo(arg);
        } else {
          operand(instrukce(w) == Instrukce::Literal ? LITERAL : PROMENNA, arg);
        }
        break;
      case Argument::OPERATOR:
        r += "  ";
        r += text_operatoru(static_cast<Znacka>(arg));
        break;
      case Argument::PRIZNAK:
        r += "  ";
        cislo(arg);
        break;
    }
    if (instrukce(w) == Instrukce::Kopiruj) {
      r += " <- ";
      operand(static_cast<Misto>(slova_[pc]), slova_[pc + 1]);
    } else if (instrukce(w) == Instrukce::CyklusZpet) {
      r += "  -> ";
      cislo(slova_[pc]);
      r += "  kroky ";
      cislo(slova_[pc + 1]);
    } else if (p.slov == 2) {
      r += "  cteni ";
      cislo(slova_[pc]);
      r += " -> ";
      cislo(slova_[pc + 1]);
    }
    pc += p.slov;
    r += '\n';
  }
  return r;
}

}  // namespace moxa
