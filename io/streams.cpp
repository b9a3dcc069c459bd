#include "io/streams.hpp"

#include <cerrno>
#include <charconv>
#include <new>

#include <unistd.h>

namespace moxa {

int Vstup::doplnit_a_cti() {
  if (skoncil_) return KONEC;
  doplnit();
  if (pozice_ == konec_) {
    skoncil_ = true;
    return KONEC;
  }
  return *pozice_++;
}

TextovyVstup::TextovyVstup(std::string_view text) : zbytek_(text) {}

void TextovyVstup::doplnit() {
  // Hands the whole text over at once; the second call finds nothing left.
  pozice_ = reinterpret_cast<const unsigned char*>(zbytek_.data());
  konec_ = pozice_ + zbytek_.size();
  zbytek_ = {};
}

void SouborovyVstup::doplnit() {
  pozice_ = konec_ = buf_;
  if (zavren_) return;
  if (vystup_ != nullptr) vystup_->vyprazdnit();
  for (;;) {
    const ssize_t n = ::read(fd_, buf_, sizeof buf_);
    if (n > 0) {
      konec_ = buf_ + n;
      return;
    }
    if (n < 0 && errno == EINTR) continue;
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

bool CilSoubor::zapis(const char* data, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd_, data, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    data += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

Vystup::Vystup(Cil& cil) : cil_(cil) {}

void Vystup::vyprazdnit() {
  if (delka_ != 0 && !selhal_ && !cil_.zapis(buf_.data(), delka_)) selhal_ = true;
  delka_ = 0;
}

void Vystup::pis_dlouhe(std::string_view text) {
  vyprazdnit();
  if (text.size() <= KAPACITA) {
    std::memcpy(buf_.data(), text.data(), text.size());
    delka_ = text.size();
  } else if (!selhal_ && !cil_.zapis(text.data(), text.size())) {
    selhal_ = true;
  }
}

void Vystup::pis_cislo(std::uint64_t n) {
  char digits[24];
  const auto res = std::to_chars(digits, digits + sizeof digits, n);
  pis(std::string_view(digits, static_cast<std::size_t>(res.ptr - digits)));
}

}  // namespace moxa
