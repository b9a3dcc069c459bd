// moxa-check: checks programs without running them. See packaging/moxa-check.1.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "check/check.hpp"
#include "tools/file_text.hpp"

namespace {

using moxa::kontrola::Misto;
using moxa::kontrola::Vysledek;
using moxa::kontrola::Zavaznost;

constexpr std::string_view POUZITI =
    "usage: moxa-check [--strict] [--format text|json] FILE...\n"
    "Checks moxa programs without running them: the first syntax error with the\n"
    "interpreter's own message, and warnings about what the scanner reads differently\n"
    "from how the program looks and what a teacher would point out. FILE '-' is standard\n"
    "input.\n"
    "  --strict        exit 1 on warnings too\n"
    "  --format json   one JSON array of files and their diagnostics\n"
    "Exit status: 0 no error, 1 an error (or a warning with --strict), 2 a file unreadable\n"
    "or a bad option.\n";

void text(std::ostream& out, const std::string& soubor, const Misto& m, std::string_view druh,
          std::string_view zprava) {
  out << soubor << ':' << m.radek << ':' << m.sloupec << ": " << druh << ": " << zprava << '\n';
}

nlohmann::json misto(const Misto& m) {
  return {{"line", m.radek}, {"column", m.sloupec}, {"offset", m.bajt}, {"length", m.delka}};
}

nlohmann::json json(const std::string& soubor, const Vysledek& v) {
  nlohmann::json d = nlohmann::json::array();
  for (const auto& z : v.zjisteni) {
    nlohmann::json j = misto(z.misto);
    j["severity"] = z.zavaznost == Zavaznost::Chyba ? "error" : "warning";
    j["message"] = z.text;
    j["notes"] = nlohmann::json::array();
    for (const auto& p : z.poznamky) {
      nlohmann::json n = misto(p.misto);
      n["message"] = p.text;
      j["notes"].push_back(n);
    }
    d.push_back(j);
  }
  return {{"file", soubor}, {"diagnostics", d}};
}

}  // namespace

int main(int argc, char** argv) {
  bool prisne = false;
  bool jako_json = false;
  std::vector<std::string> soubory;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      std::cout << POUZITI;
      return 0;
    }
    if (a == "--strict") {
      prisne = true;
    } else if (a == "--format" && i + 1 < argc) {
      const std::string_view f = argv[++i];
      if (f != "json" && f != "text") {
        std::cerr << "moxa-check: unknown format " << f << "\n" << POUZITI;
        return 2;
      }
      jako_json = f == "json";
    } else if (a.size() > 1 && a[0] == '-') {
      std::cerr << "moxa-check: unknown option " << a << "\n" << POUZITI;
      return 2;
    } else {
      soubory.emplace_back(a);
    }
  }
  if (soubory.empty()) {
    std::cerr << POUZITI;
    return 2;
  }
  int status = 0;
  nlohmann::json vse = nlohmann::json::array();
  for (const auto& jmeno : soubory) {
    std::string obsah;
    if (!moxa::nastroje::precti_soubor(jmeno, obsah)) {
      std::cerr << "moxa-check: " << jmeno << ": cannot be read\n";
      status = 2;
      continue;
    }
    const Vysledek v = moxa::kontrola::zkontroluj(obsah);
    const std::string nazev = jmeno == "-" ? "<stdin>" : jmeno;
    if (v.ma_chybu() || (prisne && !v.zjisteni.empty())) status = std::max(status, 1);
    if (jako_json) {
      vse.push_back(json(nazev, v));
      continue;
    }
    for (const auto& z : v.zjisteni) {
      text(std::cout, nazev, z.misto, z.zavaznost == Zavaznost::Chyba ? "error" : "warning",
           z.text);
      for (const auto& p : z.poznamky)
        text(std::cout, nazev, p.misto, "note", p.text);
    }
  }
  if (jako_json)
    std::cout << vse.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  return status;
}
