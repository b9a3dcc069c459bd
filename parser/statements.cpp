// The statements: the dispatcher, the assignment, the read statement and the two write
// statements.
#include <algorithm>

#include "parser/interpret.hpp"

namespace moxa {

// assignment -> variable "->" expression
[[gnu::always_inline]] inline int Interpret::Prirazeni() {
  if (ocekavej(T_PRIRAZENI, "Prirazeni", "->") != 0) return 1;
  return Logicky_vyraz();
}

// statement -> assignment | "i2" if | "w2" while | "pis" ... | "pis_ln" ... | "cti" ... | call
int Interpret::Prikaz() {
  const Token& t = tok();
  if (preklad_ > 0) kod_.zacatek_prikazu(t.pozice, false);
  if (t.kind == T_PROMENNA) {
    // The target exists before the right-hand side is evaluated, so the right-hand side of
    // an assignment to a new variable reads "hodnota neurcena".
    const std::int32_t slot = potrebuje_slot() ? promenna(t, true) : TabulkaPromennych::ZADNA;
    Lex();
    if (Prirazeni() != 0) return 1;
    if (preklad_ > 0) kod_.pridej_prirazeni(static_cast<std::uint32_t>(slot));
    if (provadi()) uloz(slot);
    return 0;
  }
  switch (t.znacka) {
    case Znacka::I2: Lex(); return If();
    case Znacka::W2: Lex(); return While();
    case Znacka::Pis: Lex(); return Pis(false);
    case Znacka::Pis_ln: Lex(); return Pis(true);
    case Znacka::Cti: Lex(); return Cti();
    default: break;
  }
  if (t.kind == T_VOLANI) return Funkce_volani();
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
  if (nacti(provadi() ? slot : TabulkaPromennych::ZADNA) != 0) return 1;
  Lex();
  return 0;
}

// write -> ("pis" | "pis_ln") "(" expression ")"
int Interpret::Pis(bool novy_radek) {
  const std::string_view blok = novy_radek ? "Pis_Ln" : "Pis";
  if (ocekavej(Znacka::LevaKulata, blok, "(") != 0) return 1;
  if (Logicky_vyraz() != 0) return 1;
  if (!tok().je(Znacka::PravaKulata)) return chyba_znak(blok, ")");
  emituj(Instrukce::Pis, novy_radek ? 1 : 0);
  // Output that can no longer be written stops the run quietly.
  if (provadi() && vypis(novy_radek) != 0) return 1;
  Lex();
  return 0;
}

}  // namespace moxa
