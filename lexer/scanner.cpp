#include "lexer/scanner.hpp"

#include <array>

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
bool pismeno(int c) { return c >= 0 && (TABULKY.znak[static_cast<unsigned>(c)] & PISMENO) != 0; }
bool slovni(int c) {
  return c >= 0 && (TABULKY.znak[static_cast<unsigned>(c)] & (CISLICE | PISMENO)) != 0;
}
bool je_cislice(unsigned char c) { return (TABULKY.znak[c] & CISLICE) != 0; }
bool je_slovni(unsigned char c) { return (TABULKY.znak[c] & (CISLICE | PISMENO)) != 0; }

}  // namespace

Znacka znacka_textu(std::string_view s) {
  switch (s.size()) {
    case 1:
      switch (s[0]) {
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
    case 2:
      if (s == "w2") return Znacka::W2;
      if (s == "i2") return Znacka::I2;
      if (s == "e2") return Znacka::E2;
      if (s == "p2") return Znacka::P2;
      if (s == "!=") return Znacka::Nerovno;
      if (s == "<=") return Znacka::MensiRovno;
      if (s == ">=") return Znacka::VetsiRovno;
      return Znacka::Zadna;
    case 3:
      if (s == "cti") return Znacka::Cti;
      if (s == "pis") return Znacka::Pis;
      return Znacka::Zadna;
    case 6:
      if (s == "w2_end") return Znacka::W2_end;
      if (s == "i2_end") return Znacka::I2_end;
      if (s == "pis_ln") return Znacka::Pis_ln;
      return Znacka::Zadna;
    default: return Znacka::Zadna;
  }
}

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
void Skener::skenuj(Token& t) {
  std::string& text = t.text;
  text.clear();
  std::int32_t kind = T_KONEC;
  for (bool hotovo = false; !hotovo;) {
    const int ch = cti();
    if (ch == Vstup::KONEC) {
      kind = konec(text);
      break;
    }
    hotovo = true;
    switch (TABULKY.zacatek[static_cast<unsigned>(ch)]) {
      case Z_ZAHODIT:
      case Z_MEZERA: hotovo = false; break;
      case Z_OPERATOR: kind = jediny(text, ch, T_OPERATOR); break;
      case Z_STREDNIK: kind = jediny(text, ch, T_STREDNIK); break;
      case Z_ZAVORKA: kind = jediny(text, ch, T_ZAVORKA); break;
      case Z_POROVNANI: kind = porovnani(text, ch); break;
      case Z_PLUS:
      case Z_MINUS: kind = znamenko(text, ch); break;
      case Z_UVOZOVKY: kind = retezec(text); break;
      case Z_DVOJTECKA:
        kind = komentar(text);
        hotovo = kind != T_KOMENTAR;
        break;
      case Z_JMENO:
        kind = ch == '@' ? T_PROMENNA : ch == '~' ? T_VOLANI : T_DEKLARACE;
        text.push_back(static_cast<char>(ch));
        kind = jmeno(text, kind);
        break;
      case Z_SLOVO:
        text.push_back(static_cast<char>(ch));
        kind = slovo(text, T_SLOVO);
        break;
      case Z_CISLICE:
        text.push_back(static_cast<char>(ch));
        kind = cislo(text);
        break;
    }
  }

  t.kind = kind;
  switch (kind) {
    case T_RETEZEC:
    case T_STREDNIK:
    case T_SLOVO:
    case T_ZAVORKA:
    case T_OPERATOR: t.znacka = znacka_textu(text); break;
    default: t.znacka = Znacka::Zadna; break;
  }
  t.ciselnost = Ciselnost::Nevime;
  t.promenna = -1;
}

// State 12: the token is complete; the character after it is read and pushed back.
std::int32_t Skener::hotovo(std::int32_t kind) {
  buffer_ = cti();
  return kind;
}

// The end of input, at the start or inside an unfinished token: the end-of-input token.
std::int32_t Skener::konec(std::string& text) {
  text.assign(1, '\xFF');
  return hotovo(T_KONEC);
}

std::int32_t Skener::jediny(std::string& text, int ch, std::int32_t kind) {
  text.push_back(static_cast<char>(ch));
  return hotovo(kind);
}

// State 17: '!', '<' or '>', and '=' after it makes one token.
std::int32_t Skener::porovnani(std::string& text, int ch) {
  text.push_back(static_cast<char>(ch));
  const int dalsi = cti();
  if (dalsi != '=') {
    buffer_ = dalsi;
    return T_OPERATOR;
  }
  text.push_back('=');
  return hotovo(T_OPERATOR);
}

// States 15 and 16: a sign directly followed by a digit starts a number; '-' and '>' make
// the assignment arrow; anything else leaves the sign an operator.
std::int32_t Skener::znamenko(std::string& text, int ch) {
  text.push_back(static_cast<char>(ch));
  const int dalsi = cti();
  if (cislice(dalsi)) {
    text.push_back(static_cast<char>(dalsi));
    return cislo(text);
  }
  if (ch == '-' && dalsi == '>') {
    text.push_back('>');
    return hotovo(T_PRIRAZENI);
  }
  buffer_ = dalsi;
  return T_OPERATOR;
}

// A run of digits appended to `text`; returns the character after it.
int Skener::cislice_dal(std::string& text) {
  for (;;) {
    hltej<false>(je_cislice, &text);
    const int c = cti();
    if (!cislice(c)) return c;
    text.push_back(static_cast<char>(c));
  }
}

// Waits for a digit, dropping every other character (states 1 and 3); the digit is appended.
// False at the end of input.
bool Skener::cekej_na_cislici(std::string& text) {
  for (;;) {
    const int c = cti();
    if (cislice(c)) {
      text.push_back(static_cast<char>(c));
      return true;
    }
    if (c == Vstup::KONEC) return false;
  }
}

// A number whose first digit is in `text`: integer digits (13), then a ',' and fraction
// digits (1, 19), then an 'e', an optional sign and exponent digits (2, 3, 20).
std::int32_t Skener::cislo(std::string& text) {
  int c = cislice_dal(text);
  if (c == ',') {
    text.push_back(',');
    if (!cekej_na_cislici(text)) return konec(text);
    c = cislice_dal(text);
  }
  if (c == 'e') {
    text.push_back('e');
    for (;;) {  // state 2
      c = cti();
      if (c == '+' || c == '-') {
        text.push_back(static_cast<char>(c));
        if (!cekej_na_cislici(text)) return konec(text);
        break;
      }
      if (cislice(c)) {
        text.push_back(static_cast<char>(c));
        break;
      }
      if (c == Vstup::KONEC) return konec(text);
    }
    c = cislice_dal(text);
  }
  buffer_ = c;
  return T_CISLO;
}

// State 7: after '@', '~' or '?' every character is dropped until a lowercase letter comes;
// the rest is a word's.
std::int32_t Skener::jmeno(std::string& text, std::int32_t kind) {
  for (;;) {
    const int c = cti();
    if (pismeno(c)) {
      text.push_back(static_cast<char>(c));
      return slovo(text, kind);
    }
    if (c == Vstup::KONEC) return konec(text);
  }
}

// States 14 and 6: letters and digits; after '_' characters are dropped until a letter, a
// digit or a further '_' comes, so that no word or name ends in '_'.
std::int32_t Skener::slovo(std::string& text, std::int32_t kind) {
  for (;;) {
    hltej<false>(je_slovni, &text);
    int c = cti();
    if (slovni(c)) {
      text.push_back(static_cast<char>(c));
      continue;
    }
    if (c != '_') {
      buffer_ = c;
      return kind;
    }
    text.push_back('_');
    for (;;) {
      c = cti();
      if (c == '_') {
        text.push_back('_');
      } else if (slovni(c)) {
        text.push_back(static_cast<char>(c));
        break;
      } else if (c == Vstup::KONEC) {
        return konec(text);
      }
    }
  }
}

// States 4 and 5: the quotes are not stored; '/' and the character after it are both stored,
// and that character never ends the literal. A zero byte cuts the text: nothing after it is
// kept, though the literal still runs to its closing quote.
std::int32_t Skener::retezec(std::string& text) {
  bool useknuto = false;
  const auto pridej = [&](int c) {
    if (useknuto) return;
    if (c == 0) {
      useknuto = true;
    } else {
      text.push_back(static_cast<char>(c));
    }
  };
  for (;;) {
    hltej<true>([](unsigned char c) { return c != '"' && c != '/' && c != 0; },
                useknuto ? nullptr : &text);
    const int c = cti();
    if (c == '"') return hotovo(T_RETEZEC);
    if (c == Vstup::KONEC) return konec(text);
    pridej(c);
    if (c == '/') {
      const int za = cti();
      if (za == Vstup::KONEC) return konec(text);
      pridej(za);
    }
  }
}

// States 11, 8, 9 and 10: a ':' drops characters until ':' opens a line comment or '!' a
// block comment. Returns T_KOMENTAR when the comment is complete (with the character after
// it pushed back), or the end-of-input token when the input ends first.
std::int32_t Skener::komentar(std::string& text) {
  int c;
  do {
    c = cti();
    if (c == Vstup::KONEC) return konec(text);
  } while (c != ':' && c != '!');
  if (c == ':') {
    for (;;) {
      hltej<false>([](unsigned char b) { return b != '\n'; }, nullptr);
      c = cti();
      if (c == '\n') return hotovo(T_KOMENTAR);
      if (c == Vstup::KONEC) return konec(text);
    }
  }
  for (;;) {
    hltej<true>([](unsigned char b) { return b != '!'; }, nullptr);
    c = cti();
    if (c == Vstup::KONEC) return konec(text);
    if (c != '!') continue;
    do {
      c = cti();
    } while (c == '!');
    if (c == ':') return hotovo(T_KOMENTAR);
    if (c == Vstup::KONEC) return konec(text);
  }
}

}  // namespace moxa
