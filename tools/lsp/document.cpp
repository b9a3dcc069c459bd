#include "tools/lsp/document.hpp"

#include <algorithm>
#include <utility>

namespace moxa::lsp {

namespace {

// UTF-16 code units of the character whose first byte is `c`: 2 for a four-byte sequence,
// 0 for a continuation byte (counted with its lead), 1 otherwise. The text comes as UTF-8
// inside JSON, which the parser has checked.
std::uint32_t jednotky(unsigned char c) {
  if (c >= 0x80 && c < 0xC0) return 0;
  return c >= 0xF0 ? 2 : 1;
}

}  // namespace

Dokument::Dokument(std::string text, std::int64_t verze) : text_(std::move(text)), verze_(verze) {
  spocitej_radky();
}

void Dokument::spocitej_radky() {
  zacatky_.assign(1, 0);
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') ++i;
    if (text_[i] == '\n' || text_[i] == '\r') zacatky_.push_back(i + 1);
  }
}

std::size_t Dokument::konec_radku(std::size_t radek) const {
  if (radek + 1 >= zacatky_.size()) return text_.size();
  std::size_t k = zacatky_[radek + 1] - 1;
  if (text_[k] == '\n' && k > zacatky_[radek] && text_[k - 1] == '\r') --k;
  return k;
}

Pozice Dokument::pozice(std::size_t bajt) const {
  bajt = std::min(bajt, text_.size());
  const auto za = std::upper_bound(zacatky_.begin(), zacatky_.end(), bajt);
  const auto radek = static_cast<std::size_t>(za - zacatky_.begin()) - 1;
  const std::size_t po = std::min(bajt, konec_radku(radek));
  Misto m{radek, zacatky_[radek], 0};
  if (posledni_.radek == radek && posledni_.bajt <= po) m = posledni_;
  for (; m.bajt < po; ++m.bajt)
    m.znak += jednotky(static_cast<unsigned char>(text_[m.bajt]));
  posledni_ = m;
  return {static_cast<std::uint32_t>(radek), m.znak};
}

std::size_t Dokument::bajt(Pozice p) const {
  if (p.radek >= zacatky_.size()) return text_.size();
  const std::size_t konec = konec_radku(p.radek);
  std::size_t i = zacatky_[p.radek];
  std::uint32_t znak = 0;
  while (i < konec && znak < p.znak) {
    znak += jednotky(static_cast<unsigned char>(text_[i]));
    ++i;
    while (i < konec && jednotky(static_cast<unsigned char>(text_[i])) == 0)
      ++i;
  }
  return i;
}

const kontrola::Rozklad& Dokument::rozklad() const {
  if (!rozklad_) rozklad_ = kontrola::rozloz(text_);
  return *rozklad_;
}

void Dokument::nahrad(std::size_t od, std::size_t po, const std::string& novy, std::int64_t verze) {
  od = std::min(od, text_.size());
  po = std::clamp(po, od, text_.size());
  text_.replace(od, po - od, novy);
  verze_ = verze;
  rozklad_.reset();
  posledni_ = Misto{};
  spocitej_radky();
}

}  // namespace moxa::lsp
