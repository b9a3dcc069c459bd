// The interpreter as a command of the system: streams, signals, the watch thread, and the run
// that `moxa` and `moxa-trace` make of their arguments.
#include "driver/command.hpp"

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include "driver/run.hpp"
#include "limits/limits.hpp"
#include "limits/sanitizers.hpp"

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

// A run needs ZASOBNIK_BEHU bytes of stack. Linux grows the main thread's stack on demand up
// to the soft RLIMIT_STACK as it stands at each fault, so raising that limit lets the run take
// the main thread, and a start saves making a thread of its own (mapping its stack, cloning,
// switching to it and back). Raised only when the address space is not limited: under a limit
// a thread's stack is reserved in full before the run starts, so that a run that cannot have
// it ends with the error verdict instead of a fault deep in a program. A sanitizer fixes the
// main thread's stack bounds when the process starts, so its builds keep the thread.
bool zvetsi_hlavni_zasobnik() {
#if defined(__linux__) && !MOXA_ASAN && !MOXA_TSAN
  // The main thread has used a little before the run starts (the writer's and the reader's
  // buffers are on it), and the environment lies at the stack's top.
  constexpr rlim_t POTREBA = moxa::ZASOBNIK_BEHU + (rlim_t{1} << 20);
  struct rlimit as {};
  if (::getrlimit(RLIMIT_AS, &as) != 0 || as.rlim_cur != RLIM_INFINITY) return false;
  struct rlimit st {};
  if (::getrlimit(RLIMIT_STACK, &st) != 0) return false;
  if (st.rlim_cur == RLIM_INFINITY || st.rlim_cur >= POTREBA) return true;
  if (st.rlim_max != RLIM_INFINITY && st.rlim_max < POTREBA) return false;
  st.rlim_cur = POTREBA;
  return ::setrlimit(RLIMIT_STACK, &st) == 0;
#else
  return false;
#endif
}

// The signals that interrupt a run. The run then writes out everything it has printed, and
// the process ends as the signal would have ended it, so the shell sees 130, 143, 129.
constexpr int PRERUSUJICI[] = {SIGINT, SIGTERM, SIGHUP};

// What the signal handler reaches. A handler takes no argument, so these belong to the
// process; the process runs one program.
std::atomic<moxa::Budik*> g_budik{nullptr};
std::atomic<int> g_signal{0};  // the first interrupting signal, 0 = none yet
static_assert(std::atomic<int>::is_always_lock_free &&
                  std::atomic<moxa::Budik*>::is_always_lock_free,
              "used by the signal handler");

extern "C" void pri_signalu(int sig) {
  const int ulozene_errno = errno;
  int zadny = 0;
  g_signal.compare_exchange_strong(zadny, sig);
  if (moxa::Budik* budik = g_budik.load()) budik->zazvon(moxa::Budik::ZASTAVIT);
  errno = ulozene_errno;
}

// Catches the interrupting signals, except those the process was started ignoring (as
// `nohup` leaves SIGHUP): they stay ignored. No SA_RESTART: a wait that the signal reaches
// ends at once.
void chytej_signaly() {
  for (const int sig : PRERUSUJICI) {
    struct sigaction stara {};
    if (::sigaction(sig, nullptr, &stara) != 0 || stara.sa_handler == SIG_IGN) continue;
    struct sigaction nova {};
    nova.sa_handler = pri_signalu;
    sigemptyset(&nova.sa_mask);
    ::sigaction(sig, &nova, nullptr);
  }
}

// Ends the process by the signal that interrupted the run, if one did.
void dokonci_signal() {
  for (const int sig : PRERUSUJICI) {
    struct sigaction stara {};
    if (::sigaction(sig, nullptr, &stara) == 0 && stara.sa_handler == pri_signalu)
      std::signal(sig, SIG_DFL);
  }
  if (const int sig = g_signal.load(); sig != 0) {
    sigset_t s;
    sigemptyset(&s);
    sigaddset(&s, sig);
    ::pthread_sigmask(SIG_UNBLOCK, &s, nullptr);
    ::raise(sig);
  }
}

