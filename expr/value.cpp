#include "expr/value.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "expr/number_bridge.hpp"

namespace moxa {

namespace {

bool je_cislice(char c) { return c >= '0' && c <= '9'; }

// Where the reading reports a number out of the double range, decides between infinity and
// zero from the decimal exponent of the leading digit of `t`, the text of the number alone.
double mimo_rozsah(std::string_view t) {
  std::size_t i = 0;
  const bool zaporne = i < t.size() && t[i] == '-';
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  std::int64_t rad = 0;  // decimal exponent of the first nonzero digit, before the 'e' part
  bool nenulova = false;
  std::int64_t celych = 0;
  for (; i < t.size() && je_cislice(t[i]); ++i) {
    if (t[i] != '0') nenulova = true;
    if (nenulova) ++celych;
  }
  if (nenulova) {
    rad = celych - 1;
  } else if (i < t.size() && t[i] == '.') {
    std::int64_t nul = 0;
    for (++i; i < t.size() && t[i] == '0'; ++i)
      ++nul;
    rad = -(nul + 1);
  }
  while (i < t.size() && (je_cislice(t[i]) || t[i] == '.'))
    ++i;
  if (i + 1 < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    std::size_t j = i + 1;
    const bool zap_exp = t[j] == '-';
    if (t[j] == '+' || t[j] == '-') ++j;
    std::int64_t exp = 0;
    for (; j < t.size() && je_cislice(t[j]); ++j) {
      if (exp < 1'000'000'000) exp = exp * 10 + (t[j] - '0');
    }
    rad += zap_exp ? -exp : exp;
  }
  const double velikost = rad > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return zaporne ? -velikost : velikost;
}

}  // namespace

bool Je_cislo(std::string_view text) {
  if (text.empty()) return false;
  if (je_cislice(text[0])) return true;
  return (text[0] == '+' || text[0] == '-') && text.size() > 1 && je_cislice(text[1]);
}

double cteni_textu(std::string_view text) {
  // Most texts are short numbers: whole, with a fraction or with an exponent, of at most
  // 15 digits and a power of ten up to 10^22.
  {
    const char* p = text.data();
    const char* const e = p + text.size();
    const bool zaporne = p != e && *p == '-';
    if (p != e && (*p == '-' || *p == '+')) ++p;
    std::uint64_t n = 0;
    int cislic = 0;
    const auto cislice = [&] {
      const char* const od = p;
      while (p != e && je_cislice(*p) && cislic < 15) {
        n = n * 10 + static_cast<std::uint64_t>(*p++ - '0');
        ++cislic;
      }
      return static_cast<int>(p - od);
    };
    bool jde = cislice() > 0;
    int mocnina = 0;
    if (jde && p != e && *p == '.') {
      ++p;
      mocnina = -cislice();
      jde = mocnina < 0;
    }
    if (jde && p != e && (*p == 'e' || *p == 'E')) {
      ++p;
      const bool zaporny = p != e && *p == '-';
      if (p != e && (*p == '-' || *p == '+')) ++p;
      int exponent = 0;
      const char* const od = p;
      while (p != e && je_cislice(*p) && p - od < 3)
        exponent = exponent * 10 + (*p++ - '0');
      jde = p != od;
      mocnina += zaporny ? -exponent : exponent;
    }
    const bool dal = p != e && (je_cislice(*p) || *p == '.' || *p == 'e' || *p == 'E');
    if (jde && !dal && mocnina >= -22 && mocnina <= 22) return cteni_kratkeho(n, mocnina, zaporne);
  }
  const char* zacatek = text.data();
  const char* konec = zacatek + text.size();
  if (zacatek != konec && *zacatek == '+') ++zacatek;  // the reading takes no '+'
  const auto res = cisla::precti(zacatek, konec);
  if (res.mimo_rozsah) {
    // Only the part that forms the number counts (it ends at a second '.', say).
    return mimo_rozsah(
        std::string_view(text.data(), static_cast<std::size_t>(res.konec - text.data())));
  }
  if (!res.ok) return 0.0;
  return res.hodnota;
}

std::string format_f(double d) {
  if (std::isnan(d)) return "nan";
  if (std::isinf(d)) return d > 0 ? "inf" : "-inf";
  char buf[cisla::DELKA_F6];
  return std::string(buf, cisla::zapis_f6(d, buf));
}

// The results that are not whole numbers of modest size.
void Hodnota::nastav_zlomek(double r) {
  text_hotov_ = false;
  if (!std::isfinite(r)) {
    forma_ = Forma::Text;
    text_.assign(format_f(r));
    ciselnost_ = Ciselnost::Neni;
    return;
  }
  const double a = std::fabs(r);
  forma_ = Forma::Pevna;
  if (a < 4.0e9) {
    // Round r to six decimals through its scaled value t = r * 1e6. The product is off
    // the exact one by at most half an ulp, so unless t lies that close to a half-integer,
    // it rounds to the same integer as the exact product; and then rt / 1e6, a correctly
    // rounded division, is exactly the double that reading the "%f" text gives.
    const double t = r * 1e6;
    const double posun = 0x1.8p52;  // adding and removing it rounds to an integer, ties to even
    const double rt = (t + posun) - posun;
    if (0.5 - std::fabs(t - rt) > std::fabs(t) * 0x1p-52) {
      cislo_ = std::copysign(rt / 1e6, r);
      return;
    }
  } else if (a >= 0x1p52) {
    forma_ = Forma::Cela;
    cislo_ = r;  // every double this large is a whole number
    return;
  }
  // A tie, or a fraction too large for the fast rounding: format for real, read it back.
  forma_ = Forma::Text;
  text_.assign(format_f(r));
  cislo_ = cteni_textu(text_.view());
  ciselnost_ = Ciselnost::Je;
}

void Hodnota::klasifikuj() const {
  if (Je_cislo(text_.view())) {
    cislo_ = cteni_textu(text_.view());
    ciselnost_ = Ciselnost::Je;
  } else {
    ciselnost_ = Ciselnost::Neni;
  }
}

void Hodnota::vytvor_text() const {
  if (forma_ == Forma::Pravdivost) {
    text_.assign(std::string_view(cislo_ != 0.0 ? "1" : "0"));
  } else if (forma_ == Forma::Psana) {
    char k[24];
    const auto konec = std::to_chars(k, k + sizeof k, static_cast<std::int64_t>(cislo_));
    text_.assign(std::string_view(k, static_cast<std::size_t>(konec.ptr - k)));
  } else {
    text_.assign(format_f(cislo_));
  }
  text_hotov_ = true;
}

}  // namespace moxa
