#include "lexer/scanner.hpp"

#include <array>

#include "lexer/lex.hpp"

namespace moxa {

namespace {

// What a byte can be, one bit each: a digit, a lowercase letter.
constexpr std::uint8_t CISLICE = 1;
constexpr std::uint8_t PISMENO = 2;

// How a token starts, by its first byte (the start state of the automaton).
enum Zacatek : std::uint8_t {
  Z_ZAHODIT,    // dropped, like every byte that fits nowhere
  Z_MEZERA,     // tab, line feed, blank: white space
  Z_OPERATOR,   // % & ( ) * / = ^ _ |: a token of one byte
  Z_POROVNANI,  // ! < >: a token of one byte, or two with a following '='
  Z_PLUS,       // +: an operator, or the sign of a number
  Z_MINUS,      // -: an operator, '->', or the sign of a number
  Z_UVOZOVKY,   // ": a string literal
  Z_DVOJTECKA,  // :: a comment
  Z_STREDNIK,   // ;
  Z_ZAVORKA,    // { }
  Z_JMENO,      // @ ~ ?: a name
  Z_SLOVO,      // '.' and a to z: a word
  Z_CISLICE,    // 0 to 9: a number
};

struct Tabulky {
  std::array<std::uint8_t, 256> znak{};
  std::array<Zacatek, 256> zacatek{};
};

constexpr Tabulky vytvor_tabulky() {
  Tabulky t;
  for (std::size_t c = '0'; c <= '9'; ++c) {
    t.znak[c] = CISLICE;
    t.zacatek[c] = Z_CISLICE;
  }
  for (std::size_t c = 'a'; c <= 'z'; ++c) {
    t.znak[c] = PISMENO;
    t.zacatek[c] = Z_SLOVO;
  }
  t.zacatek['.'] = Z_SLOVO;
  for (const char c : {'\t', '\n', ' '})
    t.zacatek[static_cast<unsigned char>(c)] = Z_MEZERA;
  for (const char c : {'%', '&', '(', ')', '*', '/', '=', '^', '_', '|'})
    t.zacatek[static_cast<unsigned char>(c)] = Z_OPERATOR;
  for (const char c : {'!', '<', '>'})
    t.zacatek[static_cast<unsigned char>(c)] = Z_POROVNANI;
  for (const char c : {'@', '~', '?'})
    t.zacatek[static_cast<unsigned char>(c)] = Z_JMENO;
  t.zacatek['+'] = Z_PLUS;
  t.zacatek['-'] = Z_MINUS;
  t.zacatek['"'] = Z_UVOZOVKY;
  t.zacatek[':'] = Z_DVOJTECKA;
  t.zacatek[';'] = Z_STREDNIK;
  t.zacatek['{'] = Z_ZAVORKA;
  t.zacatek['}'] = Z_ZAVORKA;
  return t;
}

constexpr Tabulky TABULKY = vytvor_tabulky();

// The end of input (-1) is none of these.
bool cislice(int c) { return c >= 0 && (TABULKY.znak[static_cast<unsigned>(c)] & CISLICE) != 0; }
bool slovni(int c) {
  return c >= 0 && (TABULKY.znak[static_cast<unsigned>(c)] & (CISLICE | PISMENO)) != 0;
}
bool je_cislice(unsigned char c) { return (TABULKY.znak[c] & CISLICE) != 0; }
bool je_slovni(unsigned char c) { return (TABULKY.znak[c] & (CISLICE | PISMENO)) != 0; }
bool je_mezera(unsigned char c) { return TABULKY.zacatek[c] <= Z_MEZERA; }

// The tag of a text of one byte.
constexpr Znacka znacka_znaku(char c) {
  switch (c) {
    case '.': return Znacka::Tecka;
    case '(': return Znacka::LevaKulata;
    case ')': return Znacka::PravaKulata;
    case '{': return Znacka::LevaSlozena;
    case '}': return Znacka::PravaSlozena;
    case ';': return Znacka::Strednik;
    case '+': return Znacka::Plus;
    case '-': return Znacka::Minus;
    case '*': return Znacka::Krat;
    case '/': return Znacka::Deleno;
    case '%': return Znacka::Modulo;
    case '<': return Znacka::Mensi;
    case '>': return Znacka::Vetsi;
    case '=': return Znacka::Rovno;
    case '!': return Znacka::Ne;
    case '&': return Znacka::A;
    case '|': return Znacka::Nebo;
    default: return Znacka::Zadna;
  }
}

constexpr std::array<Znacka, 256> vytvor_znacky_znaku() {
  std::array<Znacka, 256> z{};
  for (std::size_t c = 0; c < 256; ++c)
    z[c] = znacka_znaku(static_cast<char>(c));
  return z;
}

constexpr std::array<Znacka, 256> ZNACKY_ZNAKU = vytvor_znacky_znaku();

// Whether `s` is the word `w`; `s` has the word's length already.
template <std::size_t N>
bool je_slovo(std::string_view s, const char (&w)[N]) {
  for (std::size_t i = 0; i + 1 < N; ++i)
    if (s[i] != w[i]) return false;
  return true;
}

// The number literal that starts at `p` with a digit, or with a sign and a digit at `q`,
// and stands in the buffer that ends at `e`: where it ends, or null when the buffer ends
// first or a ',' or 'e' has no digit after it (the automaton takes it from there). Gives
// `t` the reading of the text, worked out on the way for the common forms: at most 15
// digits and sign, then a fraction (the reading stops at its ',') or an exponent of one or
// two digits up to 22; and tells whether the text is the reading's own digits.
[[gnu::always_inline]] inline const unsigned char* cislo_v_bufferu(const unsigned char* p,
                                                                   const unsigned char* q,
                                                                   const unsigned char* e,
                                                                   Token& t) {
  const auto cislice_od = [e](const unsigned char* r) __attribute__((always_inline)) {
    while (r != e && je_cislice(*r))
      ++r;
    return r;
  };
  // The exponent after the 'e' at `r`: where it ends, or null.
  const auto exponent = [=](const unsigned char* r) __attribute__((always_inline)) {
    if (++r != e && (*r == '+' || *r == '-')) ++r;
    if (r == e || !je_cislice(*r)) return static_cast<const unsigned char*>(nullptr);
    return cislice_od(r + 1);
  };
  std::uint64_t n = je_cislice(*p) ? static_cast<unsigned>(*p - '0') : 0;
  for (; q != e && je_cislice(*q); ++q)
    n = n * 10 + static_cast<unsigned>(*q - '0');
  if (q - p <= 15) {
    t.cislo = static_cast<double>(n);
    t.ma_cislo = true;
  }
  if (q != e && *q == ',') {
    if (q + 1 == e || !je_cislice(q[1])) return nullptr;
    q = cislice_od(q + 2);
    if (q != e && *q == 'e') q = exponent(q);
  } else if (q != e && *q == 'e') {
    const unsigned char* const r = q;
    q = exponent(r);
    if (q == nullptr) return nullptr;
    // The exponent's digits start after the 'e' and its sign.
    const unsigned char* const c = je_cislice(r[1]) ? r + 1 : r + 2;
    const int x = q - c == 1 ? c[0] - '0' : (c[0] - '0') * 10 + (c[1] - '0');
    if (q - c > 2 || x > 22) {
      t.ma_cislo = false;
    } else {
      t.cislo = r[1] == '-' ? t.cislo / MOCNINY_DESETI[x] : t.cislo * MOCNINY_DESETI[x];
    }
  } else {
    // Digits alone, written as the number's own digits are: no '+', no leading zero, and
    // no "-0" (whose reading writes as "0").
    const unsigned char* const d = je_cislice(*p) ? p : p + 1;
    t.psane_cele = t.ma_cislo & (*p != '+') & ((*d != '0') | ((q == d + 1) & (d == p)));
  }
  if (*p == '-') t.cislo = -t.cislo;
  return q;
}

}  // namespace

namespace {

// `znacka_textu`, inlined where the token source's common case takes a word, so that case
// calls nothing.
[[gnu::always_inline]] inline Znacka znacka_slova(std::string_view s) {
  switch (s.size()) {
    case 1: return ZNACKY_ZNAKU[static_cast<unsigned char>(s[0])];
    case 2:
      if (s[1] == '2') {
        switch (s[0]) {
          case 'w': return Znacka::W2;
          case 'i': return Znacka::I2;
          case 'e': return Znacka::E2;
          case 'p': return Znacka::P2;
          default: return Znacka::Zadna;
        }
      }
      if (s[1] != '=') return Znacka::Zadna;
      switch (s[0]) {
        case '!': return Znacka::Nerovno;
        case '<': return Znacka::MensiRovno;
        case '>': return Znacka::VetsiRovno;
        default: return Znacka::Zadna;
      }
    case 3:
      if (je_slovo(s, "cti")) return Znacka::Cti;
      if (je_slovo(s, "pis")) return Znacka::Pis;
      return Znacka::Zadna;
    case 6:
      if (je_slovo(s, "w2_end")) return Znacka::W2_end;
      if (je_slovo(s, "i2_end")) return Znacka::I2_end;
      if (je_slovo(s, "pis_ln")) return Znacka::Pis_ln;
      return Znacka::Zadna;
    default: return Znacka::Zadna;
  }
}

}  // namespace

Znacka znacka_textu(std::string_view s) { return znacka_slova(s); }

// The automaton, one routine per token family. States, by what has been read so far (they
// are named where a routine carries them out):
//   0 start            1 after a number's ','     2 after a number's 'e'
//   3 after the exponent's sign                   4 inside a string literal
//   5 after '/' inside a string literal           6 after '_' in a word or name
//   7 after '@', '~' or '?'                       8 inside a line comment
//   9 inside a block comment                     10 after '!' inside a block comment
//  11 after a lone ':'                           12 token complete
//  13 integer digits  14 word or name  15 after '+'  16 after '-'  17 after '!', '<', '>'
//  19 fraction digits 20 exponent digits
// A finished token is followed by one character that is pushed back into `buffer_`; white
// space finishes without push-back. Comments are never stored. At the end of input inside an
// unfinished token the token is dropped and the end-of-input token delivered instead.
// Inside a token nothing is pushed back, so the routines read with `dalsi`.
// Delivers the token that starts at `p` and whose text is [p, q) when the byte after it,
// at `q`, is in the buffer; reads that byte as `hotovo` does.
template <bool Pozice>
bool Skener::rychle(Token& t) {
  const unsigned char* q = f_.pozice();
  const unsigned char* const e = f_.konec();
  if (q == nullptr || cizi_po_ != 0) return false;
  const unsigned char* p;
  if (buffer_ != 0) {
    if (buffer_ < 0 || mimo_) return false;
    if (je_mezera(static_cast<unsigned char>(buffer_))) {
      p = q;  // the blank is read (and its line counted) already
    } else {
      p = q - 1;  // the pushed-back character starts the token
    }
  } else {
    p = q;
  }
  if (p == q) {
    // White space: taken here, whatever comes after it.
    while (p != e && je_mezera(*p)) {
      if (*p == '\n') {
        ++cislo_radku_;
        radek_od_ = f_.precteno_do(p + 1);
      }
      ++p;
    }
    buffer_ = 0;
    f_.posun(p);
    if (p == e) return false;
  }
  q = p + 1;
  std::int32_t druh;
  Znacka znacka = Znacka::Zadna;
  t.ma_cislo = false;
  t.psane_cele = false;
  switch (TABULKY.zacatek[*p]) {
    case Z_OPERATOR:
      druh = T_OPERATOR;
      znacka = ZNACKY_ZNAKU[*p];
      break;
    case Z_STREDNIK:
      druh = T_STREDNIK;
      znacka = Znacka::Strednik;
      break;
    case Z_ZAVORKA:
      druh = T_ZAVORKA;
      znacka = ZNACKY_ZNAKU[*p];
      break;
    case Z_POROVNANI:
      druh = T_OPERATOR;
      if (q != e && *q == '=') {
        ++q;
        znacka = *p == '!' ? Znacka::Nerovno : *p == '<' ? Znacka::MensiRovno : Znacka::VetsiRovno;
      } else {
        znacka = ZNACKY_ZNAKU[*p];
      }
      break;
    case Z_PLUS:
      if (q != e && je_cislice(*q)) goto cislo;
      druh = T_OPERATOR;
      znacka = Znacka::Plus;
      break;
    case Z_MINUS:
      if (q == e) return false;
      if (je_cislice(*q)) goto cislo;
      if (*q == '>') {
        ++q;
        druh = T_PRIRAZENI;
      } else {
        druh = T_OPERATOR;
        znacka = Znacka::Minus;
      }
      break;
    case Z_CISLICE:
    cislo:
      druh = T_CISLO;
      q = cislo_v_bufferu(p, q, e, t);
      if (q == nullptr) return false;
      break;
    case Z_JMENO:
      if (q == e || *q < 'a' || *q > 'z') return false;
      druh = *p == '@' ? T_PROMENNA : *p == '~' ? T_VOLANI : T_DEKLARACE;
      goto slovo;
    case Z_SLOVO:
      druh = T_SLOVO;
    slovo:
      // A '_' stays in the text when a letter, a digit or a '_' follows it at once.
      while (q != e &&
             (je_slovni(*q) || (*q == '_' && q + 1 != e && (je_slovni(q[1]) || q[1] == '_'))))
        ++q;
      if (q != e && *q == '_') return false;
      if (druh == T_SLOVO) {
        znacka = znacka_slova({reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p)});
      }
      break;
    case Z_UVOZOVKY:
      while (q != e && *q != '"' && *q != '/' && *q != 0 && *q != '\n')
        ++q;
      if (q == e || *q != '"') return false;
      druh = T_RETEZEC;
      znacka =
          znacka_slova({reinterpret_cast<const char*>(p + 1), static_cast<std::size_t>(q - p - 1)});
      ++q;  // the closing quote
      break;
    default: return false;
  }
  if (q == e) return false;
  if constexpr (Pozice) {
    const std::uint64_t za = f_.precteno_do(p) + 1;
    t.pozice.radek = cislo_radku_;
    t.pozice.sloupec = za - radek_od_;
    t.pozice.bajt = za - 1;
  }
  if (druh == T_RETEZEC) {
    t.text = {reinterpret_cast<const char*>(p + 1), static_cast<std::size_t>(q - p - 2)};
  } else {
    t.text = {reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p)};
  }
  t.druh = druh;
  t.znacka = znacka;
  vydany_ = &t.text;
  mimo_ = false;
  // The character after the token, read and pushed back.
  buffer_ = *q;
  f_.posun(q + 1);
  if (*q == '\n') novy_radek(f_.precteno());
  return true;
}

