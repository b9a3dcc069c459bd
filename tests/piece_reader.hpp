// A reader that hands its input over in pieces of a fixed number of bytes, each copied into
// the one buffer over the piece before it, as a file reader's refills are, so that a test can
// check that what is read does not depend on where the buffer's refills fall.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

#include "io/streams.hpp"

namespace kousky {

class PoKouskach final : public moxa::Vstup {
 public:
  PoKouskach(std::string_view text, std::size_t krok)
      : zbytek_(text), krok_(krok), buf_(krok == 0 ? 1 : krok) {}

 protected:
  void doplnit() override {
    const std::size_t n = zbytek_.size() < krok_ ? zbytek_.size() : krok_;
    if (n != 0) std::memcpy(buf_.data(), zbytek_.data(), n);
    pozice_ = buf_.data();
    konec_ = pozice_ + n;
    zbytek_.remove_prefix(n);
  }

 private:
  std::string_view zbytek_;
  std::size_t krok_;
  std::vector<unsigned char> buf_;
};

}  // namespace kousky
