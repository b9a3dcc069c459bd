// moxa_tokens: the tokens of a program as the interpreter's scanner delivers them, with the
// places where they stand in the source, for tools that must agree with the scanner
// (the editors' highlighters). With --words it prints the keyword and operator lists.
//
//   moxa_tokens FILE      {"tokens":[{"kind":K,"start":S,"end":E,"line":L,"col":C,"text":T},...],
//                          "comments":[[S,E],...],"unfinished":[S,E] or null}
//   moxa_tokens --words   {"keywords":[...],"end":".","operators":[...],...,
//                          "message":[the fixed parts of an error message's opening]}
//   moxa_tokens --code FILE   the compiled code of every outermost loop the program runs,
//                             one instruction a line with the statement starts (the run's
//                             own output is dropped; cti reads an empty input; the run
//                             stops after 10,000,000 steps)
//
// Offsets count bytes from 0, lines and columns (in bytes) from 1, as the scanner gives them
// for a token's first byte; a token covers [start, end), dropped bytes inside it included
// (the ' ' of "@ x", the quotes of a string literal). Texts are escaped byte by byte, every
// byte above 127 as the code point of the same number, so a reader that decodes the file as
// Latin-1 sees the same offsets. "unfinished" is the token or comment that the end of input
// cut off: the scanner drops it.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "io/streams.hpp"
#include "lexer/scanner.hpp"
#include "lexer/words.hpp"
#include "parser/interpret.hpp"
#include "vm/messages.hpp"

namespace {

using moxa::Skener;
using moxa::TextovyVstup;
using moxa::Token;

struct Usek {
  std::size_t od, po;
};

struct Vypis {
  struct Tok {
    std::int32_t kind;
    Usek usek;
    std::uint64_t radek, sloupec;
    std::string text;
  };
  std::vector<Tok> tokeny;
  std::vector<Usek> komentare;
  bool nedokonceno = false;
  Usek nedokonceny{0, 0};
};

// Bytes that start a token in the scanner's start state; every other byte there is dropped,
// except blanks and the ':' of a comment.
bool zacina_token(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!<>\"%&()*/=^_|+-.;?@~{}").find(static_cast<char>(c)) !=
         std::string_view::npos;
}

// From `p`, where the scanner starts a new token, passes over blanks, dropped bytes and
// comments (recording them) to the first byte of the next token; returns the source size
// when none follows. A comment that the end of input cuts off is recorded as unfinished.
std::size_t k_tokenu(std::string_view s, std::size_t p, Vypis& v) {
  const std::size_t n = s.size();
  while (p < n) {
    const auto c = static_cast<unsigned char>(s[p]);
    if (c != ':') {
      if (zacina_token(c)) return p;
      ++p;
      continue;
    }
    // ':' then '::' line comment, ':!' block comment; after a lone ':' every byte up to the
    // next ':' or '!' is dropped and that byte opens the comment instead.
    std::size_t q = s.find_first_of(":!", p + 1);
    std::size_t konec = std::string_view::npos;
    if (q != std::string_view::npos) {
      if (s[q] == ':') {
        konec = s.find('\n', q + 1);
        if (konec != std::string_view::npos) konec += 1;
      } else {
        konec = s.find("!:", q + 1);
        if (konec != std::string_view::npos) konec += 2;
      }
    }
    if (konec == std::string_view::npos) {
      v.nedokonceno = true;
      v.nedokonceny = {p, n};
      return n;
    }
    v.komentare.push_back({p, konec});
    p = konec;
  }
  return n;
}

// The first token a fresh scanner delivers from `s` (its kind and a copy of its text), and
// how many bytes it took to finish it (the byte it reads past the token and pushes back
// included).
struct PrvniToken {
  std::int32_t druh;
  std::string text;
  std::size_t delka;
};
PrvniToken prvni_token(std::string_view s) {
  TextovyVstup f(s);
  Skener sk(f);
  Token t;
  sk.skenuj(t);
  return {t.druh, std::string(t.text), f.precteno()};
}

// Runs the scanner over the whole source and takes every token it delivers with the place
// the scanner gives it. A blank is appended to the source so that every token but the end of
// input is finished by a byte that the scanner reads and pushes back; a blank changes no
// token before it. Each place is checked twice: against the first byte found by passing over
// blanks and comments from the end of the token before, and by scanning again from there.
bool rozloz(std::string_view zdroj, Vypis& v, std::string& chyba) {
  std::string s(zdroj);
  s.push_back(' ');
  TextovyVstup f(s);
  Skener sk(f);
  Token t;
  std::size_t p = 0;  // where the scanner starts the next token
  for (;;) {
    sk.skenuj(t);
    const std::size_t start = k_tokenu(zdroj, p, v);
    if (t.druh == moxa::T_KONEC) {
      if (start < zdroj.size() && !v.nedokonceno) {
        v.nedokonceno = true;
        v.nedokonceny = {start, zdroj.size()};
      }
      return true;
    }
    const std::size_t end = f.precteno() - 1;
    if (t.pozice.bajt != start) {
      chyba = "token \"" + std::string(t.text) + "\" is said to start at " +
              std::to_string(t.pozice.bajt) + ", not at " + std::to_string(start);
      return false;
    }
    if (start >= end) {
      chyba = "token \"" + std::string(t.text) + "\" ends at " + std::to_string(end) +
              " before its first byte " + std::to_string(start);
      return false;
    }
    const PrvniToken znovu = prvni_token(std::string_view(s).substr(start));
    if (znovu.druh != t.druh || znovu.text != t.text || znovu.delka - 1 != end - start) {
      chyba = "token \"" + std::string(t.text) + "\" placed at " + std::to_string(start) +
              " scans differently from there";
      return false;
    }
    v.tokeny.push_back(
        {t.druh, {start, end}, t.pozice.radek, t.pozice.sloupec, std::string(t.text)});
    p = end;
  }
}