[[gnu::always_inline]] inline void Skener::skenuj_zde(Token& t) {
  if (zapisuj_pozice_) {
    if (!rychle<true>(t)) skenuj_s<true>(t);
  } else if (!rychle<false>(t)) [[unlikely]] {
    skenuj_s<false>(t);
  }
}

// The next token from the scanner (recorded on the tape while a loop is executing, in the
// build that replays loops). The token source's, but compiled here, with the scanner's
// common case inlined into it.
void ZdrojTokenu::ze_skeneru() {
  // The common case makes no call but a last one, so it needs no frame, and saves only the
  // registers that the scanner's common case takes: no program text came in since the last
  // token, tokens get no place (and, in the build that replays loops, no loop is recording
  // them), the step for the token leaves the budget's batch unfinished (taken last, so that
  // the general way never takes it twice), and the scanner's common case takes the token.
  bool obecne = zdroj_.prijato() || skener_.zapisuj_pozice_;
#ifdef MOXA_PREHRAVANI
  obecne = obecne || !pasek_.prazdny();
#endif
  if (obecne || !rozpocet_.krok_v_davce()) [[unlikely]]
    return ze_skeneru_obecne();
  token_ = &skenovany_;
  if (skener_.rychle<false>(skenovany_)) [[likely]]
    return;
  return skener_.skenuj_s<false>(skenovany_);
}

