#include "tools/lsp/hover.hpp"

#include <array>
#include <string_view>

#include "lexer/token.hpp"

namespace moxa::lsp {

namespace {

struct Popis {
  std::string_view text;
  std::string_view cesky;
  std::string_view anglicky;
};

// Texts of every keyword and operator token, with a line in each language.
constexpr std::array<Popis, 32> POPISY{{
    {"w2", "Cyklus `w2 (podminka) { ... } w2_end;` opakuje blok, dokud je podminka pravdiva.",
     "Loop `w2 (condition) { ... } w2_end;` repeats its block while the condition is true."},
    {"w2_end", "Konec cyklu `w2`.", "Ends a `w2` loop."},
    {"i2",
     "Podminka `i2 (podminka) { ... } e2 { ... } i2_end;` provede prvni blok, je-li podminka "
     "pravdiva, jinak blok za `e2` (ten muze chybet). Oba bloky se vzdy ctou a kontroluji.",
     "Conditional `i2 (condition) { ... } e2 { ... } i2_end;` runs the first block when the "
     "condition is true, else the block after `e2` (which may be left out). Both blocks are "
     "always read and checked."},
    {"e2", "Vetev `jinak` podminky `i2`: blok, ktery se provede, neni-li podminka pravdiva.",
     "The else branch of an `i2`: the block that runs when the condition is false."},
    {"i2_end", "Konec podminky `i2`.", "Ends an `i2` conditional."},
    {"cti",
     "`cti(@x);` precte ze standardniho vstupu jedno slovo do promenne `@x` (na konci vstupu "
     "prazdny text).",
     "`cti(@x);` reads one word from standard input into the variable `@x` (the empty text at "
     "the end of the input)."},
    {"pis", "`pis(vyraz);` vypise hodnotu.", "`pis(expression);` prints a value."},
    {"pis_ln", "`pis_ln(vyraz);` vypise hodnotu a konec radku.",
     "`pis_ln(expression);` prints a value and a line end."},
    {"p2",
     "Parametr v deklaraci funkce: `?f(p2 @a; p2 @b) { ... }`. Promenna parametru se "
     "nevytvori ani nenastavi.",
     "A parameter in a function declaration: `?f(p2 @a; p2 @b) { ... }`. The parameter's "
     "variable is neither created nor set."},
    {".", "Konec programu: za hlavnim blokem. Co stoji za teckou, se necte.",
     "The end of the program, after the main block. Nothing after it is read."},
    {"->", "Prirazeni: `@x -> vyraz;` ulozi hodnotu vyrazu do promenne `@x`.",
     "Assignment: `@x -> expression;` stores the expression's value in the variable `@x`."},
    {";", "Konec prikazu (i posledniho v bloku); v seznamu argumentu a parametru oddelovac.",
     "Ends a statement (the last one of a block too); separates arguments and parameters."},
    {"{", "Zacatek bloku prikazu.", "Begins a block of statements."},
    {"}", "Konec bloku prikazu.", "Ends a block of statements."},
    {"(", "Leva zavorka: seskupuje vyraz, nebo zacina podminku ci seznam argumentu.",
     "Left parenthesis: groups an expression, or begins a condition or an argument list."},
    {")", "Prava zavorka.", "Right parenthesis."},
    {"+",
     "Scita dve cisla, jinak spoji texty: `1 + 2` je `3.000000`, `\"x\" + 1` je `x1`. Cislo "
     "se znamenkem hned za operandem (`5 -3`) jsou dve cisla.",
     "Adds two numbers and joins anything else: `1 + 2` is `3.000000`, `\"x\" + 1` is `x1`. A "
     "signed number right after an operand (`5 -3`) is two numbers."},
    {"-", "Odecita; `5 - 3` je `2.000000`, ale `5 -3` jsou cisla 5 a -3.",
     "Subtracts; `5 - 3` is `2.000000`, but `5 -3` are the numbers 5 and -3."},
    {"*", "Nasobi dve cisla.", "Multiplies two numbers."},
    {"/", "Deli dve cisla: `1 / 0` je `inf`.", "Divides two numbers: `1 / 0` is `inf`."},
    {"%", "Zbytek po deleni dvou cisel.", "The remainder of dividing two numbers."},
    {"<", "Mensi nez: `1`, nebo `0`. Dve cisla se porovnaji jako cisla, jinak jako texty.",
     "Less than: `1` or `0`. Two numbers compare as numbers, anything else as texts."},
    {">", "Vetsi nez: `1`, nebo `0`.", "Greater than: `1` or `0`."},
    {"=", "Rovno: `1`, nebo `0`.", "Equal: `1` or `0`."},
    {"!=", "Nerovno: `1`, nebo `0`.", "Not equal: `1` or `0`."},
    {"<=", "Mensi nebo rovno: `1`, nebo `0`.", "Less than or equal: `1` or `0`."},
    {">=", "Vetsi nebo rovno: `1`, nebo `0`.", "Greater than or equal: `1` or `0`."},
    {"!", "Negace: `1` pro nulu, jinak `0`; jen pro cisla.",
     "Not: `1` for zero, else `0`; numbers only."},
    {"&", "Logicke a, jen pro cisla; obe strany se vzdy vyhodnoti.",
     "Logical and, numbers only; both sides are always evaluated."},
    {"|", "Logicke nebo, jen pro cisla; obe strany se vzdy vyhodnoti.",
     "Logical or, numbers only; both sides are always evaluated."},
    {"^", "Znak `^` je token, ktery zadne pravidlo neprijme: zde je chyba.",
     "`^` is a token that no rule accepts: an error here."},
    {"_", "Samostatne `_` je token, ktery zadne pravidlo neprijme: zde je chyba.",
     "A lone `_` is a token that no rule accepts: an error here."},
}};

std::string dva_jazyky(std::string_view cesky, std::string_view anglicky) {
  std::string r(cesky);
  r += "\n\n---\n\n";
  r += anglicky;
  return r;
}

}  // namespace

std::optional<std::string> napoveda(const kontrola::TokenZdroje& t) {
  const std::string text(t.text);
  if (t.kind == T_VOLANI)
    return dva_jazyky("Volani funkce `" + text +
                          "(...)`: vyhodnoti argumenty zleva doprava a necha je na zasobniku; "
                          "zadny blok se nespusti.",
                      "A call of `" + text +
                          "(...)`: evaluates its arguments from left to right and leaves them "
                          "on the value stack; no block runs.");
  if (t.kind == T_DEKLARACE)
    return dva_jazyky(
        "Deklarace funkce `" + text + "`: jeji blok se provede hned, jednou, pred hlavnim blokem.",
        "The declaration `" + text + "`: its block runs at once, one time, before the main block.");
  if (t.kind == T_CISLO || t.kind == T_RETEZEC || t.kind == T_PROMENNA || t.kind == T_KONEC)
    return std::nullopt;
  for (const Popis& p : POPISY)
    if (p.text == t.text) return dva_jazyky(p.cesky, p.anglicky);
  return std::nullopt;
}

}  // namespace moxa::lsp
