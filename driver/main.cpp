// moxa: runs a .mox program.  Usage: moxa program.mox  (or: moxa - - < program)
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

#include "driver/run.hpp"

namespace {

// A standard stream that the process was started without is reopened on the null device,
// so that no file opened later takes its place.
void otevri_zavrene_proudy() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1) {
      const int novy = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
      if (novy >= 0 && novy != fd) {
        ::dup2(novy, fd);
        ::close(novy);
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  otevri_zavrene_proudy();
  // A closed pipe must end the run quietly, not kill it: writes then fail instead.
  std::signal(SIGPIPE, SIG_IGN);
  moxa::CilSoubor cil(STDOUT_FILENO);
  moxa::Vystup out(cil);
  moxa::SouborovyVstup std_in(STDIN_FILENO, &out);
  return moxa::hlavni(argc, argv, std_in, out);
}