// The token step in every case, with the step for the token still to take.
void ZdrojTokenu::ze_skeneru_obecne() {
  // One step for the token, and the bytes of program text taken in since the last one.
  if (!rozpocet_.krok(1)) return vycerpano();
  if (const std::uint64_t b = zdroj_.vezmi_prijate(); b != 0 && !rozpocet_.za_vstup(b)) {
    return vycerpano();
  }
  token_ = &skenovany_;
  skener_.skenuj_zde(skenovany_);
#ifdef MOXA_PREHRAVANI
  if (!pasek_.prazdny()) token_ = &pasek_.pridej(skenovany_);
#endif
}

void Skener::skenuj(Token& t) { skenuj_zde(t); }

template <bool Pozice>
void Skener::skenuj_s(Token& t) {
  Sber& s = sber_;
  s.pust();
  sbira_ = true;
  // The pushed-back character stands just before the reading position unless another
  // reader or a refill has come between.
  bool na_miste = buffer_ == 0 || !mimo_;
  mimo_ = false;
  std::int32_t druh = T_KONEC;
  Znacka znacka = Znacka::Zadna;
  for (bool mezera = true; mezera;) {
    int ch = cti();
    // White space (and dropped bytes) before the token, in bulk.
    while (ch >= 0 && je_mezera(static_cast<unsigned char>(ch))) {
      hltej<true, Pozice>(je_mezera, nullptr);
      ch = dalsi();
      na_miste = true;
    }
    if (ch == Vstup::KONEC) {
      druh = konec(s);
      break;
    }
    // The token starts with the byte just read (or pushed back), unless the program's own
    // input has been read on since.
    if constexpr (Pozice) {
      std::uint64_t za = f_.precteno();
      if (cizi_po_ != 0) [[unlikely]]
        za = po_cizim_cteni(za);
      t.pozice.radek = cislo_radku_;
      t.pozice.sloupec = za - radek_od_;
      t.pozice.bajt = za - 1;
    }
    druh = rodina(s, ch, znacka, na_miste ? f_.pozice() - 1 : nullptr);
    mezera = druh == T_MEZERA || druh == T_KOMENTAR;
    na_miste = true;
  }

  // The end of input stands where the input ended, also when it cut a token off.
  if constexpr (Pozice) {
    if (druh == T_KONEC) [[unlikely]] {
      const std::uint64_t konec = f_.precteno();
      t.pozice = PoziceTokenu{cislo_radku_, konec - radek_od_ + 1, konec};
    }
  }
  t.text = s.text();
  t.druh = druh;
  t.znacka = znacka;
  t.ma_cislo = false;
  t.psane_cele = false;
  sbira_ = false;
  vydany_ = &t.text;
}

