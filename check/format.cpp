#include "check/format.hpp"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "check/check.hpp"
#include "check/tokens.hpp"
#include "lexer/token.hpp"

namespace moxa::kontrola {

namespace {

bool je(const TokenZdroje& t, std::string_view text) {
  return t.kind != T_RETEZEC && t.text == text;
}

// Whether a block's '}' stays on the line of what follows it: "} e2 {", "} i2_end;", "} .".
bool za_zavorkou_na_radku(const TokenZdroje& t) {
  return je(t, "e2") || je(t, "i2_end") || je(t, "w2_end") || je(t, ".") || je(t, ";");
}

class Sazec {
 public:
  Sazec(std::string_view zdroj, const Rozklad& r) : zdroj_(zdroj), r_(r) {}

  std::string sazej() {
    const auto& tk = r_.tokeny;
    std::size_t p = 0;  // where the bytes not yet laid out start
    std::size_t k = 0;  // the next comment
    for (std::size_t i = 0; i + 1 < tk.size(); ++i) {
      const TokenZdroje& t = tk[i];
      std::string predpona = mezera_pred(p, t.usek.od, k);
      if (je(t, "}")) --odsazeni_;
      if (!out_.empty() && !na_zacatku_) {
        if (vynuceny_radek_ || (i > 0 && novy_radek_za(tk[i - 1], t))) {
          radek();
        } else if (i > 0 && mezera_mezi(tk[i - 1], t) && out_.back() != ' ') {
          out_ += ' ';
        }
      }
      prazdny_radek_ = false;
      odsad();
      out_ += predpona;
      out_ += zdroj_.substr(t.usek.od, t.usek.po - t.usek.od);
      p = t.usek.po;
      if (je(t, "(")) ++zavorky_;
      if (je(t, ")") && zavorky_ > 0) --zavorky_;
      if (je(t, "{")) ++odsazeni_;
      if (je(t, ".") && odsazeni_ == 0 && i > 0 && je(tk[i - 1], "}")) {
        konec(p);
        return out_;
      }
    }
    // The program's end stands where this layout does not see it (a '}' or the '.' written
    // as a text, which reads as the same token): what follows the last token, comments
    // and all, is kept as it is.
    konec(p);
    return out_;
  }

 private:
  // After the final '.' nothing is read: what stands there is kept as it is.
  void konec(std::size_t p) {
    const std::string_view zbytek = zdroj_.substr(p);
    if (zbytek.find_first_not_of(" \t\r\n") == std::string_view::npos) {
      out_ += '\n';
    } else {
      out_ += zbytek;
    }
  }

  bool novy_radek_za(const TokenZdroje& a, const TokenZdroje& b) const {
    if (je(b, "}")) return true;
    if (je(a, "{")) return true;
    if (je(a, ";") && zavorky_ == 0) return true;
    if (je(a, "}")) return !za_zavorkou_na_radku(b);
    return false;
  }

  static bool mezera_mezi(const TokenZdroje& a, const TokenZdroje& b) {
    if (je(a, "(") || je(b, ")") || je(b, ";")) return false;
    if (je(b, "(")) {
      // A call, a declaration and a write statement take their bracket at once; a
      // condition's bracket and a bracket after an operator stand apart.
      return !(a.kind == T_VOLANI || a.kind == T_DEKLARACE ||
               (a.kind == T_SLOVO && !je(a, "i2") && !je(a, "w2")));
    }
    return true;
  }

  void radek() {
    // Blanks that end a line go, except those inside a comment written there.
    while (out_.size() > konec_komentare_ && out_.back() == ' ')
      out_.pop_back();
    out_ += '\n';
    if (prazdny_radek_) out_ += '\n';
    na_zacatku_ = true;
    vynuceny_radek_ = false;
    prazdny_radek_ = false;
  }

  void odsad() {
    if (!na_zacatku_) return;
    out_.append(static_cast<std::size_t>(odsazeni_ > 0 ? odsazeni_ : 0) * 2, ' ');
    na_zacatku_ = false;
  }

