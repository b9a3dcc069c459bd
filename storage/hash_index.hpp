// The hash index that the stores finding an entry by its text share (the variable table by
// name, a loop's literal pool by text): open addressing over entries that the store keeps
// numbered in vectors of its own. Each place holds (entry + 1), or 0 when empty; the number
// of places is a power of two, so that a hash masked with it lands in it, and the store
// keeps at most half of them full, so a search soon meets an empty place. A taken place
// sends the search on to the next one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace moxa {

class IndexHashu {
 public:
  static constexpr std::uint32_t ZADNY = UINT32_MAX;

  // The hash of a text: FNV-1a, finished with a shift so that the low bits mix well.
  static std::uint64_t hash(std::string_view s) {
    std::uint64_t h = 1469598103934665603ULL;
    for (const char c : s) {
      h ^= static_cast<unsigned char>(c);
      h *= 1099511628211ULL;
    }
    return h ^ (h >> 29);
  }

  // Where a search for hash `h` ended: the entry for which `stejny(entry)` holds, or
  // ZADNY and the empty place where such an entry belongs.
  struct Nalez {
    std::uint32_t zaznam;
    std::size_t misto;
  };
  template <class Stejny>
  Nalez najdi(std::uint64_t h, Stejny&& stejny) const {
    const std::size_t maska = mista_.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(h) & maska;; i = (i + 1) & maska) {
      const std::uint32_t e = mista_[i];
      if (e == 0) return {ZADNY, i};
      if (stejny(e - 1)) return {e - 1, i};
    }
  }

  // Puts entry `zaznam` at the empty place a search found.
  void vloz(const Nalez& kam, std::uint32_t zaznam) { mista_[kam.misto] = zaznam + 1; }

  // Builds the index anew with `velikost` places (a power of two) over entries 0 to
  // `pocet` - 1, entry e having hash `hash_zaznamu(e)`.
  template <class HashZaznamu>
  void prestav(std::size_t velikost, std::uint32_t pocet, HashZaznamu&& hash_zaznamu) {
    std::vector<std::uint32_t> nova(velikost, 0);
    const std::size_t maska = velikost - 1;
    for (std::uint32_t e = 0; e < pocet; ++e) {
      std::size_t i = static_cast<std::size_t>(hash_zaznamu(e)) & maska;
      while (nova[i] != 0)
        i = (i + 1) & maska;
      nova[i] = e + 1;
    }
    mista_.swap(nova);
  }

  // Forgets every entry, leaving `velikost` empty places (0: none; the first search must
  // then wait for `prestav`).
  void vyprazdni(std::size_t velikost) { mista_.assign(velikost, 0); }
  // Gives back the room of an index that has grown past `ponechat` places.
  void uvolni(std::size_t ponechat) {
    if (mista_.capacity() > ponechat) mista_.shrink_to_fit();
  }

  std::size_t velikost() const { return mista_.size(); }
  // Bytes the index holds.
  std::size_t pamet() const { return mista_.capacity() * sizeof(std::uint32_t); }

 private:
  std::vector<std::uint32_t> mista_;
};

}  // namespace moxa