std::string json_text(std::string_view s) {
  std::string r = "\"";
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      r += '\\';
      r += ch;
    } else if (c < 32 || c > 126) {
      char b[8];
      std::snprintf(b, sizeof b, "\\u%04x", c);
      r += b;
    } else {
      r += ch;
    }
  }
  return r + "\"";
}

template <typename Seznam>
std::string json_seznam(const Seznam& seznam) {
  std::string r = "[";
  for (const auto& w : seznam) {
    if (r.size() > 1) r += ",";
    r += json_text(w.text);
  }
  return r + "]";
}

void slova() {
  std::cout << "{\"keywords\":" << json_seznam(moxa::KLICOVA_SLOVA)
            << ",\"end\":" << json_text(moxa::KONEC_PROGRAMU.text)
            << ",\"operators\":" << json_seznam(moxa::OPERATORY)
            << ",\"braces\":" << json_seznam(moxa::ZAVORKY)
            << ",\"separator\":" << json_text(moxa::STREDNIK.text)
            << ",\"assignment\":" << json_text(moxa::PRIRAZENI) << ",\"message\":["
            << json_text(moxa::zpravy::ZPRAVA_PRED_BLOKEM) << ","
            << json_text(moxa::zpravy::ZPRAVA_PRED_RADKEM) << ","
            << json_text(moxa::zpravy::ZPRAVA_ZA_RADKEM) << "]}\n";
}

void tokeny(const Vypis& v) {
  std::cout << "{\"tokens\":[";
  const char* carka = "\n";
  for (const auto& t : v.tokeny) {
    std::cout << carka << "{\"kind\":" << t.kind << ",\"start\":" << t.usek.od
              << ",\"end\":" << t.usek.po << ",\"line\":" << t.radek << ",\"col\":" << t.sloupec
              << ",\"text\":" << json_text(t.text) << "}";
    carka = ",\n";
  }
  std::cout << "],\n\"comments\":[";
  carka = "";
  for (const auto& k : v.komentare) {
    std::cout << carka << "[" << k.od << "," << k.po << "]";
    carka = ",";
  }
  std::cout << "],\n\"unfinished\":";
  if (v.nedokonceno) {
    std::cout << "[" << v.nedokonceny.od << "," << v.nedokonceny.po << "]";
  } else {
    std::cout << "null";
  }
  std::cout << "}\n";
}

// Runs the program and lists the code of each outermost loop once its first pass is read.
void kod(const std::string& program) {
  moxa::TextovyVstup zdroj(program);
  moxa::TextovyVstup vstup("");
  std::string vystup;
  moxa::CilRetezec cil(vystup, 1 << 20);
  moxa::Vystup out(cil);
  moxa::Nastaveni n;
  n.limit_kroku = 10'000'000;
  int cyklus = 0;
  n.po_prekladu = [&](const moxa::KodCyklu& k) {
    std::cout << "; cyklus " << ++cyklus << "\n" << k.vypis();
  };
  moxa::Interpret interpret(zdroj, vstup, out, n);
  (void)interpret.SA();
  interpret.uvolni();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view pouziti =
      "usage: moxa_tokens FILE | moxa_tokens --code FILE | moxa_tokens --words\n";
  const bool s_kodem = argc == 3 && std::string_view(argv[1]) == "--code";
  if (argc != 2 && !s_kodem) {
    std::cerr << pouziti;
    return 2;
  }
  const std::string_view arg = argv[argc - 1];
  if (arg == "--words" && !s_kodem) {
    slova();
    return 0;
  }
  std::ifstream in(argv[argc - 1], std::ios::binary);
  if (!in) {
    std::cerr << "moxa_tokens: cannot read " << arg << "\n";
    return 2;
  }
  std::ostringstream obsah;
  obsah << in.rdbuf();
  if (s_kodem) {
    kod(obsah.str());
    return 0;
  }
  Vypis v;
  std::string chyba;
  if (!rozloz(obsah.str(), v, chyba)) {
    std::cerr << "moxa_tokens: " << arg << ": " << chyba << "\n";
    return 1;
  }
  tokeny(v);
  return 0;
}
