// moxa-lsp: the language server for moxa programs, over standard input and output. See
// packaging/moxa-lsp.1.
#include <iostream>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <string>
#include <string_view>
#include <vector>

#include "tools/common/command_line.hpp"
#include "tools/lsp/framing.hpp"
#include "tools/lsp/server.hpp"

namespace {

constexpr std::string_view POUZITI =
    "usage: moxa-lsp [--stdio]\n"
    "The language server for moxa programs: speaks the Language Server Protocol over\n"
    "standard input and output. Editors start it; it reports the errors and warnings of\n"
    "moxa-check as you type, colours the tokens the interpreter reads, finds declarations,\n"
    "explains keywords and operators, completes names and formats with moxa-fmt.\n"
    "A message is at most 64 MiB; a document gets at most 1000 warnings besides its error,\n"
    "and takes memory in proportion to its size (at most about 48 bytes a byte).\n"
    "  --stdio   talk over standard input and output (the only way, and the default)\n";

}  // namespace

int main(int argc, char** argv) {
  if (const auto status = moxa::tools::server_options(argc, argv, "moxa-lsp", POUZITI))
    return *status;
  std::ios::sync_with_stdio(false);
#if defined(__GLIBC__)
  // Every change of a document builds its token lists anew, some megabytes for a long
  // program. Kept in the heap rather than mapped and unmapped each time, that memory is
  // reused without the page faults of fresh mappings, which cost a third of the time.
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
  moxa::lsp::Server server;
  std::vector<std::string> ven;
  moxa::lsp::obsluhuj(
      *std::cin.rdbuf(),
      [&](const std::string& telo) {
        ven.clear();
        server.zprava(telo, ven);
        for (const auto& z : ven)
          moxa::lsp::zapis_zpravu(std::cout, z);
        return server.skoncil();
      },
      [](const std::string& proc) { std::cerr << "moxa-lsp: " << proc << "\n"; });
  return server.status();
}
