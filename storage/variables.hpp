// The variable table: every variable of a run, global, created the first time an executed
// statement names it, alive to the end of the run. Found by hashing its name; a variable is
// known by its slot, which never changes, so a recorded token can keep it. A small memory of
// the names last found, keyed by a name's length and three of its bytes, finds the slot of a
// name met again (straight-line code names the same few variables over and over) without
// hashing it.
//
// Where the variable-table routines went (`hodnota_tab` is the slot's value in hand):
//   Vloz_do_tab                      `Vloz_do_tab`, which gives the slot
//   Vloz_obsah_tab, Nacti_obsah_tab  writing or reading `hodnota(slot)`
//   Uvolni_tab                       `Uvolni_tab`
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "expr/value.hpp"
#include "storage/hash_index.hpp"

namespace moxa {

class TabulkaPromennych {
 public:
  static constexpr std::int32_t ZADNA = -1;

  TabulkaPromennych() { vyprazdni_index(); }

  // Finds the variable named `jmeno` (with its '@'); when it is not there and `vytvorit` is
  // set, creates it with the value "hodnota neurcena". Returns its slot or ZADNA.
  std::int32_t Vloz_do_tab(std::string_view jmeno, bool vytvorit) {
    if (jmeno.empty()) return najdi(jmeno, vytvorit);
    // Two places per key, the name found last in the first.
    std::uint32_t* const m = naposled_.data() + klic(jmeno);
    if (m[0] != 0 && stejne(jmena_[m[0] - 1], jmeno)) return static_cast<std::int32_t>(m[0] - 1);
    if (m[1] != 0 && stejne(jmena_[m[1] - 1], jmeno)) {
      std::swap(m[0], m[1]);
      return static_cast<std::int32_t>(m[0] - 1);
    }
    const std::int32_t slot = najdi(jmeno, vytvorit);
    if (slot != ZADNA) {
      m[1] = m[0];
      m[0] = static_cast<std::uint32_t>(slot) + 1;
    }
    return slot;
  }

  Hodnota& hodnota(std::int32_t slot) { return hodnoty_[static_cast<std::size_t>(slot)]; }

  // Compiled code names a variable by its place: its value's offset from the table's first
  // value, counted in 8-byte units. The runner reaches the value with the place alone, scaled
  // in the address, without multiplying a slot by the size of a value. Every slot has a place
  // that fits 32 bits: the table holds at most NEJVIC variables.
  static constexpr std::uint32_t JEDNOTKA = 8;
  static constexpr std::uint32_t NA_SLOT = sizeof(Hodnota) / JEDNOTKA;
  static_assert(sizeof(Hodnota) % JEDNOTKA == 0 && alignof(Hodnota) <= JEDNOTKA);
  static constexpr std::size_t NEJVIC = UINT32_MAX / NA_SLOT;
  static constexpr std::uint32_t misto(std::int32_t slot) {
    return static_cast<std::uint32_t>(slot) * NA_SLOT;
  }
  static constexpr std::int32_t slot_mista(std::uint32_t misto) {
    return static_cast<std::int32_t>(misto / NA_SLOT);
  }
  Hodnota& na_miste(std::uint32_t misto) {
    return *reinterpret_cast<Hodnota*>(reinterpret_cast<std::byte*>(hodnoty_.data()) +
                                       std::size_t{misto} * JEDNOTKA);
  }
  // The name of the variable in `slot`, with its '@'.
  std::string_view jmeno(std::int32_t slot) const { return jmena_[static_cast<std::size_t>(slot)]; }

  // Bytes the table holds.
  std::size_t pamet() const;

  // Forgets every variable.
  void Uvolni_tab();

 private:
  // Where a name is remembered: its length and three of its bytes, mixed.
  static std::size_t klic(std::string_view s) {
    const std::size_t n = s.size();
    const auto b = [&](std::size_t i) {
      return static_cast<std::size_t>(static_cast<unsigned char>(s[i]));
    };
    return (n * 37 + b(n - 1) * 5 + b(n / 2) * 3 + b(n > 1 ? 1 : 0) * 11) & (POCET_NAPOSLED - 1);
  }
  // Compares whole blocks: a loop over the bytes would stop at a different byte for every
  // name, which the processor cannot foresee. A name of 4 to 16 bytes, as most are, is two
  // overlapping blocks of 4 or 8 bytes, compared in place without a call.
  template <typename B>
  static B blok(const char* p) {
    B b;
    std::memcpy(&b, p, sizeof b);
    return b;
  }
  template <typename B>
  static bool stejne_bloky(const char* x, const char* y, std::size_t n) {
    const std::size_t k = n - sizeof(B);
    return ((blok<B>(x) ^ blok<B>(y)) | (blok<B>(x + k) ^ blok<B>(y + k))) == 0;
  }
  static bool stejne(const std::string& a, std::string_view b) {
    const std::size_t n = b.size();
    if (a.size() != n) return false;
    if (n >= 8 && n <= 16) return stejne_bloky<std::uint64_t>(a.data(), b.data(), n);
    if (n >= 4 && n < 8) return stejne_bloky<std::uint32_t>(a.data(), b.data(), n);
    return std::memcmp(a.data(), b.data(), n) == 0;
  }
  std::int32_t najdi(std::string_view jmeno, bool vytvorit);
  void vyprazdni_index();

  std::vector<std::string> jmena_;
  std::vector<Hodnota> hodnoty_;
  IndexHashu index_;                  // the slots by name, kept at most half full
  std::vector<std::uint32_t> hashe_;  // the low bits of each variable's hash, by slot
  // The names last found: (slot + 1) or 0, at `klic` and the place after it.
  static constexpr std::size_t POCET_NAPOSLED = 256;
  std::array<std::uint32_t, POCET_NAPOSLED + 1> naposled_{};
};

}  // namespace moxa
