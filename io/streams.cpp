#include "io/streams.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <new>

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moxa {

int Vstup::doplnit_a_cti() {
  if (skoncil_) return KONEC;
  // The buffer that ends here has been taken whole: its end is the offset of the next one.
  const std::uint64_t pred = precteno_do(konec_);
  if (drzitel_ != nullptr && !trvaly_) drzitel_->pred_doplnenim();
  doplnit();
  const auto n = static_cast<std::size_t>(konec_ - pozice_);
  prijato_ += n;
  zaklad_ = pred - reinterpret_cast<std::uintptr_t>(pozice_);
  if (pozice_ == konec_) {
    skoncil_ = true;
    return KONEC;
  }
  if (prijato_ > BLOK && hlidac_ != nullptr) [[unlikely]] {
    // A token or a skip has outgrown a block: its bytes are reported as they come in, so
    // that the run's limits hold inside it too.
    const std::uint64_t prijato = prijato_ & ~DLOUHE;
    prijato_ = DLOUHE;
    if (!hlidac_->dlouhe_cteni(prijato, n)) {
      pozice_ = konec_;
      skoncil_ = true;
      return KONEC;
    }
  }
  return *pozice_++;
}

void Budik::zazvon(unsigned co) noexcept {
  zadost_.fetch_or(co, std::memory_order_release);
  if ((co & ZASTAVIT) != 0 && probudit_ >= 0) {
    const char b = 0;
    [[maybe_unused]] const ssize_t w = ::write(probudit_, &b, 1);  // a full pipe is awake too
  }
}

bool cekej(int fd, short udalost, const Budik* budik) {
  pollfd p[2] = {{fd, udalost, 0}, {budik != nullptr ? budik->cekani() : -1, POLLIN, 0}};
  for (;;) {
    const int n = ::poll(p, 2, -1);  // an entry with fd -1 is left out
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (p[1].revents != 0) return false;
    if (p[0].revents != 0) return true;  // ready, or an error that the next call reports
  }
}

TextovyVstup::TextovyVstup(std::string_view text) : zbytek_(text) { trvaly_ = true; }

void TextovyVstup::doplnit() {
  // Hands the text over a block at a time; the call after the last finds nothing left.
  const std::size_t n = std::min(zbytek_.size(), BLOK);
  pozice_ = reinterpret_cast<const unsigned char*>(zbytek_.data());
  konec_ = pozice_ + n;
  zbytek_.remove_prefix(n);
}

SouborovyVstup::SouborovyVstup(int fd, Vystup* vystup) : fd_(fd), vystup_(vystup) {
  struct stat st {};
  vzdy_pripraven_ = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

bool SouborovyVstup::zastaveno() const {
  if (vystup_ == nullptr) return false;
  if (vystup_->zada()) vystup_->obsluz();
  return vystup_->zastaveno();
}

void SouborovyVstup::doplnit() {
  pozice_ = konec_ = buf_;
  if (zavren_ || zastaveno()) return;
  const Budik* budik = vystup_ != nullptr ? &vystup_->budik() : nullptr;
  bool cekat = !vzdy_pripraven_;  // poll first: the output is flushed only before a real wait
  for (;;) {
    if (cekat) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 0) <= 0) {
        if (vystup_ != nullptr) vystup_->vyprazdnit();
        if (!cekej(fd_, POLLIN, budik)) {
          zastaveno();  // serves the stop that ended the wait: nothing more is printed
          return;
        }
      }
    }
    const ssize_t n = ::read(fd_, buf_, sizeof buf_);
    if (n > 0) {
      konec_ = buf_ + n;
      return;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Interrupted, or nothing yet on a non-blocking descriptor: wait and try again.
      if (zastaveno()) return;
      cekat = true;
      continue;
    }
    return;  // end of input, or a read error, which counts as the end
  }
}

bool SouborovyVstup::zavrit() {
  zavren_ = true;
  return ::close(fd_) == 0;
}

bool CilRetezec::zapis(const char* data, std::size_t n) {
  if (limit_ != 0 && text_.size() + n > limit_) return false;
  try {
    text_.append(data, n);
  } catch (const std::bad_alloc&) {
    return false;  // no memory to keep the output: as if the disk were full
  }
  return true;
}

bool CilFunkce::zapis(const char* data, std::size_t n) {
  bool vejde_se = true;
  if (limit_ != 0 && n > limit_ - dodano_) {
    n = limit_ - dodano_;
    vejde_se = false;
    prekrocen_ = true;
  }
  dodano_ += n;
  return funkce_(user_, data, n) && vejde_se;
}

bool CilSoubor::zapis(const char* data, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd_, data, n);
    if (w > 0) {
      data += w;
      n -= static_cast<std::size_t>(w);
    } else if (w < 0 && errno == EINTR) {
      continue;
    } else if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!cekej(fd_, POLLOUT, nullptr)) return false;  // a non-blocking descriptor is full
    } else {
      return false;  // a closed pipe, a full disk, ...
    }
  }
  return true;
}

bool CilSoubor::zije() {
  // A pipe whose reader has closed it reports an error to poll, before any write.
  pollfd p{fd_, 0, 0};
  return ::poll(&p, 1, 0) <= 0 || (p.revents & POLLERR) == 0;
}

Vystup::Vystup(Cil& cil, Budik* budik)
    : cil_(cil), budik_(budik != nullptr ? budik : &vlastni_budik_) {}

void Vystup::vyprazdnit() {
  if (delka_ != 0 && !selhal_ && !cil_.zapis(buf_.data(), delka_)) selhal_ = true;
  delka_ = 0;
}

bool Vystup::obsluz() {
  const unsigned co = budik_->vyzvedni();
  if ((co & Budik::ZASTAVIT) != 0) {
    vyprazdnit();
    zastaveno_ = true;
    selhal_ = true;  // nothing after the stop is written
  } else if ((co & Budik::VYPSAT) != 0) {
    if (delka_ != 0) {
      vyprazdnit();
    } else if (!selhal_ && !cil_.zije()) {
      selhal_ = true;  // a silent program whose reader has gone ends as a writing one would
    }
  }
  return !selhal_;
}

void Vystup::pis_pomalu(std::string_view text) {
  if (delka_ + text.size() > KAPACITA) vyprazdnit();
  if (text.size() <= KAPACITA) {
    std::memcpy(buf_.data() + delka_, text.data(), text.size());
    delka_ += text.size();
    if (po_radcich_ && std::memchr(text.data(), '\n', text.size()) != nullptr) vyprazdnit();
  } else if (!selhal_ && !cil_.zapis(text.data(), text.size())) {
    selhal_ = true;
  }
}

void Vystup::pis_pomalu(char c) {
  if (delka_ == KAPACITA) vyprazdnit();
  buf_[delka_++] = c;
  if (po_radcich_ && c == '\n') vyprazdnit();
}

void Vystup::pis_cislo(std::uint64_t n) {
  char digits[24];
  const auto res = std::to_chars(digits, digits + sizeof digits, n);
  pis(std::string_view(digits, static_cast<std::size_t>(res.ptr - digits)));
}

}  // namespace moxa
