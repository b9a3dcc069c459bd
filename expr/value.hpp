// Values: every value of the language is a text. A value counts as a number when its text
// starts like one (`Je_cislo`); arithmetic reads such texts as doubles (`cteni`) and writes
// its results back as "%f" texts. To keep arithmetic fast, a computed result is carried as
// its double and formatted only when its text is looked at; the observable behaviour is
// exactly that of formatting every result at once and reading it again.
#pragma once

#include <algorithm>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "limits/budget.hpp"
#include "limits/limits.hpp"

namespace moxa {

// The number test: the text starts with a digit, or with '+' or '-' and a digit.
bool Je_cislo(std::string_view text);

// The numeric reading of a text that passes the number test: the longest decimal prefix
// (sign, digits, optional '.' and digits, optional exponent), ',' ending the number,
// overflow to infinity, underflow to zero.
double cteni_textu(std::string_view text);

// The powers of ten that a double holds exactly.
inline constexpr double MOCNINY_DESETI[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The reading of a number of at most 15 digits `n` times ten to `mocnina` (-22 to 22): the
// digits make an exact integer and the power of ten is exact, so one multiplication or
// division rounds the number correctly.
inline double cteni_kratkeho(std::uint64_t n, int mocnina, bool zaporne) {
  double d = static_cast<double>(n);
  d = mocnina < 0 ? d / MOCNINY_DESETI[-mocnina] : d * MOCNINY_DESETI[mocnina];
  return zaporne ? -d : d;
}

// The "%f" text of a double, with "inf", "-inf" and "nan" for the values that are not finite.
std::string format_f(double d);

// What is known about a text's number test and reading.
enum class Ciselnost : std::uint8_t { Nevime, Neni, Je };

// The text of a value: kept inline when short, as most values are, so that copying it
// moves a few bytes and allocates nothing; kept in a std::string when longer.
class Retezec {
 public:
  Retezec() = default;
  Retezec(const Retezec& o) { *this = o; }
  Retezec(Retezec&& o) noexcept { *this = std::move(o); }
  Retezec& operator=(const Retezec& o) {
    if (o.dlouhy_) {
      pred_zapisem(o.d_.size(), o.d_.size());
      d_ = o.d_;
    } else {
      std::memcpy(k_, o.k_, sizeof k_);
      n_ = o.n_;
    }
    dlouhy_ = o.dlouhy_;
    return *this;
  }
  Retezec& operator=(Retezec&& o) noexcept {
    if (o.dlouhy_) {
      d_.swap(o.d_);  // each keeps a buffer for later
      dlouhy_ = true;
      o.dlouhy_ = false;
      o.n_ = 0;
    } else {
      std::memcpy(k_, o.k_, sizeof k_);
      n_ = o.n_;
      dlouhy_ = false;
    }
    return *this;
  }
  ~Retezec() = default;

  std::string_view view() const {
    return dlouhy_ ? std::string_view(d_) : std::string_view(k_, n_);
  }
  std::size_t size() const { return dlouhy_ ? d_.size() : n_; }
  // Bytes held outside the object: the buffer of a long text, kept also after the text
  // became short again.
  std::size_t pamet() const { return pamet_textu(d_); }
  bool empty() const { return size() == 0; }

  void assign(std::string_view t) {
    if (t.size() <= sizeof k_) {
      std::memcpy(k_, t.data(), t.size());
      n_ = static_cast<std::uint8_t>(t.size());
      dlouhy_ = false;
    } else {
      pred_zapisem(t.size(), t.size());
      d_.assign(t);
      dlouhy_ = true;
    }
  }
  // Takes over the buffer of `t` (charged by whoever grew it).
  void assign(std::string&& t) {
    if (t.size() <= sizeof k_) {
      assign(std::string_view(t));
    } else {
      d_ = std::move(t);
      dlouhy_ = true;
    }
  }
  // A std::string keeps at least 16 readable bytes (its inline buffer, or a larger block),
  // so a short one is copied with one fixed-size move.
  void assign(const std::string& t) {
    static_assert(sizeof k_ >= 16);
    if (t.size() < 16) {
      std::memcpy(k_, t.data(), 16);
      n_ = static_cast<std::uint8_t>(t.size());
      dlouhy_ = false;
    } else {
      assign(std::string_view(t));
    }
  }
  void append(std::string_view t) {
    if (!dlouhy_ && n_ + t.size() <= sizeof k_) {
      std::memcpy(k_ + n_, t.data(), t.size());
      n_ = static_cast<std::uint8_t>(n_ + t.size());
      return;
    }
    pred_zapisem((dlouhy_ ? d_.size() : n_) + t.size(), t.size());
    if (!dlouhy_) {
      d_.assign(k_, n_);
      dlouhy_ = true;
    }
    d_.append(t);
  }

 private:
  // Before the long text becomes `n` bytes long, `novych` of them new. A buffer that must
  // grow is charged whole before it is taken (a std::string at least doubles, and the old
  // buffer is freed only once the new one is filled); the bytes written cost work either way.
  void pred_zapisem(std::size_t n, std::size_t novych) {
    if (n > d_.capacity()) {
      Rozpocet::pridej(std::max(n, 2 * d_.capacity()) + 64);
    } else {
      Rozpocet::za_text(novych);
    }
  }

  char k_[22] = {};
  std::uint8_t n_ = 0;
  bool dlouhy_ = false;  // the text is d_, not k_
  std::string d_;
};

class Hodnota {
 public:
  // The empty text.
  Hodnota() = default;
  Hodnota(const Hodnota& o) = default;
  Hodnota(Hodnota&& o) noexcept = default;
  // A computed number moves as its reading alone; the text buffer this value owns stays.
  [[gnu::always_inline]] Hodnota& operator=(Hodnota&& o) noexcept {
    if (o.forma_ != Forma::Text && !o.text_hotov_) {
      cislo_ = o.cislo_;
      forma_ = o.forma_;
      text_hotov_ = false;
      return *this;
    }
    text_ = std::move(o.text_);
    cislo_ = o.cislo_;
    forma_ = o.forma_;
    ciselnost_ = o.ciselnost_;
    text_hotov_ = o.text_hotov_;
    return *this;
  }
  ~Hodnota() = default;
  // A computed number carries no text until it is looked at, so copying one copies no text.
  Hodnota& operator=(const Hodnota& o) {
    cislo_ = o.cislo_;
    forma_ = o.forma_;
    ciselnost_ = o.ciselnost_;
    text_hotov_ = o.text_hotov_;
    if (o.forma_ == Forma::Text || o.text_hotov_) text_ = o.text_;
    return *this;
  }

  static Hodnota text(std::string_view t) {
    Hodnota v;
    v.text_.assign(t);
    return v;
  }
  // The same, taking over the buffer of a std::string given as an rvalue (a word read).
  template <typename S>
  requires std::same_as<S, std::string>
  static Hodnota text(S&& t) {
    Hodnota v;
    v.text_.assign(std::move(t));
    return v;
  }
  // A text whose number test and reading are already known (a cached literal).
  static Hodnota text(std::string_view t, Ciselnost c, double cteni) {
    Hodnota v;
    v.nastav_text(t, c, cteni);
    return v;
  }
  // The text of an arithmetic result: "%f" of `r`, read back.
  static Hodnota vysledek(double r) {
    Hodnota v;
    v.nastav_vysledek(r);
    return v;
  }

  // In-place forms of the above, which keep the text buffer this value already owns.
  void nastav_text(std::string_view t, Ciselnost c, double cteni) {
    forma_ = Forma::Text;
    text_.assign(t);
    ciselnost_ = c;
    cislo_ = cteni;
  }
  // The same for a text held in a std::string, which is copied faster when short.
  void nastav_text(const std::string& t, Ciselnost c, double cteni) {
    forma_ = Forma::Text;
    text_.assign(t);
    ciselnost_ = c;
    cislo_ = cteni;
  }
  [[gnu::always_inline]] void nastav_vysledek(double r) {
    // A whole number of modest size is its own six-decimal rounding ("%f" adds ".000000",
    // and reading that back gives the number again), so it needs no work.
    if (r > -0x1p62 && r < 0x1p62 && static_cast<double>(static_cast<std::int64_t>(r)) == r) {
      nastav_cele(r);
      return;
    }
    nastav_zlomek(r);
  }
  // The same for a result known to be a whole, finite number: the sum, difference, product
  // or remainder of two whole numbers that did not overflow.
  [[gnu::always_inline]] void nastav_cele(double r) {
    forma_ = Forma::Cela;
    text_hotov_ = false;
    cislo_ = r;
  }
  // The same for a literal written as the decimal digits of `r`, a whole number of at most
  // 15 digits (a '-' before them when it is negative, never "-0"): its text is those digits.
  [[gnu::always_inline]] void nastav_psane_cele(double r) {
    forma_ = Forma::Psana;
    text_hotov_ = false;
    cislo_ = r;
  }
  [[gnu::always_inline]] void nastav_pravdivost(bool b) {
    forma_ = Forma::Pravdivost;
    text_hotov_ = false;
    cislo_ = b ? 1.0 : 0.0;
  }
  // Appends `t` to this value's text.
  void pripoj(std::string_view t) {
    if (forma_ != Forma::Text) {
      if (!text_hotov_) vytvor_text();
      forma_ = Forma::Text;
    }
    text_.append(t);
    ciselnost_ = Ciselnost::Nevime;
  }

  [[gnu::always_inline]] bool je_cislo() const {
    if (forma_ != Forma::Text) return true;
    if (ciselnost_ == Ciselnost::Nevime) klasifikuj();
    return ciselnost_ == Ciselnost::Je;
  }
  // Whether the value is a computed number whose reading is whole and finite, so that
  // "+", "-", "*" and "%" on two such values give a whole number again, needing no rounding.
  // A text that reads as a whole number is not marked so; it takes the general way.
  [[gnu::always_inline]] bool je_cele() const { return forma_ >= Forma::Cela; }
  // The numeric reading; only for values that pass the number test.
  double cteni() const { return cislo_; }

  // The value's text.
  std::string_view text() const {
    if (forma_ != Forma::Text && !text_hotov_) vytvor_text();
    return text_.view();
  }

  // Bytes the value holds outside itself.
  std::size_t pamet() const { return text_.pamet(); }

  // The truth rule of conditions: a number is true when it does not read zero; any other
  // text is true when it is not empty.
  bool pravda() const { return je_cislo() ? cteni() != 0.0 : !text_.empty(); }

 private:
  // The forms in this order: those from `Cela` on hold a whole number.
  enum class Forma : std::uint8_t {
    Text,        // text_ is the value; ciselnost_/cislo_ cache its number test and reading
    Pevna,       // the value is the "%f" text of cislo_, whose reading is cislo_ again
    Cela,        // the same, cislo_ a whole, finite number
    Pravdivost,  // the value is the "%d" text of cislo_ (0 or 1)
    Psana,       // the value is the "%d" text of cislo_, a whole number below 10^15
  };

  // Out of line, so that the whole-number path above stays small where it is inlined.
  [[gnu::noinline]] void nastav_zlomek(double r);
  void klasifikuj() const;
  void vytvor_text() const;

  mutable Retezec text_;
  mutable double cislo_ = 0.0;
  Forma forma_ = Forma::Text;
  mutable Ciselnost ciselnost_ = Ciselnost::Nevime;
  mutable bool text_hotov_ = false;
};

}  // namespace moxa