// A small thread that keeps time for the run: every 100 ms it asks the run to write out
// what it holds, so that a file or a pipe sees the progress of a long computation. When an
// interruption has not ended the run within two seconds (its output is stuck in a write that
// nobody reads), it ends the process by the signal itself.
class Hlidac {
 public:
  explicit Hlidac(moxa::Budik& budik) : budik_(budik) {
    int p[2];
    if (::pipe2(p, O_CLOEXEC) != 0) return;
    konec_cteni_ = p[0];
    konec_zapis_ = p[1];
    pthread_attr_t attr;
    if (::pthread_attr_init(&attr) != 0) return;
    ::pthread_attr_setstacksize(&attr, moxa::HLIDAC_ZASOBNIK);
    // The signals go to the other threads, where they end waits.
    sigset_t vse, puvodni;
    sigemptyset(&vse);
    for (const int sig : PRERUSUJICI)
      sigaddset(&vse, sig);
    ::pthread_sigmask(SIG_BLOCK, &vse, &puvodni);
    bezi_ = ::pthread_create(&vlakno_, &attr, &Hlidac::hlidej, this) == 0;
    ::pthread_sigmask(SIG_SETMASK, &puvodni, nullptr);
    ::pthread_attr_destroy(&attr);
  }
  Hlidac(const Hlidac&) = delete;
  Hlidac& operator=(const Hlidac&) = delete;
  ~Hlidac() {
    if (bezi_) {
      const char b = 0;
      [[maybe_unused]] const ssize_t w = ::write(konec_zapis_, &b, 1);
      ::pthread_join(vlakno_, nullptr);
    }
    if (konec_cteni_ >= 0) ::close(konec_cteni_);
    if (konec_zapis_ >= 0) ::close(konec_zapis_);
  }

 private:
  static constexpr int TIKU_NA_PRERUSENI = moxa::HLIDAC_PRERUSENI_MS / moxa::HLIDAC_TIK_MS;

  static void* hlidej(void* p) {
    auto* h = static_cast<Hlidac*>(p);
    int od_preruseni = 0;
    for (;;) {
      pollfd konec{h->konec_cteni_, POLLIN, 0};
      const int n = ::poll(&konec, 1, moxa::HLIDAC_TIK_MS);
      if (n > 0) return nullptr;
      if (n < 0 && errno != EINTR) return nullptr;
      h->budik_.zazvon(moxa::Budik::VYPSAT);
      if (g_signal.load() != 0 && ++od_preruseni >= TIKU_NA_PRERUSENI) dokonci_signal();
    }
  }

  moxa::Budik& budik_;
  int konec_cteni_ = -1;
  int konec_zapis_ = -1;
  pthread_t vlakno_{};
  bool bezi_ = false;
};

}  // namespace

namespace moxa {

void zastav_prikaz() {
  if (moxa::Budik* budik = g_budik.load()) budik->zazvon(moxa::Budik::ZASTAVIT);
}

int prikaz(int argc, const char* const* argv, const Nastaveni& nastaveni) {
  otevri_zavrene_proudy();
  // A closed pipe must end the run quietly, not kill it: writes then fail instead.
  std::signal(SIGPIPE, SIG_IGN);

  // The alarm's pipe: readable once the run is asked to stop, so that waits for input end.
  int probuzeni[2] = {-1, -1};
  if (::pipe2(probuzeni, O_CLOEXEC | O_NONBLOCK) != 0) probuzeni[0] = probuzeni[1] = -1;
  int status = 0;
  {
    moxa::Budik budik(probuzeni[0], probuzeni[1]);
    moxa::CilSoubor cil(STDOUT_FILENO);
    moxa::Vystup out(cil, &budik);
    // A person at a terminal sees every line as it is printed; a file or a pipe gets blocks.
    out.po_radcich(::isatty(STDOUT_FILENO) == 1);
    moxa::SouborovyVstup std_in(STDIN_FILENO, &out);
    g_budik.store(&budik);
    chytej_signaly();
    {
      Hlidac hlidac(budik);
      moxa::Nastaveni s_zasobnikem = nastaveni;
      s_zasobnikem.na_zasobniku_volajiciho = zvetsi_hlavni_zasobnik();
      status = moxa::hlavni(argc, argv, std_in, out, s_zasobnikem);
    }
    dokonci_signal();
    g_budik.store(nullptr);
  }
  if (probuzeni[0] >= 0) ::close(probuzeni[0]);
  if (probuzeni[1] >= 0) ::close(probuzeni[1]);
  return status;
}

}  // namespace moxa
