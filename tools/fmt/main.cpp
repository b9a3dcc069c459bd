// moxa-fmt: lays moxa programs out without changing what they read as. See
// packaging/moxa-fmt.1.
#include <algorithm>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "check/format.hpp"
#include "tools/common/command_line.hpp"
#include "tools/common/file_text.hpp"
#include "tools/fmt/rewrite.hpp"

namespace {

constexpr std::string_view POUZITI =
    "usage: moxa-fmt [-w | --check] [FILE...]\n"
    "Lays moxa programs out: blocks indented, one statement a line, blanks around\n"
    "operators, comments where they stand. The tokens the interpreter reads stay the same.\n"
    "Without FILE (or with '-') reads standard input and writes standard output.\n"
    "  -w        rewrite each FILE in place\n"
    "  --check   print the names of files that would change; exit 1 if any would\n"
    "A program with a syntax error is left as it is, with a message; exit 1.\n";

}  // namespace

int main(int argc, char** argv) {
  bool na_miste = false;
  bool kontrola = false;
  std::vector<std::string> soubory;
  moxa::tools::CommandLine args(argc, argv);
  while (args.next()) {
    const std::string& a = args.name();
    if (a == "-w") {
      na_miste = true;
    } else if (a == "--check") {
      kontrola = true;
    } else if (const auto status = args.unclaimed("moxa-fmt", POUZITI)) {
      return *status;
    } else {
      soubory.push_back(a);
    }
  }
  if (soubory.empty()) soubory.emplace_back("-");
  if (na_miste && kontrola) {
    std::cerr << "moxa-fmt: -w and --check exclude each other\n";
    return 2;
  }
  int status = 0;
  for (const auto& jmeno : soubory) {
    std::string obsah;
    if (!moxa::tools::precti_soubor(jmeno, obsah)) {
      std::cerr << "moxa-fmt: " << jmeno << ": cannot be read\n";
      status = 2;
      continue;
    }
    const std::string nazev = jmeno == "-" ? "<stdin>" : jmeno;
    const auto f = moxa::kontrola::naformatuj(obsah);
    if (!f.text) {
      std::cerr << "moxa-fmt: " << nazev << ":" << f.proc << "\n";
      if (!na_miste && !kontrola) std::cout << obsah;
      status = std::max(status, 1);
      continue;
    }
    if (kontrola) {
      if (*f.text != obsah) {
        std::cout << nazev << "\n";
        status = std::max(status, 1);
      }
    } else if (na_miste && jmeno != "-") {
      if (*f.text != obsah && !moxa::tools::rewrite_file(jmeno, *f.text)) {
        std::cerr << "moxa-fmt: " << jmeno << ": cannot be written\n";
        status = 2;
      }
    } else {
      std::cout << *f.text;
    }
  }
  std::cout.flush();
  return std::cout ? status : 2;
}
