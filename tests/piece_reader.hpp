// A reader that hands its input over in pieces of a fixed number of bytes, so that a test can
// check that what is read does not depend on where the buffer's refills fall.
#pragma once

#include <cstddef>
#include <string_view>

#include "io/streams.hpp"

namespace kousky {

class PoKouskach final : public moxa::Vstup {
 public:
  PoKouskach(std::string_view text, std::size_t krok) : zbytek_(text), krok_(krok) {}

 protected:
  void doplnit() override {
    const std::size_t n = zbytek_.size() < krok_ ? zbytek_.size() : krok_;
    pozice_ = reinterpret_cast<const unsigned char*>(zbytek_.data());
    konec_ = pozice_ + n;
    zbytek_.remove_prefix(n);
  }

 private:
  std::string_view zbytek_;
  std::size_t krok_;
};

}  // namespace kousky
