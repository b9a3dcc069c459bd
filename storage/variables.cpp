#include "storage/variables.hpp"

#include <algorithm>

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

std::uint64_t TabulkaPromennych::hash(std::string_view s) {
  // FNV-1a, finished with a multiply so the low bits mix well.
  std::uint64_t h = 1469598103934665603ULL;
  for (const char c : s) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ULL;
  }
  return h ^ (h >> 29);
}

// Makes the index empty at its starting size: 64 entries, a power of two, so that a hash
// masked with size - 1 lands in it; it doubles as variables are added. The memory of the
// names found last forgets them too.
void TabulkaPromennych::vyprazdni_index() {
  index_.assign(64, 0);
  naposled_.fill(0);
}

std::int32_t TabulkaPromennych::najdi(std::string_view jmeno, bool vytvorit) {
  const std::uint64_t h = hash(jmeno);
  const std::uint32_t h32 = static_cast<std::uint32_t>(h);
  const std::size_t maska = index_.size() - 1;
  std::size_t i = static_cast<std::size_t>(h) & maska;
  for (;; i = (i + 1) & maska) {
    const std::uint32_t e = index_[i];
    if (e == 0) break;
    const std::size_t slot = e - 1;
    if (hashe_[slot] == h32 && jmena_[slot] == jmeno) return static_cast<std::int32_t>(slot);
  }
  if (!vytvorit) return ZADNA;
  // Every block that the new variable makes the table take is charged before it is taken:
  // the name's own buffer, each vector's next block when it is full (the old block is freed
  // only after the elements have moved), the doubled index.
  std::size_t nove = jmeno.size() > 15 ? jmeno.size() + 1 : 0;
  nove += dalsi_blok(jmena_) + dalsi_blok(hodnoty_) + dalsi_blok(hashe_);
  if ((jmena_.size() + 1) * 2 > index_.size()) nove += 2 * index_.size() * sizeof(std::uint32_t);
  Rozpocet::pridej(nove);
  const std::size_t slot = jmena_.size();
  jmena_.emplace_back(jmeno);
  hodnoty_.push_back(Hodnota::text(NEURCENA, Ciselnost::Neni, 0.0));
  hashe_.push_back(h32);
  index_[i] = static_cast<std::uint32_t>(slot + 1);
  if (jmena_.size() * 2 > index_.size()) zvetsit();
  return static_cast<std::int32_t>(slot);
}

void TabulkaPromennych::zvetsit() {
  std::vector<std::uint32_t> nove(index_.size() * 2, 0);
  const std::size_t maska = nove.size() - 1;
  for (std::size_t slot = 0; slot < jmena_.size(); ++slot) {
    std::size_t i = static_cast<std::size_t>(hash(jmena_[slot])) & maska;
    while (nove[i] != 0)
      i = (i + 1) & maska;
    nove[i] = static_cast<std::uint32_t>(slot + 1);
  }
  index_.swap(nove);
}

std::size_t TabulkaPromennych::pamet() const {
  std::size_t n = jmena_.capacity() * sizeof(std::string) + hodnoty_.capacity() * sizeof(Hodnota) +
                  (index_.capacity() + hashe_.capacity()) * sizeof(std::uint32_t);
  for (const std::string& j : jmena_)
    n += j.capacity() > 15 ? j.capacity() + 1 : 0;
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
