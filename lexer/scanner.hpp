// The scanner: a deterministic automaton over the bytes of the source, with one byte of
// push-back. It skips white space and comments, counts lines, and delivers one token per call.
#pragma once

#include <cstdint>
#include <string>

#include "io/streams.hpp"
#include "lexer/token.hpp"

namespace moxa {

class Skener {
 public:
  explicit Skener(Vstup& f) : f_(f) {}

  // Scans the next token that is neither white space nor a comment into `t`.
  void skenuj(Token& t);

  // The line counter: 1 at start, one more for every line feed read from the source.
  std::uint64_t cislo_radku() const { return cislo_radku_; }

 private:
  // One character: the pushed-back one if there is one, else the next from the source.
  int cti() {
    if (buffer_ != 0) {
      const int c = buffer_;
      buffer_ = 0;
      return c;
    }
    const int c = f_.cti_znak();
    if (c == '\n') ++cislo_radku_;
    return c;
  }

  // Takes the longest run of source bytes for which `bere` holds, appending them to `text`
  // unless it is null. Only for use inside a token, where nothing is pushed back.
  template <bool SRadky, typename P>
  void hltej(P bere, std::string* text) {
    while (f_.naplnit()) {
      const unsigned char* p = f_.pozice();
      const unsigned char* const e = f_.konec();
      const unsigned char* q = p;
      while (q != e && bere(*q))
        ++q;
      if (text != nullptr)
        text->append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
      if constexpr (SRadky) {
        for (const unsigned char* r = p; r != q; ++r)
          cislo_radku_ += (*r == '\n');
      }
      f_.posun(q);
      if (q != e) return;
    }
  }

  // The token families; each returns the kind of the token it scanned.
  std::int32_t hotovo(std::int32_t kind);
  std::int32_t konec(std::string& text);
  std::int32_t jediny(std::string& text, int ch, std::int32_t kind);
  std::int32_t porovnani(std::string& text, int ch);
  std::int32_t znamenko(std::string& text, int ch);
  std::int32_t cislo(std::string& text);
  int cislice_dal(std::string& text);
  bool cekej_na_cislici(std::string& text);
  std::int32_t jmeno(std::string& text, std::int32_t kind);
  std::int32_t slovo(std::string& text, std::int32_t kind);
  std::int32_t retezec(std::string& text);
  std::int32_t komentar(std::string& text);

  Vstup& f_;
  int buffer_ = 0;  // the character after the last token (-1 for the end of input); 0 = none
  std::uint64_t cislo_radku_ = 1;
};

}  // namespace moxa
