// moxa-check: checks programs without running them. See packaging/moxa-check.1.
#include <cstdio>
#include <cstdlib>
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

using moxa::kontrola::Jazyk;
using moxa::kontrola::Misto;
using moxa::kontrola::Oprava;
using moxa::kontrola::Vysledek;
using moxa::kontrola::Zavaznost;

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

void text(std::ostream& out, const std::string& soubor, const Misto& m, std::string_view druh,
          std::string_view zprava) {
  out << soubor << ':' << m.radek << ':' << m.sloupec << ": " << druh << ": " << zprava << '\n';
}

nlohmann::json misto(const Misto& m) {
  return {{"line", m.radek}, {"column", m.sloupec}, {"offset", m.bajt}, {"length", m.delka}};
}

nlohmann::json oprava(const Oprava& o) {
  return {
      {"range",
       {{"start", {{"line", o.misto.radek}, {"column", o.misto.sloupec}, {"offset", o.misto.bajt}}},
        {"end", {{"line", o.konec.radek}, {"column", o.konec.sloupec}, {"offset", o.konec.bajt}}}}},
      {"replacement", o.text},
      {"safe", o.bezpecna},
      {"title", o.popis}};
}

nlohmann::json json(const std::string& soubor, const Vysledek& v) {
  nlohmann::json d = nlohmann::json::array();
  for (const auto& z : v.zjisteni) {
    nlohmann::json j = misto(z.misto);
    j["severity"] = z.zavaznost == Zavaznost::Chyba ? "error" : "warning";
    j["code"] = z.kod;
    j["message"] = z.text;
    j["explanation"] = z.vysvetleni;
    j["notes"] = nlohmann::json::array();
    for (const auto& p : z.poznamky) {
      nlohmann::json n = misto(p.misto);
      n["message"] = p.text;
      if (!p.kod.empty()) n["code"] = p.kod;
      j["notes"].push_back(n);
    }
    j["fixes"] = nlohmann::json::array();
    for (const auto& o : z.opravy)
      j["fixes"].push_back(oprava(o));
    d.push_back(j);
  }
  return {{"file", soubor}, {"diagnostics", d}};
}

int vysvetli(std::string_view kod, Jazyk jazyk) {
  const auto p = moxa::kontrola::popis_kodu(kod, jazyk);
  if (!p) {
    std::cerr << "moxa-check: unknown code " << kod << "\n";
    return 2;
  }
  std::cout << p->kod << ": " << p->vysvetleni << "\n\n" << p->dlouhe << '\n';
  if (!p->priklad.empty() && p->priklad != "generated")
    std::cout << '\n'
              << (jazyk == Jazyk::Cs ? "Například:" : "For example:") << "\n\n"
              << p->priklad;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool prisne = false;
  bool jako_json = false;
  Jazyk jazyk = moxa::kontrola::jazyk_prostredi();
  std::string vysvetlit;
  bool kody = false;
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
    } else if (a == "--lang" && i + 1 < argc) {
      const std::string_view l = argv[++i];
      if (l != "cs" && l != "en") {
        std::cerr << "moxa-check: unknown language " << l << "\n" << POUZITI;
        return 2;
      }
      jazyk = l == "cs" ? Jazyk::Cs : Jazyk::En;
    } else if (a == "--explain" && i + 1 < argc) {
      vysvetlit = argv[++i];
    } else if (a == "--codes") {
      kody = true;
    } else if (a.size() > 1 && a[0] == '-') {
      std::cerr << "moxa-check: unknown option " << a << "\n" << POUZITI;
      return 2;
    } else {
      soubory.emplace_back(a);
    }
  }
  if (!vysvetlit.empty()) return vysvetli(vysvetlit, jazyk);
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
    if (!moxa::nastroje::precti_soubor(jmeno, obsah)) {
      std::cerr << "moxa-check: " << jmeno << ": cannot be read\n";
      status = 2;
      continue;
    }
    const Vysledek v = moxa::kontrola::zkontroluj(obsah, jazyk);
    const std::string nazev = jmeno == "-" ? "<stdin>" : jmeno;
    if (v.ma_chybu() || (prisne && !v.zjisteni.empty())) status = std::max(status, 1);
    if (jako_json) {
      vse.push_back(json(nazev, v));
      continue;
    }
    for (const auto& z : v.zjisteni) {
      text(std::cout, nazev, z.misto, z.zavaznost == Zavaznost::Chyba ? "error" : "warning",
           z.text + " [" + z.kod + "]");
      for (const auto& p : z.poznamky)
        text(std::cout, nazev, p.misto, "note",
             p.kod.empty() ? p.text : p.text + " [" + p.kod + "]");
      if (!z.vysvetleni.empty()) text(std::cout, nazev, z.misto, "help", z.vysvetleni);
      for (const auto& o : z.opravy)
        text(std::cout, nazev, o.misto, "fix", o.popis);
    }
  }
  if (jako_json)
    std::cout << vse.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  return status;
}
