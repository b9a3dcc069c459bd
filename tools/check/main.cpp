// moxa-check: checks programs without running them. See packaging/moxa-check.1.
#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/check.hpp"
#include "tools/check/output.hpp"
#include "tools/common/command_line.hpp"
#include "tools/common/file_text.hpp"

namespace {

using moxa::kontrola::Jazyk;
using moxa::kontrola::Vysledek;

constexpr std::string_view POUZITI =
    "usage: moxa-check [--strict] [--format text|json] [--lang cs|en] FILE...\n"
    "       moxa-check [--lang cs|en] --explain CODE\n"
    "Checks moxa programs without running them: the first syntax error, at its cause where\n"
    "it can be told and with the interpreter's own message, and warnings about what the\n"
    "scanner reads differently from how the program looks and what a teacher would point\n"
    "out; each with its code, an explanation and, where one exists, a fix. FILE '-' is\n"
    "standard input.\n"
    "  --strict        exit 1 on warnings too\n"
    "  --format json   one JSON array of files and their diagnostics\n"
    "  --lang cs|en    the language of the checker's words (default: Czech when LC_ALL,\n"
    "                  LC_MESSAGES or LANG starts with cs, else English)\n"
    "  --explain CODE  the long explanation of a code with an example program\n"
    "  --codes         list every code with its explanation\n"
    "At most 1000 warnings a file (the last says how many more there were); memory and\n"
    "time in proportion to the file, at most about 48 bytes of memory a byte of it.\n"
    "Exit status: 0 no error, 1 an error (or a warning with --strict), 2 a file unreadable,\n"
    "an unknown code or a bad option.\n";

}  // namespace

int main(int argc, char** argv) {
  bool prisne = false;
  bool jako_json = false;
  Jazyk jazyk = moxa::kontrola::jazyk_prostredi();
  std::string vysvetlit;
  bool kody = false;
  std::vector<std::string> soubory;
  moxa::tools::CommandLine args(argc, argv);
  while (args.next()) {
    const std::string& a = args.name();
    std::optional<std::string> hodnota;
    if (a == "--strict") {
      prisne = true;
    } else if (a == "--format" && (hodnota = args.value())) {
      if (*hodnota != "json" && *hodnota != "text") {
        std::cerr << "moxa-check: unknown format " << *hodnota << "\n" << POUZITI;
        return 2;
      }
      jako_json = *hodnota == "json";
    } else if (a == "--lang" && (hodnota = args.value())) {
      if (*hodnota != "cs" && *hodnota != "en") {
        std::cerr << "moxa-check: unknown language " << *hodnota << "\n" << POUZITI;
        return 2;
      }
      jazyk = *hodnota == "cs" ? Jazyk::Cs : Jazyk::En;
    } else if (a == "--explain" && (hodnota = args.value())) {
      vysvetlit = *hodnota;
    } else if (a == "--codes") {
      kody = true;
    } else if (const auto status = args.unclaimed("moxa-check", POUZITI)) {
      return *status;
    } else {
      soubory.push_back(a);
    }
  }
  if (!vysvetlit.empty()) {
    if (moxa::tools::explain_code(std::cout, vysvetlit, jazyk)) return 0;
    std::cerr << "moxa-check: unknown code " << vysvetlit << "\n";
    return 2;
  }
  if (kody) {
    for (const auto kod : moxa::kontrola::vsechny_kody())
      std::cout << kod << ": " << moxa::kontrola::popis_kodu(kod, jazyk)->vysvetleni << '\n';
    return 0;
  }
  if (soubory.empty()) {
    std::cerr << POUZITI;
    return 2;
  }
  int status = 0;
  nlohmann::json vse = nlohmann::json::array();
  for (const auto& jmeno : soubory) {
    std::string obsah;
    if (!moxa::tools::precti_soubor(jmeno, obsah)) {
      std::cerr << "moxa-check: " << jmeno << ": cannot be read\n";
      status = 2;
      continue;
    }
    const Vysledek v = moxa::kontrola::zkontroluj(obsah, jazyk);
    const std::string nazev = jmeno == "-" ? "<stdin>" : jmeno;
    if (v.ma_chybu() || (prisne && !v.zjisteni.empty())) status = std::max(status, 1);
    if (jako_json)
      vse.push_back(moxa::tools::findings_json(nazev, v));
    else
      moxa::tools::write_findings(std::cout, nazev, v);
  }
  if (jako_json)
    std::cout << vse.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  return status;
}
