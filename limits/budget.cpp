#include "limits/budget.hpp"

#include <algorithm>
#include <ctime>
#include <optional>

#include "io/streams.hpp"

namespace moxa {

namespace {
// The budget of the run executing on this thread (null: outside a run).
thread_local Rozpocet* aktivni = nullptr;

// The processor time the calling thread has taken; none where it cannot be read.
std::optional<std::chrono::nanoseconds> cas_vlakna() {
#ifdef CLOCK_THREAD_CPUTIME_ID
  timespec t{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) == 0)
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
#endif
  return std::nullopt;
}

// `od` plus `o`, or the farthest time the clock can tell when the sum would be past it: a
// limit of any size means at most that long. Neither is below zero.
constexpr auto NEJDAL = std::chrono::nanoseconds::max();

std::chrono::nanoseconds pozdeji(std::chrono::nanoseconds od, std::chrono::nanoseconds o) {
  return o >= NEJDAL - od ? NEJDAL : od + o;
}

std::chrono::nanoseconds z_milisekund(std::uint64_t ms) {
  constexpr std::uint64_t NEJVIC_MS = static_cast<std::uint64_t>(NEJDAL.count()) / 1'000'000;
  return ms >= NEJVIC_MS ? NEJDAL : std::chrono::milliseconds(static_cast<std::int64_t>(ms));
}

using Hodiny = std::chrono::steady_clock;

// `t` moved on by `d`, or the clock's last instant when that lies beyond it: a limit of any
// length means "at most that long", never a time in the past.
Hodiny::time_point posunuty(Hodiny::time_point t, Hodiny::duration d) {
  if (d <= Hodiny::duration::zero()) return t;
  return d >= Hodiny::time_point::max() - t ? Hodiny::time_point::max() : t + d;
}
}  // namespace

Hodiny::time_point Rozpocet::po(Hodiny::time_point t, std::uint64_t ms) {
  // Milliseconds that the clock's own unit cannot hold reach past its end anyway.
  constexpr std::uint64_t nejvic = static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Hodiny::duration::max()).count());
  if (ms >= nejvic) return Hodiny::time_point::max();
  return posunuty(t, std::chrono::duration_cast<Hodiny::duration>(
                         std::chrono::milliseconds(static_cast<std::int64_t>(ms))));
}

Rozpocet::Rozpocet(const Limity& limity, Vystup& out, std::size_t (*zmer)(const void*),
                   const void* data)
    : zbyva_(limity.kroky == 0 ? UINT64_MAX : limity.kroky),
      tichy_(limity.tichy),
      texty_(limity.texty),
      zivy_vystup_(limity.zivy_vystup),
      hodiny_(limity.cas_ms != 0 || limity.zivy_vystup),
      limit_(limity.pamet),
      out_(out),
      zmer_(zmer),
      data_(data) {
  const auto ted = std::chrono::steady_clock::now();
  std::optional<std::chrono::nanoseconds> procesor;
  if (limity.cas_ms != 0 && limity.cas_procesoru) procesor = cas_vlakna();
  if (procesor) {
    procesor_ = true;
    termin_procesoru_ = pozdeji(*procesor, z_milisekund(limity.cas_ms));
    termin_ = std::chrono::steady_clock::time_point::max();
  } else {
    termin_ =
        limity.cas_ms == 0 ? std::chrono::steady_clock::time_point::max() : po(ted, limity.cas_ms);
  }
  vypsano_ = ted;
  davka_ = static_cast<std::int64_t>(std::min<std::uint64_t>(DAVKA, zbyva_));
  do_kontroly_ = davka_;
}

Rozpocet::Aktivni::Aktivni(Rozpocet* r) : predchozi_(aktivni) { aktivni = r; }
Rozpocet::Aktivni::~Aktivni() { aktivni = predchozi_; }

Rozpocet::Cekani::Cekani() : od_(std::chrono::steady_clock::now()) {
  if (const Rozpocet* r = aktivni; r != nullptr && r->procesor_)
    od_procesoru_ = cas_vlakna().value_or(od_procesoru_);
}

Rozpocet::Cekani::~Cekani() {
  Rozpocet* r = aktivni;
  if (r == nullptr || !r->hodiny_) return;
  const auto ted = std::chrono::steady_clock::now();
  r->termin_ = posunuty(r->termin_, ted - od_);  // the last instant stays where it is
  // The processor time the host's read function took does not count either.
  if (r->procesor_) {
    const auto v_cekani = cas_vlakna().value_or(od_procesoru_) - od_procesoru_;
    if (v_cekani.count() > 0) r->termin_procesoru_ = pozdeji(r->termin_procesoru_, v_cekani);
  }
  r->vypsano_ = ted;  // everything was written out before the wait
}

// Settles the batch of steps that has just been overdrawn and grants the next one.
bool Rozpocet::kontrola() {
  if (!konec_) {
    const auto spotrebovano = static_cast<std::uint64_t>(davka_ - do_kontroly_);
    if (spotrebovano > zbyva_) {
      konec_ = true;
      if (tichy_) zastav(Duvod::Kroky);
    } else {
      zbyva_ -= spotrebovano;
    }
  }
  if (!konec_ && hodiny_) {
    const auto ted = std::chrono::steady_clock::now();
    if (cas_vyprsel(ted)) {
      konec_ = true;
      zastav(Duvod::Cas);
    } else if (zivy_vystup_ && ted - vypsano_ >= TIK) {
      out_.vyprazdnit();
      vypsano_ = ted;
    }
  }
  // Requests from outside the run: output to write out, a stop.
  if (!konec_ && out_.zada() && !out_.obsluz()) konec_ = true;
  davka_ = konec_ ? 0 : static_cast<std::int64_t>(std::min<std::uint64_t>(DAVKA, zbyva_));
  do_kontroly_ = davka_;
  return !konec_;
}

bool Rozpocet::cas_vyprsel(std::chrono::steady_clock::time_point ted) const {
  if (ted >= termin_) return true;
  if (!procesor_ || termin_procesoru_ == NEJDAL) return false;
  const std::optional<std::chrono::nanoseconds> spotrebovano = cas_vlakna();
  return spotrebovano && *spotrebovano >= termin_procesoru_;
}

void Rozpocet::pridej(std::size_t n) {
  Rozpocet* r = aktivni;
  if (r == nullptr) return;
  // Memory taken is work done, and more per byte than copying: fresh memory is mapped and
  // cleared page by page.
  if (r->texty_) r->za_text_(n * (BAJTU_NA_KROK / BAJTU_PAMETI_NA_KROK));
  if (r->limit_ != 0) r->pridej_(n);
}

void Rozpocet::za_text(std::size_t n) {
  if (Rozpocet* r = aktivni; r != nullptr && r->texty_) r->za_text_(n);
}

void Rozpocet::za_text_(std::size_t n) {
  if (!za_bajty(n)) throw Vycerpan();
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
  konec_ = true;
  out_.zastav();
}

}  // namespace moxa
