// The checker: reads a program through the interpreter's own scanner and grammar with
// execution off, so that nothing runs and nothing is read, and reports the first syntax
// error with the run's own message, what the scanner reads differently from how the
// program looks, and what a teacher would point out. Every finding has a code and its words
// from one table (check/diagnostics.json); where the cause of an error can be told, the
// finding stands at the cause, offers a fix, and the run's message follows as a note.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moxa::kontrola {

enum class Zavaznost : std::uint8_t { Chyba, Varovani };

// The language of the checker's own words; the run's messages are the run's.
enum class Jazyk : std::uint8_t { Cs, En };

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
  std::string kod;  // the code of the run's message or of a finding said here; may be empty
};

// A fix: the bytes of `misto` replaced by `text`. Safe when it is what the program means
// beyond doubt (only the case or the diacritics of a keyword); otherwise a guess.
struct Oprava {
  Misto misto;
  Misto konec;  // where the replaced bytes end (line and column of the byte past them)
  std::string text;
  bool bezpecna = false;
  std::string popis;  // "insert `;`", in the checker's language
};

struct Zjisteni {
  Zavaznost zavaznost = Zavaznost::Varovani;
  Misto misto;
  std::string kod;         // "M101"
  std::string text;        // the run's message, or the checker's own words
  std::string vysvetleni;  // what it means and what to do
  std::vector<Poznamka> poznamky;
  std::vector<Oprava> opravy;
};

struct Vysledek {
  // The error (at most one) first, at its cause where it can be told; then the warnings
  // that point at a likely mistake with a fix; then the rest in the order of the source.
  std::vector<Zjisteni> zjisteni;
  bool ma_chybu() const {
    return !zjisteni.empty() && zjisteni.front().zavaznost == Zavaznost::Chyba;
  }
};

// The warnings kept for one program; past them the last finding says how many more there
// were. The error is always kept.
inline constexpr std::size_t NEJVIC_VAROVANI = 1000;

// Checks the program `zdroj`, with the checker's words in `jazyk`.
Vysledek zkontroluj(std::string_view zdroj, Jazyk jazyk = Jazyk::Cs);

// The words kept for a code: for --explain, the page and the grader.
struct Popis {
  std::string_view kod, zavaznost, zprava, vysvetleni, dlouhe, priklad, oprava, kdo_vidi;
};
std::optional<Popis> popis_kodu(std::string_view kod, Jazyk jazyk);
std::vector<std::string_view> vsechny_kody();

// The language the locale asks for: the first of LC_ALL, LC_MESSAGES and LANG that is set,
// Czech when it starts with "cs", else English (and English when none is set).
Jazyk jazyk_prostredi();

// One of the table's words (check/diagnostics.json, "words") in `jazyk`, with its {0}, {1}...
// replaced by `casti`; the key itself when the table has no such word.
std::string slovo(std::string_view klic, Jazyk jazyk,
                  std::initializer_list<std::string> casti = {});

// The code of one of the run's error messages ("V bloku: ..." without its line feed), or
// an empty view when it is none of them.
std::string_view kod_hlasky(std::string_view zprava);

}  // namespace moxa::kontrola
