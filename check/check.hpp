// The checker: reads a program through the interpreter's own scanner and grammar with
// execution off, so that nothing runs and nothing is read, and reports the first syntax
// error with the run's own message, what the scanner reads differently from how the
// program looks, and what a teacher would point out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace moxa::kontrola {

enum class Zavaznost : std::uint8_t { Chyba, Varovani };

// One finding, at the bytes [bajt, bajt + delka) of the source (delka 0 at the end of input).
struct Misto {
  std::uint64_t radek = 0;    // from 1, as the scanner counts lines
  std::uint64_t sloupec = 0;  // in bytes, from 1
  std::size_t bajt = 0;       // from 0
  std::size_t delka = 0;
};

struct Poznamka {
  Misto misto;
  std::string text;
};

struct Zjisteni {
  Zavaznost zavaznost = Zavaznost::Varovani;
  Misto misto;
  std::string text;
  std::vector<Poznamka> poznamky;
};

struct Vysledek {
  std::vector<Zjisteni> zjisteni;  // the error (at most one) first, then the warnings in order
  bool ma_chybu() const {
    return !zjisteni.empty() && zjisteni.front().zavaznost == Zavaznost::Chyba;
  }
};

// Checks the program `zdroj`.
Vysledek zkontroluj(std::string_view zdroj);

}  // namespace moxa::kontrola
