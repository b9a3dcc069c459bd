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
#include <cmath>

#include "parser/interpret.hpp"

namespace moxa {

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

bool je_scitani(Znacka z) { return z == Znacka::Plus || z == Znacka::Minus; }
bool je_nasobeni(Znacka z) {
  return z == Znacka::Krat || z == Znacka::Deleno || z == Znacka::Modulo;
}
bool je_logicka(Znacka z) { return z == Znacka::Nebo || z == Znacka::A; }

// The floating-point remainder of a / b: a - n * b with n the quotient truncated toward
// zero, with the sign of a. Whole numbers are done in integer arithmetic, which gives the
// same result (a zero keeping the sign of a) without the library's long path.
double zbytek(double a, double b) {
  constexpr double MEZ = 0x1p53;
  if (a > -MEZ && a < MEZ && b > -MEZ && b < MEZ && b != 0.0) {
    const auto x = static_cast<std::int64_t>(a);
    const auto y = static_cast<std::int64_t>(b);
    if (static_cast<double>(x) == a && static_cast<double>(y) == b) {
      const auto r = static_cast<double>(x % y);
      return r == 0.0 ? std::copysign(0.0, a) : r;
    }
  }
  return std::fmod(a, b);
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

// factor -> number | string | variable | "(" Logicky_vyraz ")" | call
[[gnu::always_inline]] inline int Interpret::Faktor() {
  const Token& t = tok();
  switch (t.kind) {
    case T_CISLO:
    case T_RETEZEC:
      if (t.je(Znacka::LevaKulata)) break;  // a "(" is a bracket whatever its kind
      if (provadi()) t.vloz_literal(zas_.pridej());
      if (preklad_ > 0) emituj(Instrukce::Literal, kod_.literal(t));
      Lex();
      return 0;
    case T_PROMENNA:
      // Reading a variable that does not exist yet creates it.
      if (potrebuje_slot()) {
        const std::int32_t slot = promenna(t, true);
        if (provadi()) zas_.Vloz_do_zas(tab_.hodnota(slot));
        emituj(Instrukce::Promenna, static_cast<std::uint32_t>(slot));
      }
      Lex();
      return 0;
    default: break;
  }
  return Faktor_slozeny();
}

// Applies a comparison to the two values on top: two numbers compare by their readings,
// anything else compares as texts, byte by byte. A comparison never fails.
void Interpret::Vnitrni_LV_2(Znacka op) {
  zas_.zajisti(2);
  Value& leva = zas_.pod_vrcholem();
  const Value& prava = zas_.vrchol();
  const bool r = leva.je_cislo() && prava.je_cislo() ? plati(op, leva.cteni(), prava.cteni())
                                                     : plati(op, leva.text(), prava.text());
  leva.nastav_pravdivost(r);
  zas_.zahod();
}

// Applies "+" or "-" to the two values on top. "+" joins the texts unless both are numbers.
int Interpret::Vnitrni_aritmeticky_vyraz(Znacka op) {
  zas_.zajisti(2);
  Value& leva = zas_.pod_vrcholem();
  const Value& prava = zas_.vrchol();
  if (leva.je_cislo() && prava.je_cislo()) {
    leva.nastav_vysledek(op == Znacka::Minus ? leva.cteni() - prava.cteni()
                                             : leva.cteni() + prava.cteni());
    zas_.zahod();
    return 0;
  }
  if (op == Znacka::Minus) return chyba_cislo("Vnitrni_aritmeticky_vyraz");
  const std::size_t prvni = leva.text().size();
  const std::string_view druhy = prava.text();
  // Literals may be longer than a computed value may be; then any join is too long.
  if (prvni > MAX_DELKA_HODNOTY || druhy.size() > MAX_DELKA_HODNOTY - prvni) {
    return chyba_dlouha("Vnitrni_aritmeticky_vyraz");
  }
  leva.pripoj(druhy);
  zas_.zahod();
  return 0;
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
        if ((g_.chyba_SA = Faktor()) != 0) return g_.chyba_SA;
        for (Znacka op = tok().znacka; je_nasobeni(op); op = tok().znacka) {
          Lex();
          if ((g_.chyba_SA = Faktor()) != 0) return g_.chyba_SA;
          emituj(Instrukce::Nasobeni, static_cast<std::uint32_t>(op));
          if (provadi() && (g_.chyba_SA = Vnitrni_term(op)) != 0) return g_.chyba_SA;
        }
        if (scitani != Znacka::Zadna)
          emituj(Instrukce::Scitani, static_cast<std::uint32_t>(scitani));
        if (scitani != Znacka::Zadna && provadi() &&
            (g_.chyba_SA = Vnitrni_aritmeticky_vyraz(scitani)) != 0) {
          return g_.chyba_SA;
        }
        if (!je_scitani(tok().znacka)) break;
        scitani = tok().znacka;
        Lex();
      }
      if (relace != Znacka::Zadna) {
        emituj(Instrukce::Relace, static_cast<std::uint32_t>(relace));
        if (provadi()) Vnitrni_LV_2(relace);
      }
      if (!je_relace(tok().znacka)) break;
      relace = tok().znacka;
      Lex();
    }
    if (negace) emituj(Instrukce::Negace);
    if (negace && provadi() && (g_.chyba_SA = LV_1()) != 0) return g_.chyba_SA;
    if (logicka != Znacka::Zadna) emituj(Instrukce::Logicka, static_cast<std::uint32_t>(logicka));
    if (logicka != Znacka::Zadna && provadi() &&
        (g_.chyba_SA = Vnitrni_logicky_vyraz(logicka)) != 0) {
      return g_.chyba_SA;
    }
    if (!je_logicka(tok().znacka)) return g_.chyba_SA = 0;
    logicka = tok().znacka;
    Lex();
  }
}

