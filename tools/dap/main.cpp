// moxa-dap: the debugger of moxa programs, speaking the Debug Adapter Protocol over
// standard input and output. See packaging/moxa-dap.1.
#include <iostream>
#include <string>
#include <string_view>

#include "tools/common/command_line.hpp"
#include "tools/dap/adapter.hpp"
#include "tools/lsp/framing.hpp"

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
  if (const auto status = moxa::tools::server_options(argc, argv, "moxa-dap", POUZITI))
    return *status;
  std::ios::sync_with_stdio(false);
  moxa::dap::Adapter adapter(
      [](const std::string& zprava) { moxa::lsp::zapis_zpravu(std::cout, zprava); });
  moxa::lsp::obsluhuj(
      *std::cin.rdbuf(),
      [&adapter](const std::string& telo) {
        adapter.zprava(telo);
        return adapter.skoncil();
      },
      [](const std::string& proc) { std::cerr << "moxa-dap: " << proc << "\n"; });
  return 0;
}
