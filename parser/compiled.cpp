#include "parser/compiled.hpp"

namespace moxa {

// The code grows by half its size at a time, so that the unused room stays below a third
// of what it holds.
void KodCyklu::rust() {
  if (slova_.size() < slova_.capacity()) return;
  slova_.reserve(slova_.capacity() < 64 ? 64 : slova_.capacity() + slova_.capacity() / 2);
}

void KodCyklu::pridej(Instrukce i, std::uint32_t arg) {
  rust();
  if (arg < DLOUHY) {
    slova_.push_back(static_cast<std::uint32_t>(i) | (arg << 8));
    return;
  }
  slova_.push_back(static_cast<std::uint32_t>(i) | (DLOUHY << 8));
  rust();
  slova_.push_back(arg);
}

KodCyklu::Pozice KodCyklu::pridej_s_misty(Instrukce i, int n) {
  pridej(i);
  const Pozice p = delka();
  for (int k = 0; k < n; ++k) {
    rust();
    slova_.push_back(0);
  }
  return p;
}

std::uint32_t KodCyklu::literal(const Token& t) {
  const auto [it, nove] =
      index_literalu_.try_emplace(t.text, static_cast<std::uint32_t>(literaly_.size()));
  if (nove) {
    Value& v = literaly_.emplace_back();
    t.vloz_literal(v);
  }
  return it->second;
}

void KodCyklu::vyprazdni() {
  constexpr std::size_t PONECHAT = std::size_t{1} << 16;
  slova_.clear();
  if (slova_.capacity() > PONECHAT) slova_.shrink_to_fit();
  literaly_.clear();
  if (literaly_.capacity() > PONECHAT) literaly_.shrink_to_fit();
  index_literalu_.clear();
  if (index_literalu_.bucket_count() > PONECHAT) index_literalu_.rehash(0);
}

}  // namespace moxa
