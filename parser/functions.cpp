// Function declarations and calls. A declaration's block runs once, where it stands; a call
// evaluates its arguments onto the value stack and runs no block.
#include "parser/interpret.hpp"

namespace moxa {

// A name followed by a list in brackets, the shape that a declaration and a call share:
//   name "(" list ")"
// where `Seznam` reads the list. Entered with the name current.
template <int (Interpret::*Seznam)()>
int Interpret::jmeno_a_seznam(std::string_view blok) {
  Lex();
  if (ocekavej(Znacka::LevaKulata, blok, "(") != 0) return 1;
  if ((this->*Seznam)() != 0) return 1;
  return ocekavej(Znacka::PravaKulata, blok, ")");
}

// declaration -> declaration-name "(" parameters ")"   (its block follows)
int Interpret::Funkce_deklarace() {
  return jmeno_a_seznam<&Interpret::Vnitrni_funkce_deklarace>("Funkce_deklarace");
}

// parameters -> [ "p2" variable { ";" "p2" variable } [ ";" ] ]
// The parameters are neither bound nor created.
int Interpret::Vnitrni_funkce_deklarace() {
  for (;;) {
    if (tok().je(Znacka::P2)) {
      Lex();
      if (ocekavej(T_PROMENNA, "Vnitrni_funkce_deklarace", "promenna") != 0) return 1;
      if (tok().druh != T_STREDNIK) return 0;
      Lex();
      continue;
    }
    if (tok().je(Znacka::PravaKulata)) return 0;
    return stroj_.chyba_znak("Vnitrni_funkce_deklarace", "p2");
  }
}

// call -> call-name "(" arguments ")"
int Interpret::Funkce_volani() { return jmeno_a_seznam<&Interpret::Start>("Funkce_volani"); }

// arguments -> [ expression { ";" expression } [ ";" ] ]
// Each argument leaves its value on the value stack.
int Interpret::Start() {
  for (;;) {
    if (tok().je(Znacka::PravaKulata)) return 0;
    if (Logicky_vyraz() != 0) return 1;
    if (!tok().je(Znacka::Strednik)) return 0;
    Lex();
  }
}

}  // namespace moxa
