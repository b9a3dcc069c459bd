// The scanner: a deterministic automaton over the bytes of the source, with one byte of
// push-back. It skips white space and comments, counts lines, and delivers one token per call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "io/streams.hpp"
#include "lexer/token.hpp"

namespace moxa {

class Skener {
 public:
  explicit Skener(Vstup& f) : f_(f) {}

  // The most bytes of a token's text that the scanner holds back before its string has them.
  static constexpr std::size_t SBER = 64;

  // Scans the next token that is neither white space nor a comment into `t`.
  void skenuj(Token& t) {
    if (zapisuj_pozice_) {
      skenuj_s<true>(t);
    } else {
      skenuj_s<false>(t);
    }
  }

  // The line counter: 1 at start, one more for every line feed read from the source.
  std::uint64_t cislo_radku() const { return cislo_radku_; }

  // Another reader (`cti`, when the program comes from standard input) has taken the bytes
  // [od, po) of the source between two tokens. Keeps the place of a token whose first byte
  // the scanner had read before them.
  void cizi_cteni(std::uint64_t od, std::uint64_t po);

  // Whether tokens get their place (line, column, byte offset): on from the start, for the
  // tools; a run that neither traces nor lists its code turns it off before its first token
  // and saves the work on every token. The line counter runs either way.
  void zapisuj_pozice(bool ano) { zapisuj_pozice_ = ano; }

 private:
  // `skenuj`, compiled once with the token's place and once without, so that a run that
  // does not want places pays for neither the place nor the line starts it is taken from.
  template <bool Pozice>
  void skenuj_s(Token& t);

  // Gathers the text of the token being scanned in a small buffer and hands it to the
  // token's string in pieces: most tokens are a few bytes long, and a byte added costs a store.
  class Sber {
   public:
    explicit Sber(std::string& text) : text_(text) {}
    [[gnu::always_inline]] void pridej(char c) {
      if (n_ == N) vylij();
      buf_[n_++] = c;
    }
    // Adds the `n` bytes at `p`, which lie in a buffer that ends at `e`. A short run is moved
    // as one block of fixed size, which costs a few moves and no call.
    [[gnu::always_inline]] void pridej(const unsigned char* p, std::size_t n,
                                       const unsigned char* e) {
      if (n <= BLOK && static_cast<std::size_t>(e - p) >= BLOK && N - n_ >= BLOK) {
        std::memcpy(buf_ + n_, p, BLOK);
        n_ += static_cast<unsigned>(n);
        return;
      }
      vylij();
      text_.append(reinterpret_cast<const char*>(p), n);
    }
    // The token's text, complete once `vylij` has run.
    const std::string& text() const { return text_; }
    // Hands over what is gathered; the token's text is complete once this has run.
    void vylij() {
      // A byte or two cost less one at a time than as a piece.
      switch (n_) {
        case 0: return;
        case 2: text_.push_back(buf_[0]); [[fallthrough]];
        case 1: text_.push_back(buf_[n_ - 1]); break;
        default: text_.append(buf_, n_); break;
      }
      n_ = 0;
    }
    // The end of input replaces whatever was gathered with its own text.
    void konec() {
      n_ = 0;
      text_.assign(1, '\xFF');
    }

   private:
    static constexpr unsigned N = SBER;
    static constexpr std::size_t BLOK = 16;
    std::string& text_;
    unsigned n_ = 0;
    char buf_[N];
  };

  // One character: the pushed-back one if there is one, else the next from the source.
  [[gnu::always_inline]] int cti() {
    if (buffer_ != 0) {
      const int c = buffer_;
      buffer_ = 0;
      return c;
    }
    return dalsi();
  }

  // The next character from the source; for use inside a token, where nothing is pushed back.
  [[gnu::always_inline]] int dalsi() {
    const int c = f_.cti_znak();
    if (c == '\n') novy_radek(f_.precteno());
    return c;
  }
  // A line feed has been read; the next line starts at offset `od`.
  [[gnu::always_inline]] void novy_radek(std::uint64_t od) {
    ++cislo_radku_;
    radek_od_ = od;
  }

  // Takes the longest run of source bytes for which `bere` holds, adding them to `s` unless it
  // is null, and counts the line feeds among them when `SRadky` holds; `SeZacatkem` keeps
  // the current line's start as well. Only for use inside a token or between tokens, where
  // nothing is pushed back.
  template <bool SRadky, bool SeZacatkem, typename P>
  void hltej(P bere, Sber* s) {
    while (f_.naplnit()) {
      const unsigned char* p = f_.pozice();
      const unsigned char* const e = f_.konec();
      const unsigned char* q = p;
      if (s != nullptr) {
        while (q != e && bere(*q))
          s->pridej(static_cast<char>(*q++));
      } else {
        while (q != e && bere(*q))
          ++q;
      }
      if constexpr (SRadky) {
        const std::uint64_t pred = cislo_radku_;
        for (const unsigned char* r = p; r != q; ++r)
          cislo_radku_ += (*r == '\n');
        if (SeZacatkem && cislo_radku_ != pred) {
          const unsigned char* r = q;
          while (*--r != '\n') {
          }
          radek_od_ = f_.precteno_do(r + 1);
        }
      }
      f_.posun(q);
      if (q != e) return;
    }
  }

  // Takes the longest run of source bytes for which `bere` holds into `s`, then reads the
  // character after it (as `dalsi` does). Only for use inside a token.
  template <typename P>
  [[gnu::always_inline]] int beh(P bere, Sber& s) {
    for (;;) {
      const unsigned char* const p = f_.pozice();
      const unsigned char* const e = f_.konec();
      const unsigned char* q = p;
      while (q != e && bere(*q))
        ++q;
      s.pridej(p, static_cast<std::size_t>(q - p), e);
      if (q != e) {
        f_.posun(q + 1);
        if (*q == '\n') novy_radek(f_.precteno());
        return *q;
      }
      f_.posun(q);
      if (!f_.naplnit()) return dalsi();
    }
  }

  // The token families; each returns the kind of the token it scanned.
  // State 12: the token is complete; the character after it is read and pushed back.
  [[gnu::always_inline]] std::int32_t hotovo(std::int32_t kind) {
    buffer_ = dalsi();
    return kind;
  }
  // Inlined into both versions of `skenuj`: as a call of its own it costs straight-line
  // code about a tenth of its instructions.
  [[gnu::always_inline]] inline std::int32_t rodina(Sber& s, int ch, Znacka& znacka);
  std::int32_t konec(Sber& s);
  std::int32_t porovnani(Sber& s, int ch, Znacka& znacka);
  std::int32_t znamenko(Sber& s, int ch);
  std::int32_t cislo(Sber& s);
  int cislice_dal(Sber& s);
  bool cekej_na_cislici(Sber& s);
  std::int32_t jmeno(Sber& s, std::int32_t kind);
  std::int32_t slovo(Sber& s, std::int32_t kind);
  std::int32_t retezec(Sber& s);
  std::int32_t komentar(Sber& s);

  Vstup& f_;
  std::uint64_t po_cizim_cteni(std::uint64_t za);

  int buffer_ = 0;  // the character after the last token (-1 for the end of input); 0 = none
  // Bytes another reader took since the last token ([cizi_od_, cizi_po_); cizi_po_ 0: none).
  std::uint64_t cizi_od_ = 0;
  std::uint64_t cizi_po_ = 0;
  std::uint64_t cislo_radku_ = 1;
  std::uint64_t radek_od_ = 0;  // the offset where the current line starts
  bool zapisuj_pozice_ = true;
};

}  // namespace moxa