// The source is about to refill its buffer. A token being scanned gathers its text in the
// copy from now on; the token delivered last gets a copy of its text if it views the buffer.
void Skener::pred_doplnenim() {
  if (sbira_) {
    sber_.vynech();
    return;
  }
  mimo_ = true;
  if (vydany_ != nullptr && vydany_->data() != kopie_.data()) {
    kopie_.assign(*vydany_);
    *vydany_ = kopie_;
  }
}

void Skener::cizi_cteni(std::uint64_t od, std::uint64_t po) {
  mimo_ = true;
  if (cizi_po_ == 0) cizi_od_ = od;
  cizi_po_ = po;
}

// A token whose first byte was read before another reader took the bytes [cizi_od_,
// cizi_po_) stands just before them; one read after them, where it was read.
std::uint64_t Skener::po_cizim_cteni(std::uint64_t za) {
  if (za == cizi_po_) za = cizi_od_;
  cizi_po_ = 0;
  return za;
}

// The token that starts with `ch`, by its family; T_MEZERA or T_KOMENTAR when what was read
// is not delivered and the next token is still to come. `znacka` gets the token's tag.
// `misto` is where `ch` stands in the buffer, null when it is no longer there.
std::int32_t Skener::rodina(Sber& s, int ch, Znacka& znacka, const unsigned char* misto) {
  const Zacatek z = TABULKY.zacatek[static_cast<unsigned>(ch)];
  std::int32_t druh = T_KONEC;
  if (misto != nullptr) [[likely]] {
    s.zacni(misto);
  } else {
    s.zacni_kopii(static_cast<char>(ch));
  }
  switch (z) {
    case Z_ZAHODIT:
    case Z_MEZERA:  // taken by the caller
      return T_MEZERA;
    case Z_OPERATOR:
    case Z_STREDNIK:
    case Z_ZAVORKA: {
      znacka = ZNACKY_ZNAKU[static_cast<unsigned>(ch)];
      druh = hotovo(z == Z_OPERATOR ? T_OPERATOR : z == Z_STREDNIK ? T_STREDNIK : T_ZAVORKA);
      break;
    }
    case Z_POROVNANI: druh = porovnani(s, ch, znacka); break;
    case Z_PLUS:
    case Z_MINUS:
      druh = znamenko(s, ch);
      if (druh == T_OPERATOR) znacka = ch == '+' ? Znacka::Plus : Znacka::Minus;
      break;
    case Z_UVOZOVKY:
      s.zacni_prazdny(f_.pozice());  // the quotes are not part of the text
      druh = retezec(s);
      if (druh == T_RETEZEC) {
        znacka = znacka_textu(s.text());
      }
      break;
    case Z_DVOJTECKA: return komentar(s);
    case Z_JMENO:
      druh = ch == '@' ? T_PROMENNA : ch == '~' ? T_VOLANI : T_DEKLARACE;
      druh = jmeno(s, druh);
      break;
    case Z_SLOVO:
      druh = slovo(s, T_SLOVO);
      if (druh == T_SLOVO) {
        znacka = znacka_textu(s.text());
      }
      break;
    case Z_CISLICE: druh = cislo(s); break;
  }
  return druh;
}

