// The scanner: a deterministic automaton over the bytes of the source, with one byte of
// push-back. It skips white space and comments, counts lines, and delivers one token per call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "io/streams.hpp"
#include "lexer/token.hpp"
#include "limits/budget.hpp"

namespace moxa {

class Skener {
 public:
  explicit Skener(Vstup& f) : f_(f), sber_(kopie_), drzitel_(*this) { f_.drz(&drzitel_); }
  Skener(const Skener&) = delete;
  Skener& operator=(const Skener&) = delete;
  ~Skener() { f_.drz(nullptr); }

  // Scans the next token that is neither white space nor a comment into `t`. The token's
  // text stays valid until the next call, a refill of the source in between included.
  void skenuj(Token& t);

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

  // Bytes the scanner's own copy of a text holds.
  std::size_t pamet() const { return pamet_textu(kopie_); }
  // The text being gathered in the scanner's own copy, if a token is being scanned and its
  // text is gathered there; null otherwise.
  const std::string* sbirana_kopie() const { return sbira_ ? sber_.kopie() : nullptr; }
  // Makes room for `n` bytes in the copy.
  void rezervuj(std::size_t n) { kopie_.reserve(n); }

 private:
  // `skenuj` itself, inlined into it and into the token source's step (`ZdrojTokenu`), which
  // is compiled beside it so that a token costs the parser one call, not two.
  friend class ZdrojTokenu;
  [[gnu::always_inline]] inline void skenuj_zde(Token& t);
  // `skenuj` past its common case, compiled once with the token's place and once without,
  // so that a run that does not want places pays for neither the place nor the line starts
  // it is taken from. A call of its own: the common case, inlined into `skenuj`, then saves
  // and restores only the few registers it needs itself.
  template <bool Pozice>
  [[gnu::noinline]] void skenuj_s(Token& t);
  // The common case of `skenuj`, on the buffer alone: a token that starts and ends, with
  // the character after it, inside the buffer and needs none of the automaton's rarer
  // states. False when it takes the token no further than past the white space before it.
  template <bool Pozice>
  [[gnu::always_inline]] inline bool rychle(Token& t);

  // The text of the token being scanned. While the token lies whole in the source's buffer
  // its text is a range of that buffer, and a byte added costs a count; once a byte read is
  // left out of the text, or the buffer is about to be refilled, the text so far is copied
  // into the scanner's own string and gathered there.
  class Sber {
   public:
    explicit Sber(std::string& kopie) : kopie_(kopie) {}
    // The text starts with the byte at `p` of the buffer, the one just read.
    void zacni(const unsigned char* p) {
      od_ = p;
      n_ = 1;
    }
    // The text starts with byte `c`, which the buffer no longer holds where it was read.
    void zacni_kopii(char c) {
      od_ = nullptr;
      kopie_.assign(1, c);
    }
    // The text starts empty, at `p` of the buffer.
    void zacni_prazdny(const unsigned char* p) {
      od_ = p;
      n_ = 0;
    }
    // Adds the byte just read.
    [[gnu::always_inline]] void pridej(char c) {
      if (od_ != nullptr) [[likely]] {
        ++n_;
      } else {
        kopie_.push_back(c);
      }
    }
    // Adds the `n` bytes at `p`, the ones just read.
    [[gnu::always_inline]] void pridej(const unsigned char* p, std::size_t n) {
      if (od_ != nullptr) [[likely]] {
        n_ += n;
      } else {
        kopie_.append(reinterpret_cast<const char*>(p), n);
      }
    }
    // A byte read is left out of the text (or the buffer is about to be refilled): the
    // text so far is copied, and gathered in the copy from now on.
    void vynech() {
      if (od_ == nullptr) return;
      kopie_.assign(reinterpret_cast<const char*>(od_), n_);
      od_ = nullptr;
    }
    // Nothing is being gathered.
    void pust() { od_ = nullptr; }
    // The end of input replaces whatever was gathered with its own text.
    void konec() {
      od_ = reinterpret_cast<const unsigned char*>(KONEC_TEXT);
      n_ = 1;
    }
    std::string_view text() const {
      if (od_ != nullptr) return {reinterpret_cast<const char*>(od_), n_};
      return kopie_;
    }
    // The copy, when the text is gathered there.
    const std::string* kopie() const { return od_ == nullptr ? &kopie_ : nullptr; }

   private:
    static constexpr char KONEC_TEXT[] = "\xFF";
    std::string& kopie_;
    const unsigned char* od_ = nullptr;
    std::size_t n_ = 0;
  };

  // Hears of the refills of the source, apart from the scanner's own members so that the
  // scanner itself has no table of virtual functions.
  class Drzitel final : public DrzitelBufferu {
   public:
    explicit Drzitel(Skener& s) : s_(s) {}
    void pred_doplnenim() override { s_.pred_doplnenim(); }

   private:
    Skener& s_;
  };
  void pred_doplnenim();

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
      while (q != e && bere(*q))
        ++q;
      if (s != nullptr) s->pridej(p, static_cast<std::size_t>(q - p));
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
      s.pridej(p, static_cast<std::size_t>(q - p));
      if (q != e) {
        f_.posun(q + 1);
        if (*q == '\n') novy_radek(f_.precteno());
        return *q;
      }
      f_.posun(q);
      if (!f_.naplnit()) return dalsi();
    }
  }

  // The token families; each returns the druh of the token it scanned.
  // State 12: the token is complete; the character after it is read and pushed back.
  [[gnu::always_inline]] std::int32_t hotovo(std::int32_t druh) {
    buffer_ = dalsi();
    return druh;
  }
  // Inlined into both versions of `skenuj`: as a call of its own it costs straight-line
  // code about a tenth of its instructions.
  [[gnu::always_inline]] inline std::int32_t rodina(Sber& s, int ch, Znacka& znacka,
                                                    const unsigned char* misto);
  std::int32_t konec(Sber& s);
  std::int32_t porovnani(Sber& s, int ch, Znacka& znacka);
  std::int32_t znamenko(Sber& s, int ch);
  std::int32_t cislo(Sber& s);
  int cislice_dal(Sber& s);
  bool cekej_na_cislici(Sber& s);
  std::int32_t jmeno(Sber& s, std::int32_t druh);
  std::int32_t slovo(Sber& s, std::int32_t druh);
  std::int32_t retezec(Sber& s);
  std::int32_t komentar(Sber& s);

  Vstup& f_;
  std::uint64_t po_cizim_cteni(std::uint64_t za);

  int buffer_ = 0;  // the character after the last token (-1 for the end of input); 0 = none
  // The pushed-back character no longer stands just before the reading position (another
  // reader has read on, or the buffer has been refilled, since it was read).
  bool mimo_ = false;
  bool sbira_ = false;                  // a token is being scanned
  std::string kopie_;                   // a text that is not one piece of the buffer
  Sber sber_;                           // the text of the token being scanned
  std::string_view* vydany_ = nullptr;  // the text of the token delivered last
  Drzitel drzitel_;
  // Bytes another reader took since the last token ([cizi_od_, cizi_po_); cizi_po_ 0: none).
  std::uint64_t cizi_od_ = 0;
  std::uint64_t cizi_po_ = 0;
  std::uint64_t cislo_radku_ = 1;
  std::uint64_t radek_od_ = 0;  // the offset where the current line starts
  bool zapisuj_pozice_ = true;
};

}  // namespace moxa
