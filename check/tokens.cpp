#include "check/tokens.hpp"

#include <algorithm>

#include "io/streams.hpp"
#include "lexer/scanner.hpp"

namespace moxa::kontrola {

namespace {

bool mezera(unsigned char c) { return c == '\t' || c == '\n' || c == ' '; }
bool cislice(unsigned char c) { return c >= '0' && c <= '9'; }

// Bytes that start a token in the scanner's start state; every other byte there is dropped,
// except blanks and the ':' of a comment.
bool zacina_token(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || cislice(c)) return true;
  return std::string_view("!<>\"%&()*/=^_|+-.;?@~{}").find(static_cast<char>(c)) !=
         std::string_view::npos;
}

// Where the comment that starts with the ':' at `p` ends (past its last byte), or npos when
// the end of input cuts it off. After a lone ':' every byte up to the next ':' or '!' is
// passed over and that byte opens the comment instead.
std::size_t konec_komentare(std::string_view s, std::size_t p) {
  const std::size_t q = s.find_first_of(":!", p + 1);
  if (q == std::string_view::npos) return q;
  if (s[q] == ':') {
    const std::size_t lf = s.find('\n', q + 1);
    return lf == std::string_view::npos ? lf : lf + 1;
  }
  const std::size_t z = s.find("!:", q + 1);
  return z == std::string_view::npos ? z : z + 2;
}

Nedokonceno druh_nedokonceneho(std::string_view s, std::size_t p) {
  const auto c = static_cast<unsigned char>(s[p]);
  if (c == '"') return Nedokonceno::Retezec;
  if (c == ':') return Nedokonceno::Komentar;
  if (cislice(c) || c == '+' || c == '-') return Nedokonceno::Cislo;
  return Nedokonceno::Slovo;
}

// Passes over the bytes [p, po) between two tokens: blanks, comments and dropped bytes.
// With `na_konci`, the first byte that starts a token (or a comment that never ends) starts
// the token that the end of input cut off.
void mezi_tokeny(std::string_view s, std::size_t p, std::size_t po, bool na_konci, Rozklad& r) {
  while (p < po) {
    const auto c = static_cast<unsigned char>(s[p]);
    if (mezera(c)) {
      ++p;
    } else if (c == ':') {
      const std::size_t k = konec_komentare(s, p);
      if (k == std::string_view::npos || k > po) {
        r.nedokonceno = Nedokonceno::Komentar;
        r.nedokonceny = {p, po};
        return;
      }
      r.komentare.push_back({p, k});
      p = k;
    } else if (na_konci && zacina_token(c)) {
      r.nedokonceno = druh_nedokonceneho(s, p);
      r.nedokonceny = {p, po};
      return;
    } else {
      r.vynechane.push_back(p++);
    }
  }
}

}  // namespace

// The scanner runs over the source with a blank appended, so that every token but the end
// of input is finished by a byte that the scanner reads and pushes back (a blank changes no
// token before it); that byte is where the token's bytes end.
Rozklad rozloz(std::string_view zdroj) {
  Rozklad r;
  std::string s(zdroj);
  s.push_back(' ');
  r.zdroj = std::make_shared<const std::string>(std::move(s));
  r.jine_texty = std::make_shared<std::deque<std::string>>();
  const std::string_view kopie(*r.zdroj);
  // The token's text as a view: into the source where it is a run of the token's bytes
  // there, else into a text of its own.
  const auto text = [&](std::string_view t, std::size_t od, std::size_t po) -> std::string_view {
    const std::size_t z = kopie.substr(od, po - od).find(t);
    if (z != std::string_view::npos) return kopie.substr(od + z, t.size());
    return r.jine_texty->emplace_back(t);
  };
  TextovyVstup f(kopie);
  Skener sk(f);
  Token t;
  std::size_t p = 0;  // where the scanner starts the next token
  for (;;) {
    sk.skenuj(t);
    if (t.druh == T_KONEC) {
      mezi_tokeny(zdroj, p, zdroj.size(), true, r);
      r.tokeny.push_back(
          {T_KONEC, text(t.text, zdroj.size(), zdroj.size()), {zdroj.size(), zdroj.size()}});
      return r;
    }
    const auto start = static_cast<std::size_t>(t.pozice.bajt);
    // The count of bytes read is 64-bit even where a size is 32 (WebAssembly).
    const auto konec =
        static_cast<std::size_t>(std::min<std::uint64_t>(f.precteno() - 1, zdroj.size()));
    mezi_tokeny(zdroj, p, start, false, r);
    r.tokeny.push_back({t.druh, text(t.text, start, konec), {start, konec}});
    p = konec;
  }
}

Radky::Radky(std::string_view zdroj) {
  zacatky_.push_back(0);
  for (std::size_t i = 0; i < zdroj.size(); ++i)
    if (zdroj[i] == '\n') zacatky_.push_back(i + 1);
}

std::uint64_t Radky::radek(std::size_t bajt) const {
  const auto it = std::upper_bound(zacatky_.begin(), zacatky_.end(), bajt);
  return static_cast<std::uint64_t>(it - zacatky_.begin());
}

std::uint64_t Radky::sloupec(std::size_t bajt) const {
  return bajt - zacatky_[static_cast<std::size_t>(radek(bajt) - 1)] + 1;
}

}  // namespace moxa::kontrola
