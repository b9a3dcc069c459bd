#include "storage/variables.hpp"

#include <algorithm>
#include <new>

namespace moxa {

namespace {
const std::string NEURCENA = "hodnota neurcena";

// The bytes of the block that vector `v` takes at its next push_back: none while it has
// room, a block of twice its capacity when full.
template <typename V>
std::size_t dalsi_blok(const V& v) {
  if (v.size() < v.capacity()) return 0;
  return std::max<std::size_t>(1, 2 * v.capacity()) * sizeof(typename V::value_type);
}
}  // namespace

// Makes the index empty at its starting size: 64 places; it doubles as variables are
// added. The memory of the names found last forgets them too.
void TabulkaPromennych::vyprazdni_index() {
  index_.vyprazdni(64);
  naposled_.fill(0);
}

std::int32_t TabulkaPromennych::najdi(std::string_view jmeno, bool vytvorit) {
  const std::uint64_t h = IndexHashu::hash(jmeno);
  const auto h32 = static_cast<std::uint32_t>(h);
  const IndexHashu::Nalez nalez = index_.najdi(
      h, [&](std::uint32_t slot) { return hashe_[slot] == h32 && jmena_[slot] == jmeno; });
  if (nalez.zaznam != IndexHashu::ZADNY) return static_cast<std::int32_t>(nalez.zaznam);
  if (!vytvorit) return ZADNA;
  // More variables than places in compiled code: out of memory for this run.
  if (jmena_.size() >= NEJVIC) throw std::bad_alloc();
  // Every block that the new variable makes the table take is charged before it is taken:
  // the name's own buffer (charged whole even where the name would fit in the text object
  // itself, since that room differs between standard libraries), each vector's next block
  // when it is full (the old block is freed only after the elements have moved), the doubled
  // index.
  std::size_t nove = jmeno.size() + 1;
  nove += dalsi_blok(jmena_) + dalsi_blok(hodnoty_) + dalsi_blok(hashe_);
  if ((jmena_.size() + 1) * 2 > index_.velikost()) nove += 2 * index_.pamet();
  Rozpocet::pridej(nove);
  const auto slot = static_cast<std::uint32_t>(jmena_.size());
  jmena_.emplace_back(jmeno);
  hodnoty_.push_back(Hodnota::text(NEURCENA, Ciselnost::Neni, 0.0));
  hashe_.push_back(h32);
  index_.vloz(nalez, slot);
  if (jmena_.size() * 2 > index_.velikost()) {
    index_.prestav(index_.velikost() * 2, slot + 1,
                   [&](std::uint32_t s) { return IndexHashu::hash(jmena_[s]); });
  }
  return static_cast<std::int32_t>(slot);
}

std::size_t TabulkaPromennych::pamet() const {
  std::size_t n = jmena_.capacity() * sizeof(std::string) + hodnoty_.capacity() * sizeof(Hodnota) +
                  index_.pamet() + hashe_.capacity() * sizeof(std::uint32_t);
  for (const std::string& j : jmena_)
    n += pamet_textu(j);
  for (const Hodnota& v : hodnoty_)
    n += v.pamet();
  return n;
}

void TabulkaPromennych::Uvolni_tab() {
  jmena_.clear();
  jmena_.shrink_to_fit();
  hodnoty_.clear();
  hodnoty_.shrink_to_fit();
  hashe_.clear();
  hashe_.shrink_to_fit();
  vyprazdni_index();
}

}  // namespace moxa
