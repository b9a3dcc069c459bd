// Expressions, evaluated while they are parsed. Every operand pushes its value on the value
// stack; every operator takes its right operand from the top and its left operand from below
// it and leaves its result in the left operand's place. While execution is off nothing is
// pushed, popped, tested or computed: only the tokens are read and checked.
//
// The grammar, loosest level first, every binary level grouping to the left:
// clang-format off
//   Logicky_vyraz     -> LV_1 { ("|" | "&") LV_1 }
//   LV_1              -> [ "!" ] LV_2
//   LV_2              -> Aritmeticky_vyraz { ("<" | ">" | "=" | "!=" | "<=" | ">=") Aritmeticky_vyraz }
//   Aritmeticky_vyraz -> Term { ("+" | "-") Term }
//   Term              -> Faktor { ("*" | "/" | "%") Faktor }
// clang-format on
// The four levels below the top are the four nested loops of `Logicky_vyraz`, each applying
// its pending operator as soon as its right operand is complete, which is exactly when the
// recursive form would apply it. An operand thus costs no call unless it is a bracket or a
// call, and a chain of any length costs no stack.
#include "parser/interpret.hpp"

namespace moxa {

namespace {

bool je_scitani(Znacka z) { return z == Znacka::Plus || z == Znacka::Minus; }
bool je_nasobeni(Znacka z) {
  return z == Znacka::Krat || z == Znacka::Deleno || z == Znacka::Modulo;
}
bool je_logicka(Znacka z) { return z == Znacka::Nebo || z == Znacka::A; }

}  // namespace

// factor -> number | string | variable | "(" Logicky_vyraz ")" | call
[[gnu::always_inline]] inline int Interpret::Faktor() {
  const Token& t = tok();
  switch (t.druh) {
    case T_CISLO:
    case T_RETEZEC:
      if (t.je(Znacka::LevaKulata)) break;  // a "(" is a bracket whatever its kind
      if (provadi()) stroj_.vloz_literal(t);
      if (preklad_ > 0) emituj_operand(LITERAL, kod().literal(t));
      Lex();
      return 0;
    case T_PROMENNA:
      // Reading a variable that does not exist yet creates it.
      if (potrebuje_slot()) {
        const std::int32_t slot = stroj_.promenna(t, true);
        if (provadi()) stroj_.vloz_promennou(slot);
        emituj_operand(PROMENNA, static_cast<std::uint32_t>(slot));
      }
      Lex();
      return 0;
    default: break;
  }
  return Faktor_slozeny();
}

int Interpret::Logicky_vyraz() {
  Znacka logicka = Znacka::Zadna;  // the pending "|" or "&"
  for (;;) {
    // LV_1
    const bool negace = tok().je(Znacka::Ne);
    if (negace) Lex();
    Znacka relace = Znacka::Zadna;  // the pending comparison
    for (;;) {
      // Aritmeticky_vyraz
      Znacka scitani = Znacka::Zadna;  // the pending "+" or "-"
      for (;;) {
        // Term
        if (Faktor() != 0) return 1;
        for (Znacka op = tok().znacka; je_nasobeni(op); op = tok().znacka) {
          Lex();
          if (Faktor() != 0) return 1;
          emituj_binarni(Instrukce::Nasobeni, op);
          if (provadi() && stroj_.operace(op) != 0) return 1;
        }
        if (scitani != Znacka::Zadna) emituj_binarni(Instrukce::Scitani, scitani);
        if (scitani != Znacka::Zadna && provadi() && stroj_.operace(scitani) != 0) return 1;
        if (!je_scitani(tok().znacka)) break;
        scitani = tok().znacka;
        Lex();
      }
      if (relace != Znacka::Zadna) {
        emituj_binarni(Instrukce::Relace, relace);
        if (provadi()) (void)stroj_.operace(relace);  // a comparison never fails
      }
      if (!je_relace(tok().znacka)) break;
      relace = tok().znacka;
      Lex();
    }
    if (negace) emituj(Instrukce::Negace);
    if (negace && provadi() && stroj_.neguj() != 0) return 1;
    if (logicka != Znacka::Zadna) emituj_binarni(Instrukce::Logicka, logicka);
    if (logicka != Znacka::Zadna && provadi() && stroj_.operace(logicka) != 0) return 1;
    if (!je_logicka(tok().znacka)) return 0;
    logicka = tok().znacka;
    Lex();
  }
}

// The factors that open a nesting level, and the missing factor.
int Interpret::Faktor_slozeny() {
  const Token& t = tok();
  const bool zavorka = t.je(Znacka::LevaKulata);
  if (!zavorka && t.druh != T_VOLANI) return stroj_.chyba_faktoru();
  const Uroven uroven(*this, "Faktor");
  if (!uroven.otevrena()) return 1;
  if (!zavorka) return Funkce_volani();
  Lex();
  if (Logicky_vyraz() != 0) return 1;
  return ocekavej(Znacka::PravaKulata, "Faktor", ")");
}

}  // namespace moxa