// The end of input, at the start or inside an unfinished token: the end-of-input token.
std::int32_t Skener::konec(Sber& s) {
  s.konec();
  return hotovo(T_KONEC);
}

// State 17: '!', '<' or '>', and '=' after it makes one token.
std::int32_t Skener::porovnani(Sber& s, int ch, Znacka& znacka) {
  const int dalsi_znak = dalsi();
  if (dalsi_znak != '=') {
    buffer_ = dalsi_znak;
    znacka = ZNACKY_ZNAKU[static_cast<unsigned>(ch)];
    return T_OPERATOR;
  }
  s.pridej('=');
  znacka = ch == '!' ? Znacka::Nerovno : ch == '<' ? Znacka::MensiRovno : Znacka::VetsiRovno;
  return hotovo(T_OPERATOR);
}

// States 15 and 16: a sign directly followed by a digit starts a number; '-' and '>' make
// the assignment arrow; anything else leaves the sign an operator.
std::int32_t Skener::znamenko(Sber& s, int ch) {
  const int dalsi_znak = dalsi();
  if (cislice(dalsi_znak)) {
    s.pridej(static_cast<char>(dalsi_znak));
    return cislo(s);
  }
  if (ch == '-' && dalsi_znak == '>') {
    s.pridej('>');
    return hotovo(T_PRIRAZENI);
  }
  buffer_ = dalsi_znak;
  return T_OPERATOR;
}

