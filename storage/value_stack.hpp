// The value stack: every operand pushes its value, every operator pops its operands and
// pushes its result, every statement that consumes an expression pops its value. The parser
// touches it only while executing; code that is passed over leaves it as it was.
//
// Slots above the top are kept with their text buffers, so a push into a slot that held a
// text before needs no allocation. Operators work in place: the left operand's slot takes
// the result and the right operand's slot is dropped.
//
// Where the value-stack routines went (`hodnota_zas` is the slot or reference in hand):
//   Vloz_do_zas   `Vloz_do_zas`, or `pridej` and filling the slot in place
//   Uber_ze_zas   `vrchol` then `zahod`, or `Uber_pravdivost` when only the truth is wanted
//   Uvolni_zas    `Uvolni_zas`
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "expr/value.hpp"
#include "limits/budget.hpp"

namespace moxa {

class ZasobnikHodnot {
 public:
  ZasobnikHodnot() = default;
  // The bounds point into the stack's own block: a copy would share it.
  ZasobnikHodnot(const ZasobnikHodnot&) = delete;
  ZasobnikHodnot& operator=(const ZasobnikHodnot&) = delete;

  // Pushes a slot for the caller to fill (its old contents are to be overwritten).
  [[gnu::always_inline]] Hodnota& pridej() {
    if (vrch_ == konec_) rozsir();
    return *vrch_++;
  }
  // Pushes a copy of `v`, which must not live in this stack.
  [[gnu::always_inline]] void Vloz_do_zas(const Hodnota& v) { pridej() = v; }

  // Pops the top value and tells whether it is true by the truth rule of conditions.
  bool Uber_pravdivost() {
    if (vrch_ == dno_) return Hodnota().pravda();
    return (--vrch_)->pravda();
  }

  // Makes sure that `n` values can be popped. Popping from an empty stack gives the empty
  // text, so the missing values are empty texts below the bottom.
  [[gnu::always_inline]] void zajisti(std::size_t n) {
    if (vyska() < n) doplnit(n);
  }
  Hodnota& vrchol() { return vrch_[-1]; }
  Hodnota& pod_vrcholem() { return vrch_[-2]; }
  // Drops the top value.
  void zahod() { --vrch_; }
  // Whether a push needs no new block.
  bool ma_volno() const { return vrch_ != konec_; }

  // The values on the stack, bottom first, for the trace.
  std::size_t vyska() const { return static_cast<std::size_t>(vrch_ - dno_); }
  const Hodnota& na(std::size_t i) const { return sloty_[i]; }
  // The text of the value on top, or the empty text that a pop from an empty stack gives.
  std::string_view vrchol_text() const {
    return vrch_ == dno_ ? std::string_view() : vrch_[-1].text();
  }

  // Bytes the stack holds, free slots and their buffers included.
  std::size_t pamet() const {
    std::size_t n = sloty_.capacity() * sizeof(Hodnota);
    for (const Hodnota& v : sloty_)
      n += v.pamet();
    return n;
  }

  void Uvolni_zas() {
    sloty_.clear();
    sloty_.shrink_to_fit();
    nastav_meze(0);
  }

 private:
  [[gnu::noinline]] void doplnit(std::size_t n) {
    // An insert grows the block to at least twice its size.
    const std::size_t chybi = n - vyska();
    Rozpocet::pridej((sloty_.size() + std::max(sloty_.size(), chybi)) * sizeof(Hodnota));
    sloty_.insert(sloty_.begin(), chybi, Hodnota());
    nastav_meze(n);
  }
  void rozsir() {
    const std::size_t nove = sloty_.size() < 16 ? 16 : sloty_.size() * 2;
    Rozpocet::pridej(nove * sizeof(Hodnota));  // the new block lives beside the old one a while
    const std::size_t vyska = this->vyska();
    sloty_.resize(nove);
    nastav_meze(vyska);
  }
  // Points the bounds into the slots' block as it now is, with `vyska` values on it.
  void nastav_meze(std::size_t vyska) {
    dno_ = sloty_.data();
    vrch_ = dno_ + vyska;
    konec_ = dno_ + sloty_.size();
  }

  // Every slot holds a valid value; those from `vrch_` on are free. The bounds point into
  // the slots' block (the top's place is a pointer, so that an operand on top is reached
  // with one load).
  std::vector<Hodnota> sloty_;
  Hodnota* dno_ = nullptr;
  Hodnota* vrch_ = nullptr;   // one past the top value
  Hodnota* konec_ = nullptr;  // one past the last slot
};

}  // namespace moxa
