// The value stack: every operand pushes its value, every operator pops its operands and
// pushes its result, every statement that consumes an expression pops its value. The parser
// touches it only while executing; code that is passed over leaves it as it was.
#pragma once

#include <utility>
#include <vector>

#include "expr/value.hpp"

namespace moxa {

class ZasobnikHodnot {
 public:
  void Vloz_do_zas(Value v) { polozky_.push_back(std::move(v)); }

  // Pops the top value; on an empty stack the value is the empty text.
  Value Uber_ze_zas() {
    if (polozky_.empty()) return Value();
    Value v = std::move(polozky_.back());
    polozky_.pop_back();
    return v;
  }

  std::size_t hloubka() const { return polozky_.size(); }

  void Uvolni_zas() {
    polozky_.clear();
    polozky_.shrink_to_fit();
  }

 private:
  std::vector<Value> polozky_;
};

}  // namespace moxa
