// The statements: the dispatcher, the assignment, the read statement and the two write
// statements.
#include <algorithm>

#include "parser/interpret.hpp"

namespace moxa {

namespace {

// White space between the words that `cti` reads.
bool bila(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

// assignment -> variable "->" expression
[[gnu::always_inline]] inline int Interpret::Prirazeni() {
  if (ocekavej(T_PRIRAZENI, "Prirazeni", "->") != 0) return 1;
  return g_.chyba_SA = Logicky_vyraz();
}

// statement -> assignment | "i2" if | "w2" while | "pis" ... | "pis_ln" ... | "cti" ... | call
int Interpret::Prikaz() {
  const Token& t = tok();
  if (t.kind == T_PROMENNA) {
    // The target exists before the right-hand side is evaluated, so the right-hand side of
    // an assignment to a new variable reads "hodnota neurcena".
    const std::int32_t slot = potrebuje_slot() ? promenna(t, true) : TabulkaPromennych::ZADNA;
    Lex();
    if ((g_.chyba_SA = Prirazeni()) != 0) return g_.chyba_SA;
    if (preklad_ > 0) kod_.pridej_prirazeni(static_cast<std::uint32_t>(slot));
    if (provadi()) {
      zas_.zajisti(1);
      tab_.hodnota(slot) = std::move(zas_.vrchol());
      zas_.zahod();
    }
    return 0;
  }
  switch (t.znacka) {
    case Znacka::I2: Lex(); return g_.chyba_SA = If();
    case Znacka::W2: Lex(); return g_.chyba_SA = While();
    case Znacka::Pis: Lex(); return g_.chyba_SA = Pis(false);
    case Znacka::Pis_ln: Lex(); return g_.chyba_SA = Pis(true);
    case Znacka::Cti: Lex(); return g_.chyba_SA = Cti();
    default: break;
  }
  if (t.kind == T_VOLANI) return g_.chyba_SA = Funkce_volani();
  return chyba_znak("Prikaz", "prikaz");
}

// read -> "cti" "(" variable ")"
int Interpret::Cti() {
  ++g_.cteni;
  if (ocekavej(Znacka::LevaKulata, "Cti", "(") != 0) return 1;
  if (tok().kind != T_PROMENNA) return 1;  // no message of its own: only the verdict
  const std::int32_t slot = potrebuje_slot() ? promenna(tok(), true) : TabulkaPromennych::ZADNA;
  Lex();
  if (!tok().je(Znacka::PravaKulata)) return chyba_znak("Cti", ")");
  emituj(Instrukce::Cti, static_cast<std::uint32_t>(slot));
  // The word is read whether or not the statement executes; only an executed one keeps it.
  std::string slovo;
  if (!precti_slovo(provadi() ? &slovo : nullptr)) return chyba_dlouha("Cti");
  if (provadi()) tab_.hodnota(slot) = Hodnota::text(std::move(slovo));
  Lex();
  return 0;
}

// A word is what the "%s" conversion reads: white space is skipped, then bytes are taken up
// to the next white space, which stays unread. A zero byte cuts the stored text. At the end
// of input the word is empty.
bool Interpret::precti_slovo(std::string* kam) {
  while (bila(vstup_.nahled()))
    vstup_.cti_znak();
  bool useknuto = false;
  for (int c = vstup_.nahled(); c != Vstup::KONEC && !bila(c); c = vstup_.nahled()) {
    vstup_.cti_znak();
    if (kam == nullptr || useknuto) continue;
    if (c == 0) {
      useknuto = true;
    } else if (kam->size() == MAX_DELKA_HODNOTY) {
      return false;
    } else {
      // A word's buffer that must grow is charged before it doubles.
      if (kam->size() == kam->capacity())
        Rozpocet::pridej(std::max<std::size_t>(2 * kam->capacity(), 32) + 1);
      kam->push_back(static_cast<char>(c));
    }
  }
  // The bytes of input taken in cost steps (the words passed over too).
  rozpocet_.za_bajty(vstup_.vezmi_prijate());
  return true;
}

// write -> ("pis" | "pis_ln") "(" expression ")"
int Interpret::Pis(bool novy_radek) {
  const std::string_view blok = novy_radek ? "Pis_Ln" : "Pis";
  if (ocekavej(Znacka::LevaKulata, blok, "(") != 0) return 1;
  if ((g_.chyba_SA = Logicky_vyraz()) != 0) return g_.chyba_SA;
  if (!tok().je(Znacka::PravaKulata)) return chyba_znak(blok, ")");
  emituj(Instrukce::Pis, novy_radek ? 1 : 0);
  if (provadi()) {
    zas_.zajisti(1);
    out_.pis(zas_.vrchol().text());
    zas_.zahod();
    if (novy_radek) out_.pis('\n');
    if (out_.selhal()) return 1;  // output can no longer be written: stop quietly
  }
  Lex();
  return 0;
}

}  // namespace moxa
