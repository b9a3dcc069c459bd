// The scanner over arbitrary bytes. Every token it delivers must be well formed for its
// kind (no white space or comment is ever delivered, no text holds a zero byte), the
// end-of-input token must come and then repeat for good, every line feed of the input must
// be counted exactly once, and the token stream must not depend on how the reader's buffer
// splits the input. A number the scanner reads on the way must be its text's reading.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "expr/value.hpp"
#include "io/streams.hpp"
#include "lexer/scanner.hpp"
#include "tests/piece_reader.hpp"

namespace {

using kousky::PoKouskach;

struct Zaznam {
  std::int32_t kind;
  std::string text;
  std::uint64_t radek;
  bool operator==(const Zaznam&) const = default;
};

[[noreturn]] void nalez(const char* co, const Zaznam& z) {
  std::fprintf(stderr, "finding: %s (kind %d, line %llu, text of %zu bytes: \"%.200s\")\n", co,
               z.kind, static_cast<unsigned long long>(z.radek), z.text.size(), z.text.c_str());
  std::abort();
}

bool cislice(char c) { return c >= '0' && c <= '9'; }
bool pismeno(char c) { return c >= 'a' && c <= 'z'; }

// Letters and digits, where every run of '_' is followed by a letter or digit.
bool telo_slova(std::string_view s) {
  if (s.empty() || s.back() == '_') return false;
  for (const char c : s) {
    if (!pismeno(c) && !cislice(c) && c != '_') return false;
  }
  return true;
}

std::size_t cislice_od(std::string_view s, std::size_t i) {
  while (i < s.size() && cislice(s[i]))
    ++i;
  return i;
}

// [+-] digits [',' digits] ['e' [+-] digits]
bool tvar_cisla(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t j = cislice_od(s, i);
  if (j == i) return false;
  if (j < s.size() && s[j] == ',') {
    i = j + 1;
    j = cislice_od(s, i);
    if (j == i) return false;
  }
  if (j < s.size() && s[j] == 'e') {
    i = j + 1;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    j = cislice_od(s, i);
    if (j == i) return false;
  }
  return j == s.size();
}

// No '"' unless escaped by '/'; a zero byte may have cut the text right after a '/'.
bool tvar_retezce(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '/') {
      ++i;
    } else if (s[i] == '"') {
      return false;
    }
  }
  return true;
}

bool operator_text(std::string_view s) {
  static constexpr std::string_view OPERATORY[] = {"!", "<", ">", "%", "&", "(", ")",  "*",  "/",
                                                   "=", "^", "_", "|", "+", "-", "!=", "<=", ">="};
  for (const std::string_view o : OPERATORY) {
    if (s == o) return true;
  }
  return false;
}

void zkontroluj_token(const Zaznam& z) {
  if (z.text.find('\0') != std::string::npos) nalez("a zero byte in a token text", z);
  const std::string_view t = z.text;
  bool ok = false;
  switch (z.kind) {
    case 0: ok = tvar_cisla(t); break;
    case 1: ok = tvar_retezce(t); break;
    case 4: ok = t == ";"; break;
    case 5:
      ok = !t.empty() && (t[0] == '.' || pismeno(t[0])) &&
           (t.size() == 1 || telo_slova(t.substr(1)));
      break;
    case 6: ok = t == "{" || t == "}"; break;
    case 7: ok = t == "\xFF"; break;
    case 8: ok = t == "->"; break;
    case 9: ok = operator_text(t); break;
    case 10:
    case 11:
    case 12: {
      const char uvod = z.kind == 10 ? '@' : z.kind == 11 ? '~' : '?';
      ok = t.size() >= 2 && t[0] == uvod && pismeno(t[1]) && telo_slova(t.substr(1));
      break;
    }
    default: nalez("a token of a kind that is never delivered", z);
  }
  if (!ok) nalez("a token text that its kind cannot have", z);
}

// Every token up to the end of input, then a few more calls that must repeat the end.
std::vector<Zaznam> tokeny(moxa::Vstup& f, std::size_t delka) {
  moxa::Skener s(f);
  std::vector<Zaznam> v;
  moxa::Token t;
  std::uint64_t radek = 1;
  for (;;) {
    s.skenuj(t);
    Zaznam z{t.druh, std::string(t.text), s.cislo_radku()};
    if (z.radek < radek) nalez("the line counter went back", z);
    radek = z.radek;
    zkontroluj_token(z);
    if (t.ma_cislo && std::bit_cast<std::uint64_t>(t.cislo) !=
                          std::bit_cast<std::uint64_t>(moxa::cteni_textu(t.text))) {
      nalez("a number read on the way is not its text's reading", z);
    }
    if (t.psane_cele && std::to_string(static_cast<std::int64_t>(t.cislo)) != t.text) {
      nalez("a number said to be written as its digits writes otherwise", z);
    }
    v.push_back(z);
    if (z.kind == 7) break;
    // Each token takes at least one byte of the input.
    if (v.size() > delka) nalez("more tokens than bytes", z);
  }
  for (int i = 0; i < 3; ++i) {
    s.skenuj(t);
    const Zaznam z{t.druh, std::string(t.text), s.cislo_radku()};
    if (!(z == v.back())) nalez("the end-of-input token did not repeat", z);
  }
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view vstup(reinterpret_cast<const char*>(data), size);
  moxa::TextovyVstup cely(vstup);
  const std::vector<Zaznam> v = tokeny(cely, size);

  std::uint64_t radku = 1;
  for (const char c : vstup) {
    if (c == '\n') ++radku;
  }
  if (v.back().radek != radku) nalez("not every line feed was counted once", v.back());

  const std::size_t krok = size == 0 ? 1 : 1 + data[size - 1] % 7;
  PoKouskach po_kouskach(vstup, krok);
  if (tokeny(po_kouskach, size) != v) {
    nalez("reading the input in pieces changed the tokens", v.back());
  }
  return 0;
}
