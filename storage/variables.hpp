// The variable table: every variable of a run, global, created the first time an executed
// statement names it, alive to the end of the run. Found by hashing its name; a variable is
// known by its slot, which never changes, so a recorded token can keep it.
//
// Where the variable-table routines went (`hodnota_tab` is the slot's value in hand):
//   Vloz_do_tab                      `Vloz_do_tab`, which gives the slot
//   Vloz_obsah_tab, Nacti_obsah_tab  writing or reading `hodnota(slot)`
//   Uvolni_tab                       `Uvolni_tab`
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "expr/value.hpp"

namespace moxa {

class TabulkaPromennych {
 public:
  static constexpr std::int32_t ZADNA = -1;

  TabulkaPromennych() { uvolnene_sloty(); }

  // Finds the variable named `jmeno` (with its '@'); when it is not there and `vytvorit` is
  // set, creates it with the value "hodnota neurcena". Returns its slot or ZADNA.
  std::int32_t Vloz_do_tab(std::string_view jmeno, bool vytvorit);

  Value& hodnota(std::int32_t slot) { return hodnoty_[static_cast<std::size_t>(slot)]; }

  // Bytes the table holds.
  std::size_t pamet() const;

  // Forgets every variable.
  void Uvolni_tab();

 private:
  static std::uint64_t hash(std::string_view s);
  void uvolnene_sloty();
  void zvetsit();

  std::vector<std::string> jmena_;
  std::vector<Value> hodnoty_;
  // Open addressing: each entry is (slot + 1) or 0 for empty; kept at most half full.
  std::vector<std::uint32_t> index_;
  std::vector<std::uint32_t> hashe_;  // the low bits of each variable's hash, by slot
};

}  // namespace moxa