// Applies "|" or "&" to the two values on top.
int Interpret::Vnitrni_logicky_vyraz(Znacka op) {
  zas_.zajisti(2);
  Value& leva = zas_.pod_vrcholem();
  const Value& prava = zas_.vrchol();
  if (!leva.je_cislo() || !prava.je_cislo()) return chyba_cislo("Vnitrni_logicky_vyraz");
  const bool l = leva.cteni() != 0.0;
  const bool r = prava.cteni() != 0.0;
  leva.nastav_pravdivost(op == Znacka::Nebo ? (l || r) : (l && r));
  zas_.zahod();
  return 0;
}

// Applies the prefix "!" to the value on top.
int Interpret::LV_1() {
  zas_.zajisti(1);
  Value& a = zas_.vrchol();
  if (!a.je_cislo()) return chyba_cislo("LV_1");
  a.nastav_pravdivost(a.cteni() == 0.0);
  return 0;
}

// Applies "*", "/" or "%" to the two values on top. Division by zero is no error: it gives
// an infinite or undefined result.
int Interpret::Vnitrni_term(Znacka op) {
  zas_.zajisti(2);
  Value& leva = zas_.pod_vrcholem();
  const Value& prava = zas_.vrchol();
  if (!leva.je_cislo() || !prava.je_cislo()) return chyba_cislo("Vnitrni_term");
  const double a = leva.cteni();
  const double b = prava.cteni();
  leva.nastav_vysledek(op == Znacka::Krat ? a * b : op == Znacka::Deleno ? a / b : zbytek(a, b));
  zas_.zahod();
  return 0;
}

// The factors that open a nesting level, and the missing factor.
int Interpret::Faktor_slozeny() {
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
  if (t.kind == T_VOLANI) {
    if (g_.hloubka >= MAX_VNORENI) return chyba_vnoreni("Faktor");
    const Uroven uroven(g_.hloubka);
    return g_.chyba_SA = Funkce_volani();
  }
  return chyba_znak("Faktor", "cislo, promenna, retezec, komentar nebo volani fce");
}

}  // namespace moxa