  // Lays out the bytes [od, po) before a token: comments go where they stood (at the end of
  // the line before, or on lines of their own); white space is replaced; dropped bytes stay
  // with the token they stood before (returned). Notes a blank line to keep.
  std::string mezera_pred(std::size_t od, std::size_t po, std::size_t& k) {
    std::string predpona;
    int konce_radku = 0;
    for (std::size_t q = od; q < po;) {
      const char c = zdroj_[q];
      if (k < r_.komentare.size() && r_.komentare[k].od == q) {
        const Usek u = r_.komentare[k++];
        // A line comment's own line feed ends its line.
        konce_radku = komentar(u, konce_radku) ? 1 : 0;
        q = u.po;
        continue;
      }
      if (c == '\n') {
        ++konce_radku;
        ++q;
      } else if (c == ' ' || c == '\t' || (c == '\r' && q + 1 < po && zdroj_[q + 1] == '\n')) {
        ++q;
      } else {
        // A dropped byte: the run of them stays as it is, apart from the rest by a blank.
        if (!predpona.empty() &&
            (zdroj_[q - 1] == ' ' || zdroj_[q - 1] == '\t' || zdroj_[q - 1] == '\n'))
          predpona += ' ';
        predpona += c;
        ++q;
      }
    }
    if (konce_radku >= 2 && !out_.empty()) prazdny_radek_ = true;
    return predpona;
  }

  // Lays out the comment `u`; true for a line comment.
  bool komentar(Usek u, int konce_radku) {
    std::string_view text = zdroj_.substr(u.od, u.po - u.od);
    const bool radkovy = text.back() == '\n';
    if (radkovy) text.remove_suffix(1);
    // The carriage returns that end the line belong to its end, which is written as a line
    // feed: all of them, so that a second run finds none to take.
    while (radkovy && !text.empty() && text.back() == '\r')
      text.remove_suffix(1);
    if (out_.empty()) {
      // at the top of the file
    } else if (konce_radku > 0 || vynuceny_radek_) {
      if (konce_radku >= 2) prazdny_radek_ = true;
      if (!na_zacatku_) radek();
    } else if (!na_zacatku_) {
      out_ += ' ';
    }
    odsad();
    out_ += text;
    konec_komentare_ = out_.size();
    // A line comment ends its line; so does a block comment that ended one.
    vynuceny_radek_ = radkovy || (u.po < zdroj_.size() && zdroj_[u.po] == '\n');
    if (!vynuceny_radek_) out_ += ' ';
    return radkovy;
  }

  std::string_view zdroj_;
  const Rozklad& r_;
  std::string out_;
  std::size_t konec_komentare_ = 0;  // where the last comment written ends in out_
  int odsazeni_ = 0;
  int zavorky_ = 0;
  bool na_zacatku_ = true;
  bool vynuceny_radek_ = false;
  bool prazdny_radek_ = false;
};

bool stejne(const Rozklad& a, const Rozklad& b) {
  return std::equal(a.tokeny.begin(), a.tokeny.end(), b.tokeny.begin(), b.tokeny.end(),
                    [](const TokenZdroje& x, const TokenZdroje& y) {
                      return x.kind == y.kind && x.text == y.text;
                    });
}

}  // namespace

bool stejne_tokeny(std::string_view a, std::string_view b) { return stejne(rozloz(a), rozloz(b)); }

Formatovani naformatuj(std::string_view zdroj) {
  Formatovani f;
  const Vysledek v = zkontroluj(zdroj);
  if (v.ma_chybu()) {
    // The run's own message and place: an error found at its cause (any code but the run's
    // messages, M0..) carries them as its first note.
    const Zjisteni& z = v.zjisteni.front();
    const bool u_priciny = z.kod.rfind("M0", 0) != 0 && !z.poznamky.empty();
    const Misto& m = u_priciny ? z.poznamky.front().misto : z.misto;
    const std::string& text = u_priciny ? z.poznamky.front().text : z.text;
    f.proc = std::to_string(m.radek) + ":" + std::to_string(m.sloupec) + ": " + text;
    return f;
  }
  const Rozklad r = rozloz(zdroj);
  std::string text = Sazec(zdroj, r).sazej();
  if (!stejne(r, rozloz(text))) {
    f.proc = "the layout would change the program's tokens; left as it is";
    return f;
  }
  f.text = std::move(text);
  return f;
}

}  // namespace moxa::kontrola
