// The token record: the current token of the parser and every recorded token of a loop.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "expr/value.hpp"

namespace moxa {

// Token kinds. The numbers are part of the language: the parser tests some kinds by number
// and recorded tokens keep them.
enum Druh : std::int32_t {
  T_CISLO = 0,       // number literal, as written: -3, 1,5e-3
  T_RETEZEC = 1,     // string literal, without its quotes
  T_KOMENTAR = 2,    // comment; never delivered
  T_MEZERA = 3,      // one blank, tab or line feed; never delivered
  T_STREDNIK = 4,    // ;
  T_SLOVO = 5,       // word: keywords, '.', and any other lowercase word
  T_ZAVORKA = 6,     // { or }
  T_KONEC = 7,       // end of input, text the single byte 0xFF
  T_PRIRAZENI = 8,   // ->
  T_OPERATOR = 9,    // operators and parentheses
  T_PROMENNA = 10,   // @name
  T_VOLANI = 11,     // ~name
  T_DEKLARACE = 12,  // ?name
};
static_assert(T_CISLO == 0 && T_STREDNIK == 4 && T_KONEC == 7 && T_DEKLARACE == 12);

// What a token's text means to the parser. Keywords, brackets and operators are recognised
// by text alone, whatever the kind, so a string literal "pis" is the keyword pis; the tag is
// a function of the text, computed once when the token is scanned.
enum class Znacka : std::uint8_t {
  Zadna,
  W2,
  W2_end,
  I2,
  E2,
  I2_end,
  Cti,
  Pis,
  Pis_ln,
  P2,
  Tecka,
  LevaKulata,
  PravaKulata,
  LevaSlozena,
  PravaSlozena,
  Strednik,
  Plus,
  Minus,
  Krat,
  Deleno,
  Modulo,
  Mensi,
  Vetsi,
  Rovno,
  Nerovno,
  MensiRovno,
  VetsiRovno,
  Ne,
  A,
  Nebo,
};

Znacka znacka_textu(std::string_view text);

// Where a token's first byte stands in the source: the line as the scanner counts lines (1
// at the start, one more for every line feed it reads), the column in bytes from 1, and
// the offset in bytes from 0. The end of input stands where the input ended. For the tools;
// the messages quote the scanner's line counter, which has read one byte past the token.
struct PoziceTokenu {
  std::uint64_t radek = 0;
  std::uint64_t sloupec = 0;
  std::uint64_t bajt = 0;
  bool operator==(const PoziceTokenu&) const = default;
};

// A token. Its text is a view: into the source's buffer while the token lies there whole,
// else into the scanner's own copy. Either stays valid until the scanner scans the next
// token; whoever keeps a text longer copies it.
struct Token {
  std::string_view text;
  std::int32_t druh = T_KONEC;
  Znacka znacka = Znacka::Zadna;
  // Whether `cislo` holds the reading of a number literal's text: the scanner works it out
  // on the way for the common short forms, and the reading is not repeated.
  bool ma_cislo = false;
  // Whether the text is the decimal digits of `cislo` (a '-' before them when it is
  // negative), so that a value can write it again from the number instead of keeping it.
  bool psane_cele = false;
  PoziceTokenu pozice;
  double cislo = 0.0;

  bool je(Znacka z) const { return znacka == z; }

  // Makes `v` the value of this number or string literal. A number literal starts with a
  // digit, or a sign and a digit, so it passes the number test.
  void vloz_literal(Hodnota& v) const {
    if (psane_cele) {
      v.nastav_psane_cele(cislo);
    } else if (druh == T_CISLO || Je_cislo(text)) {
      v.nastav_text(text, Ciselnost::Je, ma_cislo ? cislo : cteni_textu(text));
    } else {
      v.nastav_text(text, Ciselnost::Neni, 0.0);
    }
  }
};

}  // namespace moxa
