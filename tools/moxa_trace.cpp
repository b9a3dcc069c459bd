// moxa-trace: runs a program exactly as `moxa` does and writes the trace of its run, one JSON
// object per step and a last one for its end. See packaging/moxa-trace.1.
#include <cerrno>
#include <charconv>
#include <cstdint>
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

// The trace's lines gathered into large writes; the last line of a run writes out all. Past
// the bound, or once a write has failed, the run is asked to stop and no step is written
// any more; the last line still is, when it can be. When the trace and the program's output
// go to a terminal, both would show on it mixed, line for line, with what the person types:
// the trace is then held back whole until the run has ended (`do_konce`).
class Zapisovac {
 public:
  Zapisovac(int fd, std::uint64_t mez, bool do_konce) : fd_(fd), mez_(mez), do_konce_(do_konce) {
    buf_.reserve(KAPACITA + 4096);
  }
  Zapisovac(const Zapisovac&) = delete;
  Zapisovac& operator=(const Zapisovac&) = delete;
  ~Zapisovac() { vyprazdni(); }

  static void radek(void* user, const char* data, std::size_t n) {
    auto* z = static_cast<Zapisovac*>(user);
    const bool konec = std::string_view(data, n).starts_with("{\"end\"");
    if (!konec) {
      if (z->chyba_ != 0 || z->preteceni_) return;
      if (z->mez_ != 0 && z->zapsano_ + n > z->mez_) {
        z->preteceni_ = true;
        moxa::zastav_prikaz();
        return;
      }
    }
    z->zapsano_ += n;
    z->buf_.append(data, n);
    // The end of the run comes before a signal that interrupted it ends the process.
    if ((z->buf_.size() >= KAPACITA && !z->do_konce_) || konec) z->vyprazdni();
  }

  void vyprazdni() {
    std::size_t od = 0;
    while (od < buf_.size() && chyba_ == 0) {
      const ssize_t w = ::write(fd_, buf_.data() + od, buf_.size() - od);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        // The trace cannot be written (a full disk, a closed pipe): the run stops.
        chyba_ = w < 0 ? errno : EIO;
        moxa::zastav_prikaz();
        break;
      }
      od += static_cast<std::size_t>(w);
    }
    buf_.clear();
  }

  int chyba() const { return chyba_; }
  void chyba(int e) {
    if (chyba_ == 0) chyba_ = e;
  }
  bool preteceni() const { return preteceni_; }

 private:
  static constexpr std::size_t KAPACITA = std::size_t{1} << 16;
  int fd_;
  std::uint64_t mez_;
  bool do_konce_;
  std::uint64_t zapsano_ = 0;
  bool preteceni_ = false;  // the bound was reached
  int chyba_ = 0;           // errno of the write that failed; 0: none
  std::string buf_;
};

// A count of bytes: digits only.
bool cislo(std::string_view a, std::uint64_t& n) {
  const auto [konec, ec] = std::from_chars(a.data(), a.data() + a.size(), n);
  return ec == std::errc() && konec == a.data() + a.size() && !a.empty();
}

}  // namespace

int main(int argc, char** argv) {
  const char* soubor = nullptr;
  std::uint64_t mez = VYCHOZI_MEZ;
  std::vector<const char*> argumenty{argv[0]};
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fwrite(POUZITI.data(), 1, POUZITI.size(), stdout);
      return 0;
    }
    if ((a == "-o" || a == "--max-bytes") && argumenty.size() == 1) {
      if (i + 1 == argc) {
        std::fprintf(stderr, "moxa-trace: %s needs a value\n", argv[i]);
        return 2;
      }
      const char* hodnota = argv[++i];
      if (a == "--max-bytes") {
        if (!cislo(hodnota, mez)) {
          std::fprintf(stderr, "moxa-trace: --max-bytes needs a number of bytes, not '%s'\n",
                       hodnota);
          return 2;
        }
      } else if (soubor == nullptr) {
        soubor = hodnota;
      } else {
        std::fprintf(stderr, "moxa-trace: -o given twice\n");
        return 2;
      }
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
  int chyba = 0;
  bool preteceni = false;
  {
    Zapisovac zapisovac(fd, mez, ::isatty(fd) == 1 && ::isatty(STDOUT_FILENO) == 1);
    moxa::Stopa stopa(&Zapisovac::radek, &zapisovac);
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
