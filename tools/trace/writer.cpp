#include "tools/trace/writer.hpp"

#include <cerrno>
#include <string_view>

#include <unistd.h>

#include "driver/command.hpp"

namespace moxa::tools {

void Zapisovac::radek(void* user, const char* data, std::size_t n) {
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

void Zapisovac::vyprazdni() {
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

}  // namespace moxa::tools
