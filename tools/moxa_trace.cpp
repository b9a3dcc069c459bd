// moxa-trace: runs a program exactly as `moxa` does and writes the trace of its run, one JSON
// object per step and a last one for its end. See packaging/moxa-trace.1.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "driver/command.hpp"
#include "trace/trace.hpp"

namespace {

constexpr std::string_view POUZITI =
    "usage: moxa-trace [-o FILE] PROGRAM.mox\n"
    "Runs the program as 'moxa PROGRAM.mox' does, with the same output and input, and\n"
    "writes the trace of its run to FILE (standard error without -o): one JSON object a\n"
    "line for every step, then {\"end\": \"ok\" | \"error\" | \"stopped\", \"steps\": N}.\n"
    "With '- -' in place of PROGRAM.mox the program comes from standard input, as for moxa.\n";

// The trace's lines gathered into large writes; the last line of a run writes out all. When
// the trace and the program's output go to a terminal, both would show on it mixed, line
// for line, with what the person types: the trace is then held back whole until the run
// has ended (`do_konce`).
class Zapisovac {
 public:
  Zapisovac(int fd, bool do_konce) : fd_(fd), do_konce_(do_konce) { buf_.reserve(KAPACITA + 4096); }
  Zapisovac(const Zapisovac&) = delete;
  Zapisovac& operator=(const Zapisovac&) = delete;
  ~Zapisovac() { vyprazdni(); }

  static void radek(void* user, const char* data, std::size_t n) {
    auto* z = static_cast<Zapisovac*>(user);
    z->buf_.append(data, n);
    // The end of the run comes before a signal that interrupted it ends the process.
    if ((z->buf_.size() >= KAPACITA && !z->do_konce_) ||
        std::string_view(data, n).starts_with("{\"end\"")) {
      z->vyprazdni();
    }
  }

  void vyprazdni() {
    std::size_t od = 0;
    while (od < buf_.size()) {
      const ssize_t w = ::write(fd_, buf_.data() + od, buf_.size() - od);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) break;  // the trace cannot be written: the run goes on without it
      od += static_cast<std::size_t>(w);
    }
    buf_.clear();
  }

 private:
  static constexpr std::size_t KAPACITA = std::size_t{1} << 16;
  int fd_;
  bool do_konce_;
  std::string buf_;
};

}  // namespace

int main(int argc, char** argv) {
  const char* soubor = nullptr;
  std::vector<const char*> argumenty{argv[0]};
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fwrite(POUZITI.data(), 1, POUZITI.size(), stdout);
      return 0;
    }
    if (a == "-o" && argumenty.size() == 1 && soubor == nullptr) {
      if (i + 1 == argc) {
        std::fprintf(stderr, "moxa-trace: -o needs a file name\n");
        return 2;
      }
      soubor = argv[++i];
      continue;
    }
    argumenty.push_back(argv[i]);
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
  {
    Zapisovac zapisovac(fd, ::isatty(fd) == 1 && ::isatty(STDOUT_FILENO) == 1);
    moxa::Stopa stopa(&Zapisovac::radek, &zapisovac);
    moxa::Nastaveni nastaveni;
    nastaveni.stopa = &stopa;
    status = moxa::prikaz(static_cast<int>(argumenty.size()), argumenty.data(), nastaveni);
  }
  if (soubor != nullptr) ::close(fd);
  return status;
}
