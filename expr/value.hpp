// Values: every value of the language is a text. A value counts as a number when its text
// starts like one (`Je_cislo`); arithmetic reads such texts as doubles (`cteni`) and writes
// its results back as "%f" texts. To keep arithmetic fast, a computed result is carried as
// its double and formatted only when its text is looked at; the observable behaviour is
// exactly that of formatting every result at once and reading it again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace moxa {

// Longest a value computed at run time may grow (a concatenation, a word read by `cti`).
inline constexpr std::size_t MAX_DELKA_HODNOTY = 1'048'576;

// The number test: the text starts with a digit, or with '+' or '-' and a digit.
bool Je_cislo(std::string_view text);

// The numeric reading of a text that passes the number test: the longest decimal prefix
// (sign, digits, optional '.' and digits, optional exponent), ',' ending the number,
// overflow to infinity, underflow to zero.
double cteni_textu(std::string_view text);

// The "%f" text of a double, with "inf", "-inf" and "nan" for the values that are not finite.
std::string format_f(double d);

// What is known about a text's number test and reading.
enum class Ciselnost : std::uint8_t { Nevime, Neni, Je };

class Value {
 public:
  // The empty text.
  Value() = default;
  Value(const Value& o) = default;
  Value(Value&& o) noexcept = default;
  Value& operator=(Value&& o) noexcept = default;
  // A computed number carries no text until it is looked at, so copying one copies no text.
  Value& operator=(const Value& o) {
    cislo_ = o.cislo_;
    forma_ = o.forma_;
    ciselnost_ = o.ciselnost_;
    text_hotov_ = o.text_hotov_;
    if (o.forma_ == Forma::Text || o.text_hotov_) text_ = o.text_;
    return *this;
  }

  static Value text(std::string t) { return Value(std::move(t)); }
  // A text whose number test and reading are already known (a cached literal).
  static Value text(std::string t, Ciselnost c, double cteni) {
    Value v(std::move(t));
    v.ciselnost_ = c;
    v.cislo_ = cteni;
    return v;
  }
  // The text of an arithmetic result: "%f" of `r`, read back.
  static Value vysledek(double r) {
    Value v;
    v.nastav_vysledek(r);
    return v;
  }
  // The text of a relational or logical result: "0" or "1".
  static Value pravdivost(bool b) {
    Value v;
    v.nastav_pravdivost(b);
    return v;
  }

  // In-place forms of the above, which keep the text buffer this value already owns.
  void nastav_text(std::string_view t, Ciselnost c, double cteni) {
    forma_ = Forma::Text;
    text_.assign(t);
    ciselnost_ = c;
    cislo_ = cteni;
  }
  void nastav_vysledek(double r);
  void nastav_pravdivost(bool b) {
    forma_ = Forma::Cele;
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

  bool je_cislo() const {
    if (forma_ != Forma::Text) return true;
    if (ciselnost_ == Ciselnost::Nevime) klasifikuj();
    return ciselnost_ == Ciselnost::Je;
  }
  // The numeric reading; only for values that pass the number test.
  double cteni() const { return cislo_; }

  // The value's text.
  const std::string& text() const {
    if (forma_ != Forma::Text && !text_hotov_) vytvor_text();
    return text_;
  }

  // The truth rule of conditions: a number is true when it does not read zero; any other
  // text is true when it is not empty.
  bool pravda() const { return je_cislo() ? cteni() != 0.0 : !text_.empty(); }

 private:
  enum class Forma : std::uint8_t {
    Text,   // text_ is the value; ciselnost_/cislo_ cache its number test and reading
    Pevna,  // the value is the "%f" text of cislo_, whose reading is cislo_ again
    Cele,   // the value is the "%d" text of cislo_ (0 or 1)
  };

  explicit Value(std::string t) : text_(std::move(t)) {}
  void klasifikuj() const;
  void vytvor_text() const;

  mutable std::string text_;
  mutable double cislo_ = 0.0;
  Forma forma_ = Forma::Text;
  mutable Ciselnost ciselnost_ = Ciselnost::Nevime;
  mutable bool text_hotov_ = false;
};

}  // namespace moxa
