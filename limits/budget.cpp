#include "limits/budget.hpp"

#include <algorithm>

#include "io/streams.hpp"

namespace moxa {

namespace {
// The budget of the run executing on this thread (null: none, or outside a run).
thread_local Rozpocet* aktivni = nullptr;
}  // namespace

Rozpocet::Aktivni::Aktivni(Rozpocet* r) : predchozi_(aktivni) { aktivni = r; }
Rozpocet::Aktivni::~Aktivni() { aktivni = predchozi_; }

void Rozpocet::pridej(std::size_t n) {
  if (Rozpocet* r = aktivni; r != nullptr && r->limit_ != 0) r->pridej_(n);
}

void Rozpocet::kroky_dosly() {
  if (Rozpocet* r = aktivni; r != nullptr) r->zastav(Duvod::Kroky);
}

void Rozpocet::pridej_(std::size_t n) {
  pribylo_ += n;
  // Until the next check the run may grow by what is left of the limit, but at least by
  // half of it, so that checks stay rare however close to the limit the run holds.
  const std::size_t zbyva = zmereno_ < limit_ ? limit_ - zmereno_ : 0;
  if (pribylo_ <= std::max(zbyva, limit_ / 2)) return;
  zmereno_ = zmer_(data_);
  pribylo_ = n;
  if (zmereno_ > limit_ || n > limit_ - zmereno_) {
    zastav(Duvod::Pamet);
    throw Vycerpan();
  }
}

void Rozpocet::zastav(Duvod d) {
  if (duvod_ != Duvod::Zadny) return;
  duvod_ = d;
  out_.zastav();
}

}  // namespace moxa