// A run of digits added to the text; returns the character after it.
int Skener::cislice_dal(Sber& s) { return beh(je_cislice, s); }

// Waits for a digit, dropping every other character (states 1 and 3); the digit is added.
// False at the end of input.
bool Skener::cekej_na_cislici(Sber& s) {
  for (;;) {
    const int c = dalsi();
    if (cislice(c)) {
      s.pridej(static_cast<char>(c));
      return true;
    }
    if (c == Vstup::KONEC) return false;
    s.vynech();
  }
}

// A number whose first digit is in the text: integer digits (13), then a ',' and fraction
// digits (1, 19), then an 'e', an optional sign and exponent digits (2, 3, 20).
std::int32_t Skener::cislo(Sber& s) {
  int c = cislice_dal(s);
  if (c == ',') {
    s.pridej(',');
    if (!cekej_na_cislici(s)) return konec(s);
    c = cislice_dal(s);
  }
  if (c == 'e') {
    s.pridej('e');
    for (;;) {  // state 2
      c = dalsi();
      if (c == '+' || c == '-') {
        s.pridej(static_cast<char>(c));
        if (!cekej_na_cislici(s)) return konec(s);
        break;
      }
      if (cislice(c)) {
        s.pridej(static_cast<char>(c));
        break;
      }
      if (c == Vstup::KONEC) return konec(s);
      s.vynech();
    }
    c = cislice_dal(s);
  }
  buffer_ = c;
  return T_CISLO;
}

