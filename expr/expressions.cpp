// Expressions, evaluated while they are parsed. Every operand pushes its value on the value
// stack; every operator pops its right operand, then its left one, and pushes its result.
// While execution is off nothing is pushed, popped, tested or computed: only the tokens
// are read and checked.
//
// Each binary level is a routine for its first operand and a tail routine that handles the
// chain of operators after it, left-associatively; the tails loop rather than recurse, so a
// chain of any length costs no stack.
#include <cmath>

#include "parser/interpret.hpp"

namespace moxa {

// expression -> LV_1 { ("|" | "&") LV_1 }
int Interpret::Logicky_vyraz() {
  if ((g_.chyba_SA = LV_1()) != 0) return g_.chyba_SA;
  return g_.chyba_SA = Vnitrni_logicky_vyraz();
}

int Interpret::Vnitrni_logicky_vyraz() {
  for (;;) {
    const Znacka op = tok().znacka;
    if (op != Znacka::Nebo && op != Znacka::A) return 0;
    Lex();
    if ((g_.chyba_SA = LV_1()) != 0) return g_.chyba_SA;
    if (!provadi()) continue;
    zas_.zajisti(2);
    Value& leva = zas_.pod_vrcholem();
    const Value& prava = zas_.vrchol();
    if (!leva.je_cislo() || !prava.je_cislo()) return chyba_cislo("Vnitrni_logicky_vyraz");
    const bool l = leva.cteni() != 0.0;
    const bool r = prava.cteni() != 0.0;
    leva.nastav_pravdivost(op == Znacka::Nebo ? (l || r) : (l && r));
    zas_.zahod();
  }
}

// LV_1 -> "!" LV_2 | LV_2
int Interpret::LV_1() {
  if (!tok().je(Znacka::Ne)) return g_.chyba_SA = LV_2();
  Lex();
  if ((g_.chyba_SA = LV_2()) != 0) return g_.chyba_SA;
  if (!provadi()) return 0;
  zas_.zajisti(1);
  Value& a = zas_.vrchol();
  if (!a.je_cislo()) return chyba_cislo("LV_1");
  a.nastav_pravdivost(a.cteni() == 0.0);
  return 0;
}

// LV_2 -> arithmetic { ("<" | ">" | "=" | "!=" | "<=" | ">=") arithmetic }
int Interpret::LV_2() {
  if ((g_.chyba_SA = Aritmeticky_vyraz()) != 0) return g_.chyba_SA;
  return g_.chyba_SA = Vnitrni_LV_2();
}

namespace {

bool je_relace(Znacka z) {
  switch (z) {
    case Znacka::Mensi:
    case Znacka::Vetsi:
    case Znacka::Rovno:
    case Znacka::Nerovno:
    case Znacka::MensiRovno:
    case Znacka::VetsiRovno: return true;
    default: return false;
  }
}

// Whether relation `op` holds between `a` and `b`.
template <typename T>
bool plati(Znacka op, const T& a, const T& b) {
  switch (op) {
    case Znacka::Mensi: return a < b;
    case Znacka::Vetsi: return a > b;
    case Znacka::Rovno: return a == b;
    case Znacka::Nerovno: return a != b;
    case Znacka::MensiRovno: return a <= b;
    default: return a >= b;
  }
}

}  // namespace

int Interpret::Vnitrni_LV_2() {
  for (;;) {
    const Znacka op = tok().znacka;
    if (!je_relace(op)) return 0;
    Lex();
    if ((g_.chyba_SA = Aritmeticky_vyraz()) != 0) return g_.chyba_SA;
    if (!provadi()) continue;
    zas_.zajisti(2);
    Value& leva = zas_.pod_vrcholem();
    const Value& prava = zas_.vrchol();
    // Two numbers compare by their readings; otherwise the texts compare byte by byte.
    const bool r = leva.je_cislo() && prava.je_cislo() ? plati(op, leva.cteni(), prava.cteni())
                                                       : plati(op, leva.text(), prava.text());
    leva.nastav_pravdivost(r);
    zas_.zahod();
  }
}

// arithmetic -> term { ("+" | "-") term }
int Interpret::Aritmeticky_vyraz() {
  if ((g_.chyba_SA = Term()) != 0) return g_.chyba_SA;
  return g_.chyba_SA = Vnitrni_aritmeticky_vyraz();
}

int Interpret::Vnitrni_aritmeticky_vyraz() {
  for (;;) {
    const Znacka op = tok().znacka;
    if (op != Znacka::Plus && op != Znacka::Minus) return 0;
    Lex();
    if ((g_.chyba_SA = Term()) != 0) return g_.chyba_SA;
    if (!provadi()) continue;
    zas_.zajisti(2);
    Value& leva = zas_.pod_vrcholem();
    const Value& prava = zas_.vrchol();
    const bool cisla = leva.je_cislo() && prava.je_cislo();
    if (op == Znacka::Minus) {
      if (!cisla) return chyba_cislo("Vnitrni_aritmeticky_vyraz");
      leva.nastav_vysledek(leva.cteni() - prava.cteni());
    } else if (cisla) {
      leva.nastav_vysledek(leva.cteni() + prava.cteni());
    } else {
      // '+' on anything but two numbers joins the texts.
      const std::string& druhy = prava.text();
      if (druhy.size() > MAX_DELKA_HODNOTY - leva.text().size()) {
        return chyba_dlouha("Vnitrni_aritmeticky_vyraz");
      }
      leva.pripoj(druhy);
    }
    zas_.zahod();
  }
}

// term -> factor { ("*" | "/" | "%") factor }
int Interpret::Term() {
  if ((g_.chyba_SA = Faktor()) != 0) return g_.chyba_SA;
  return g_.chyba_SA = Vnitrni_term();
}

int Interpret::Vnitrni_term() {
  for (;;) {
    const Znacka op = tok().znacka;
    if (op != Znacka::Krat && op != Znacka::Deleno && op != Znacka::Modulo) return 0;
    Lex();
    if ((g_.chyba_SA = Faktor()) != 0) return g_.chyba_SA;
    if (!provadi()) continue;
    zas_.zajisti(2);
    Value& leva = zas_.pod_vrcholem();
    const Value& prava = zas_.vrchol();
    if (!leva.je_cislo() || !prava.je_cislo()) return chyba_cislo("Vnitrni_term");
    const double a = leva.cteni();
    const double b = prava.cteni();
    leva.nastav_vysledek(op == Znacka::Krat     ? a * b
                         : op == Znacka::Deleno ? a / b
                                                : std::fmod(a, b));
    zas_.zahod();
  }
}

// factor -> "(" expression ")" | number | string | variable | call
int Interpret::Faktor() {
  const Token& t = tok();
  if (t.je(Znacka::LevaKulata)) {
    if (g_.hloubka >= MAX_VNORENI) return chyba_vnoreni("Faktor");
    const Uroven uroven(g_.hloubka);
    Lex();
    if ((g_.chyba_SA = Logicky_vyraz()) != 0) return g_.chyba_SA;
    if (!tok().je(Znacka::PravaKulata)) return chyba_znak("Faktor", ")");
    Lex();
    return 0;
  }
  switch (t.kind) {
    case T_CISLO:
    case T_RETEZEC:
      if (provadi()) t.vloz_literal(zas_.pridej());
      Lex();
      return 0;
    case T_PROMENNA:
      // Reading a variable that does not exist yet creates it.
      if (provadi()) zas_.Vloz_do_zas(tab_.hodnota(promenna(t, true)));
      Lex();
      return 0;
    case T_VOLANI: {
      if (g_.hloubka >= MAX_VNORENI) return chyba_vnoreni("Faktor");
      const Uroven uroven(g_.hloubka);
      return g_.chyba_SA = Funkce_volani();
    }
    default: return chyba_znak("Faktor", "cislo, promenna, retezec, komentar nebo volani fce");
  }
}

}  // namespace moxa
