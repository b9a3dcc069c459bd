#include "lexer/scanner.hpp"

namespace moxa {

namespace {

bool cislice(int c) { return c >= '0' && c <= '9'; }
bool pismeno(int c) { return c >= 'a' && c <= 'z'; }

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

// The automaton. States, by what has been read so far:
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
  for (;;) {
    text.clear();
    bool useknuto = false;  // a zero byte has cut the text: later bytes are not kept
    std::int32_t kind = T_KONEC;
    int stav = 0;
    const auto pridej = [&](int ch) {
      if (useknuto) return;
      if (ch == 0) {
        useknuto = true;
      } else {
        text.push_back(static_cast<char>(ch & 0xFF));
      }
    };
    const auto konec_vstupu = [&] {
      text.assign(1, '\xFF');
      useknuto = false;
      kind = T_KONEC;
      stav = 12;
    };

    for (bool hotovo = false; !hotovo;) {
      // Runs of bytes that leave the state as it is are taken in bulk.
      switch (stav) {
        case 4:
          hltej<true>([](unsigned char c) { return c != '"' && c != '/' && c != 0; },
                      useknuto ? nullptr : &text);
          break;
        case 8: hltej<false>([](unsigned char c) { return c != '\n'; }, nullptr); break;
        case 9: hltej<true>([](unsigned char c) { return c != '!'; }, nullptr); break;
        case 13:
        case 19:
        case 20: hltej<false>([](unsigned char c) { return c >= '0' && c <= '9'; }, &text); break;
        case 14:
          hltej<false>(
              [](unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); },
              &text);
          break;
        default: break;
      }
      const int ch = cti();
      switch (stav) {
        case 0:
          switch (ch) {
            case '\t':
            case '\n':
            case ' ':
              // White space finishes an empty token, which is dropped: the same as staying
              // at the start.
              break;
            case '!':
            case '<':
            case '>':
              pridej(ch);
              stav = 17;
              kind = T_OPERATOR;
              break;
            case '"':
              stav = 4;
              kind = T_RETEZEC;
              break;
            case '%':
            case '&':
            case '(':
            case ')':
            case '*':
            case '/':
            case '=':
            case '^':
            case '_':
            case '|':
              pridej(ch);
              stav = 12;
              kind = T_OPERATOR;
              break;
            case '+':
              pridej(ch);
              stav = 15;
              kind = T_OPERATOR;
              break;
            case '-':
              pridej(ch);
              stav = 16;
              kind = T_OPERATOR;
              break;
            case ':':
              stav = 11;
              kind = T_KOMENTAR;
              break;
            case ';':
              pridej(ch);
              stav = 12;
              kind = T_STREDNIK;
              break;
            case '?':
              pridej(ch);
              stav = 7;
              kind = T_DEKLARACE;
              break;
            case '@':
              pridej(ch);
              stav = 7;
              kind = T_PROMENNA;
              break;
            case '~':
              pridej(ch);
              stav = 7;
              kind = T_VOLANI;
              break;
            case '{':
            case '}':
              pridej(ch);
              stav = 12;
              kind = T_ZAVORKA;
              break;
            case Vstup::KONEC: konec_vstupu(); break;
            default:
              if (ch == '.' || pismeno(ch)) {
                pridej(ch);
                stav = 14;
                kind = T_SLOVO;
              } else if (cislice(ch)) {
                pridej(ch);
                stav = 13;
                kind = T_CISLO;
              }
              break;  // every other byte is dropped
          }
          break;
        case 1:
          if (cislice(ch)) {
            pridej(ch);
            stav = 19;
            kind = T_CISLO;
          } else if (ch == Vstup::KONEC) {
            konec_vstupu();
          }
          break;
        case 2:
          if (ch == '+' || ch == '-') {
            pridej(ch);
            stav = 3;
          } else if (cislice(ch)) {
            pridej(ch);
            stav = 20;
            kind = T_CISLO;
          } else if (ch == Vstup::KONEC) {
            konec_vstupu();
          }
          break;
        case 3:
          if (cislice(ch)) {
            pridej(ch);
            stav = 20;
            kind = T_CISLO;
          } else if (ch == Vstup::KONEC) {
            konec_vstupu();
          }
          break;
        case 4:
          if (ch == '"') {
            stav = 12;
          } else if (ch == Vstup::KONEC) {
            konec_vstupu();
          } else {
            pridej(ch);
            if (ch == '/') stav = 5;
          }
          break;
        case 5:
          if (ch == Vstup::KONEC) {
            konec_vstupu();
          } else {
            pridej(ch);
            stav = 4;
          }
          break;
        case 6:
          if (ch == '_') {
            pridej(ch);
          } else if (cislice(ch) || pismeno(ch)) {
            pridej(ch);
            stav = 14;
          } else if (ch == Vstup::KONEC) {
            konec_vstupu();
          }
          break;
        case 7:
          if (pismeno(ch)) {
            pridej(ch);
            stav = 14;
          } else if (ch == Vstup::KONEC) {
            konec_vstupu();
          }
          break;
        case 8:
          if (ch == '\n') {
            stav = 12;
          } else if (ch == Vstup::KONEC) {
            konec_vstupu();
          }
          break;
        case 9:
          if (ch == '!') {
            stav = 10;
          } else if (ch == Vstup::KONEC) {
            konec_vstupu();
          }
          break;
        case 10:
          if (ch == ':') {
            stav = 12;
          } else if (ch == Vstup::KONEC) {
            konec_vstupu();
          } else if (ch != '!') {
            stav = 9;
          }
          break;
        case 11:
          if (ch == '!') {
            stav = 9;
          } else if (ch == ':') {
            stav = 8;
          } else if (ch == Vstup::KONEC) {
            konec_vstupu();
          }
          break;
        case 12:
          buffer_ = ch;
          hotovo = true;
          break;
        case 13:
          if (cislice(ch)) {
            pridej(ch);
            kind = T_CISLO;
          } else if (ch == ',') {
            pridej(ch);
            stav = 1;
            kind = T_CISLO;
          } else if (ch == 'e') {
            pridej(ch);
            stav = 2;
            kind = T_CISLO;
          } else {
            buffer_ = ch;
            hotovo = true;
          }
          break;
        case 14:
          if (ch == '_') {
            pridej(ch);
            stav = 6;
          } else if (cislice(ch) || pismeno(ch)) {
            pridej(ch);
          } else {
            buffer_ = ch;
            hotovo = true;
          }
          break;
        case 15:
          if (cislice(ch)) {
            pridej(ch);
            stav = 13;
            kind = T_CISLO;
          } else {
            buffer_ = ch;
            hotovo = true;
          }
          break;
        case 16:
          if (cislice(ch)) {
            pridej(ch);
            stav = 13;
            kind = T_CISLO;
          } else if (ch == '>') {
            pridej(ch);
            stav = 12;
            kind = T_PRIRAZENI;
          } else {
            buffer_ = ch;
            hotovo = true;
          }
          break;
        case 17:
          if (ch == '=') {
            pridej(ch);
            stav = 12;
            kind = T_OPERATOR;
          } else {
            buffer_ = ch;
            hotovo = true;
          }
          break;
        case 19:
          if (cislice(ch)) {
            pridej(ch);
          } else if (ch == 'e') {
            pridej(ch);
            stav = 2;
            kind = T_CISLO;
          } else {
            buffer_ = ch;
            hotovo = true;
          }
          break;
        case 20:
          if (cislice(ch)) {
            pridej(ch);
          } else {
            buffer_ = ch;
            hotovo = true;
          }
          break;
        default: break;
      }
    }
    if (kind == T_KOMENTAR) continue;

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
    return;
  }
}

}  // namespace moxa
