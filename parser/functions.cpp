// Function declarations and calls. A declaration's block runs once, where it stands; a call
// evaluates its arguments onto the value stack and runs no block.
#include "parser/interpret.hpp"

namespace moxa {

// declaration -> declaration-name "(" parameters ")"   (its block follows)
int Interpret::Funkce_deklarace() {
  Lex();
  if (!tok().je(Znacka::LevaKulata)) return chyba_znak("Funkce_deklarace", "(");
  Lex();
  if ((g_.chyba_SA = Vnitrni_funkce_deklarace()) != 0) return g_.chyba_SA;
  if (!tok().je(Znacka::PravaKulata)) return chyba_znak("Funkce_deklarace", ")");
  Lex();
  return 0;
}

// parameters -> [ "p2" variable { ";" "p2" variable } [ ";" ] ]
// The parameters are neither bound nor created.
int Interpret::Vnitrni_funkce_deklarace() {
  for (;;) {
    if (tok().je(Znacka::P2)) {
      Lex();
      if (tok().kind != T_PROMENNA) return chyba_znak("Vnitrni_funkce_deklarace", "promenna");
      Lex();
      if (tok().kind != T_STREDNIK) return 0;
      Lex();
      continue;
    }
    if (tok().je(Znacka::PravaKulata)) return 0;
    return chyba_znak("Vnitrni_funkce_deklarace", "p2");
  }
}

// call -> call-name "(" arguments ")"
int Interpret::Funkce_volani() {
  Lex();
  if (!tok().je(Znacka::LevaKulata)) return chyba_znak("Funkce_volani", "(");
  Lex();
  if ((g_.chyba_SA = Start()) != 0) return g_.chyba_SA;
  if (!tok().je(Znacka::PravaKulata)) return chyba_znak("Funkce_volani", ")");
  Lex();
  return 0;
}

// arguments -> [ expression { ";" expression } [ ";" ] ]
// Each argument leaves its value on the value stack.
int Interpret::Start() {
  for (;;) {
    if (tok().je(Znacka::PravaKulata)) return 0;
    if ((g_.chyba_SA = Logicky_vyraz()) != 0) return g_.chyba_SA;
    if (!tok().je(Znacka::Strednik)) return 0;
    Lex();
  }
}

}  // namespace moxa
