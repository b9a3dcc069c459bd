// moxa-dap: the debugger of moxa programs, speaking the Debug Adapter Protocol over
// standard input and output. See packaging/moxa-dap.1.
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "tools/dap/adapter.hpp"
#include "tools/lsp/ramce.hpp"

namespace {

constexpr std::string_view POUZITI =
    "usage: moxa-dap [--stdio]\n"
    "The debugger of moxa programs: speaks the Debug Adapter Protocol over standard input\n"
    "and output. Editors start it; it runs a program with breakpoints, steps through it\n"
    "forward and back, and shows the variables, the value stack and the blocks the run is\n"
    "in, with the same steps and the same output as moxa-trace and moxa.\n"
    "  --stdio   talk over standard input and output (the only way, and the default)\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      std::cout << POUZITI;
      return 0;
    }
    if (a != "--stdio") {
      std::cerr << "moxa-dap: unknown option " << a << "\n" << POUZITI;
      return 2;
    }
  }
  std::ios::sync_with_stdio(false);
  moxa::dap::Adapter adapter([](const std::string& zprava) {
    const std::string hlavicka = "Content-Length: " + std::to_string(zprava.size()) + "\r\n\r\n";
    std::fwrite(hlavicka.data(), 1, hlavicka.size(), stdout);
    std::fwrite(zprava.data(), 1, zprava.size(), stdout);
    std::fflush(stdout);
  });
  moxa::lsp::CtenarZprav ctenar(*std::cin.rdbuf());
  std::string telo;
  std::string proc;
  for (;;) {
    const auto stav = ctenar.dalsi(telo, proc);
    if (stav == moxa::lsp::CtenarZprav::Stav::Konec) {
      if (!proc.empty()) std::cerr << "moxa-dap: " << proc << "\n";
      break;
    }
    if (stav == moxa::lsp::CtenarZprav::Stav::Vadna) {
      std::cerr << "moxa-dap: message dropped: " << proc << "\n";
      continue;
    }
    adapter.zprava(telo);
    if (adapter.skoncil()) break;
  }
  return 0;
}
