// moxa-trace: runs a program exactly as `moxa` does and writes the trace of its run, one JSON
// object per step and a last one for its end. See packaging/moxa-trace.1.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "driver/command.hpp"
#include "tools/common/command_line.hpp"
#include "tools/trace/writer.hpp"
#include "trace/trace.hpp"

namespace {

constexpr std::string_view POUZITI =
    "usage: moxa-trace [-o FILE] [--max-bytes N] PROGRAM.mox\n"
    "Runs the program as 'moxa PROGRAM.mox' does, with the same output and input, and\n"
    "writes the trace of its run to FILE (standard error without -o): one JSON object a\n"
    "line for every step, then {\"end\": \"ok\" | \"error\" | \"stopped\", \"steps\": N}.\n"
    "With '- -' in place of PROGRAM.mox the program comes from standard input, as for moxa.\n"
    "  --max-bytes N  the trace's bound: once its steps would pass N bytes the run is\n"
    "                 stopped, the trace ends with {\"end\": \"stopped\", ...} and the status\n"
    "                 is 3 (default 104857600, 100 MiB; 0: no bound)\n"
    "A trace that cannot be written stops the run too, with a message and status 2.\n";

// The trace's bound when none is given: 100 MiB, a few hundred thousand steps of a loop.
constexpr std::uint64_t VYCHOZI_MEZ = std::uint64_t{100} << 20;

}  // namespace

int main(int argc, char** argv) {
  const char* soubor = nullptr;
  std::uint64_t mez = VYCHOZI_MEZ;
  std::vector<const char*> argumenty{argv[0]};
  moxa::tools::CommandLine args(argc, argv);
  while (args.next()) {
    const std::string& a = args.name();
    if (args.help()) {
      std::fwrite(POUZITI.data(), 1, POUZITI.size(), stdout);
      return 0;
    }
    // The options stand before the program; what follows it is the command line of moxa.
    if ((a == "-o" || a == "--max-bytes") && argumenty.size() == 1) {
      const auto hodnota = args.value();
      if (!hodnota) {
        std::fprintf(stderr, "moxa-trace: %s needs a value\n", a.c_str());
        return 2;
      }
      if (a == "--max-bytes") {
        const auto n = moxa::tools::whole_number(*hodnota, 0, UINT64_MAX);
        if (!n) {
          std::fprintf(stderr, "moxa-trace: --max-bytes needs a number of bytes, not '%s'\n",
                       hodnota->c_str());
          return 2;
        }
        mez = *n;
      } else if (soubor == nullptr) {
        soubor = argv[args.index()];
      } else {
        std::fprintf(stderr, "moxa-trace: -o given twice\n");
        return 2;
      }
      continue;
    }
    argumenty.push_back(argv[args.index()]);
  }
  int fd = STDERR_FILENO;
  if (soubor != nullptr) {
    fd = ::open(soubor, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
      std::fprintf(stderr, "moxa-trace: %s: %s\n", soubor, std::strerror(errno));
      return 2;
    }
  }
  int status = 0;
  int chyba = 0;
  bool preteceni = false;
  {
    moxa::tools::Zapisovac zapisovac(fd, mez, ::isatty(fd) == 1 && ::isatty(STDOUT_FILENO) == 1);
    moxa::Stopa stopa(&moxa::tools::Zapisovac::radek, &zapisovac);
    moxa::Nastaveni nastaveni;
    nastaveni.stopa = &stopa;
    status = moxa::prikaz(static_cast<int>(argumenty.size()), argumenty.data(), nastaveni);
    zapisovac.vyprazdni();
    if (soubor != nullptr && ::close(fd) != 0) zapisovac.chyba(errno);
    chyba = zapisovac.chyba();
    preteceni = zapisovac.preteceni();
  }
  const char* kam = soubor != nullptr ? soubor : "standard error";
  if (chyba != 0) {
    std::fprintf(stderr, "moxa-trace: %s: the trace cannot be written: %s\n", kam,
                 std::strerror(chyba));
    return 2;
  }
  if (preteceni) {
    std::fprintf(stderr,
                 "moxa-trace: the trace reached its bound of %llu bytes (--max-bytes); the run "
                 "was stopped\n",
                 static_cast<unsigned long long>(mez));
    return 3;
  }
  return status;
}