// State 7: after '@', '~' or '?' every character is dropped until a lowercase letter comes;
// the rest is a word's.
std::int32_t Skener::jmeno(Sber& s, std::int32_t druh) {
  for (;;) {
    const int c = dalsi();
    if (c >= 'a' && c <= 'z') {
      s.pridej(static_cast<char>(c));
      return slovo(s, druh);
    }
    if (c == Vstup::KONEC) return konec(s);
    s.vynech();
  }
}

// States 14 and 6: letters and digits; after '_' characters are dropped until a letter, a
// digit or a further '_' comes, so that no word or name ends in '_'.
std::int32_t Skener::slovo(Sber& s, std::int32_t druh) {
  for (;;) {
    int c = beh(je_slovni, s);
    if (c != '_') {
      buffer_ = c;
      return druh;
    }
    s.pridej('_');
    for (;;) {
      c = dalsi();
      if (c == '_') {
        s.pridej('_');
      } else if (slovni(c)) {
        s.pridej(static_cast<char>(c));
        break;
      } else if (c == Vstup::KONEC) {
        return konec(s);
      } else {
        s.vynech();
      }
    }
  }
}

// States 4 and 5: the quotes are not stored; '/' and the character after it are both stored,
// and that character never ends the literal. A zero byte cuts the text: nothing after it is
// kept, though the literal still runs to its closing quote.
std::int32_t Skener::retezec(Sber& s) {
  Sber* text = &s;  // null once a zero byte has cut the text
  const auto pridej = [&](int c) {
    if (text == nullptr) return;
    if (c == 0) {
      text = nullptr;
    } else {
      text->pridej(static_cast<char>(c));
    }
  };
  for (;;) {
    hltej<true, true>([](unsigned char c) { return c != '"' && c != '/' && c != 0; }, text);
    const int c = dalsi();
    if (c == '"') return hotovo(T_RETEZEC);
    if (c == Vstup::KONEC) return konec(s);
    pridej(c);
    if (c == '/') {
      const int za = dalsi();
      if (za == Vstup::KONEC) return konec(s);
      pridej(za);
    }
  }
}

// States 11, 8, 9 and 10: a ':' drops characters until ':' opens a line comment or '!' a
// block comment. Returns T_KOMENTAR when the comment is complete (with the character after
// it pushed back), or the end-of-input token when the input ends first.
std::int32_t Skener::komentar(Sber& s) {
  int c;
  do {
    c = dalsi();
    if (c == Vstup::KONEC) return konec(s);
  } while (c != ':' && c != '!');
  if (c == ':') {
    for (;;) {
      hltej<false, false>([](unsigned char b) { return b != '\n'; }, nullptr);
      c = dalsi();
      if (c == '\n') return hotovo(T_KOMENTAR);
      if (c == Vstup::KONEC) return konec(s);
    }
  }
  for (;;) {
    hltej<true, true>([](unsigned char b) { return b != '!'; }, nullptr);
    c = dalsi();
    if (c == Vstup::KONEC) return konec(s);
    if (c != '!') continue;
    do {
      c = dalsi();
    } while (c == '!');
    if (c == ':') return hotovo(T_KOMENTAR);
    if (c == Vstup::KONEC) return konec(s);
  }
}

}  // namespace moxa
