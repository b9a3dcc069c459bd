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

[[gnu::always_inline]] inline int Interpret::Prikaz_provedeni() {
  const Token& t = tok();
  if (preklad_ > 0) kod().zacatek_prikazu(t.pozice, false);
  if (t.druh == T_PROMENNA) {
    // The target exists before the right-hand side is evaluated, so the right-hand side of
    // an assignment to a new variable reads "hodnota neurcena".
    const std::int32_t slot =
        potrebuje_slot() ? stroj_.promenna(t, true) : TabulkaPromennych::ZADNA;
    Lex();
    if (Prirazeni() != 0) return 1;
    if (preklad_ > 0) kod().pridej_prirazeni(static_cast<std::uint32_t>(slot));
    if (provadi()) stroj_.prirad(slot);
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
  if (t.druh == T_VOLANI) return Funkce_volani();
  return stroj_.chyba_znak("Prikaz", "prikaz");
}

// statement -> assignment | "i2" if | "w2" while | "pis" ... | "pis_ln" ... | "cti" ... | call
int Interpret::Prikaz() {
  if (stroj_.stopuje()) [[unlikely]]
    return Prikaz_se_stopou();
  return Prikaz_provedeni();
}

// A statement read with the trace: it is the statement under way while it is read (an
// error is placed there), and a call statement that executes is a step once it is done. The
// other kinds report their steps themselves.
int Interpret::Prikaz_se_stopou() {
  const Token& t = tok();
  const bool volani = t.druh == T_VOLANI && provadi();
  const std::string jmeno = volani ? std::string(t.text) : std::string();
  // A call statement in compiled code ends with an instruction that is its step there.
  const bool volani_v_kodu = t.druh == T_VOLANI && preklad_ > 0;
  const std::uint32_t literal = volani_v_kodu ? kod().literal(t) : 0;
  const Stopa::Prikaz predchozi = stroj_.vstup_prikazu(t.pozice);
  if (Prikaz_provedeni() != 0) return 1;
  if (volani_v_kodu) emituj(Instrukce::Volani, literal);
  if (volani) stroj_.krok_volani(jmeno);
  stroj_.obnov_prikaz(predchozi);
  return 0;
}

// read -> "cti" "(" variable ")"
int Interpret::Cti() {
  ++g_.cteni;
  if (ocekavej(Znacka::LevaKulata, "Cti", "(") != 0) return 1;
  if (tok().druh != T_PROMENNA) return 1;  // no message of its own: only the verdict
  const std::int32_t slot =
      potrebuje_slot() ? stroj_.promenna(tok(), true) : TabulkaPromennych::ZADNA;
  Lex();
  if (!tok().je(Znacka::PravaKulata)) return stroj_.chyba_znak("Cti", ")");
  emituj(Instrukce::Cti, static_cast<std::uint32_t>(slot));
  // The word is read whether or not the statement executes; only an executed one keeps it.
  if (stroj_.cti(provadi() ? slot : TabulkaPromennych::ZADNA) != 0) return 1;
  Lex();
  return 0;
}

// write -> ("pis" | "pis_ln") "(" expression ")"
int Interpret::Pis(bool novy_radek) {
  const std::string_view blok = novy_radek ? "Pis_Ln" : "Pis";
  if (ocekavej(Znacka::LevaKulata, blok, "(") != 0) return 1;
  if (Logicky_vyraz() != 0) return 1;
  if (!tok().je(Znacka::PravaKulata)) return stroj_.chyba_znak(blok, ")");
  emituj(Instrukce::Pis, novy_radek ? 1 : 0);
  // Output that can no longer be written stops the run quietly.
  if (provadi() && stroj_.pis(novy_radek) != 0) return 1;
  Lex();
  return 0;
}

}  // namespace moxa
