#include "check/check.hpp"

#include <algorithm>
#include <exception>
#include <map>
#include <set>

#include "check/tokens.hpp"
#include "driver/stack.hpp"
#include "io/streams.hpp"
#include "lexer/token.hpp"
#include "parser/interpret.hpp"

namespace moxa::kontrola {

namespace {

constexpr std::size_t ZADNY = static_cast<std::size_t>(-1);

// What the grammar found, reading the program with execution off.
struct Syntaxe {
  bool chyba = false;
  std::string zprava;            // the run's message without its line feed; empty: none of its own
  std::size_t bajt = 0;          // the token the error is about
  std::uint64_t radek_behu = 0;  // the line the run's message quotes
};

struct Ukol {
  Interpret* interpret;
  int vysledek;
};

void spust(void* p) {
  auto* u = static_cast<Ukol*>(p);
  u->vysledek = u->interpret->SA();
}

Syntaxe syntaxe(std::string_view program) {
  Syntaxe s;
  std::string vystup;
  CilRetezec cil(vystup);
  Vystup out(cil);
  TextovyVstup zdroj(program);
  TextovyVstup vstup{std::string_view()};  // nothing to read: `cti` gets the empty text
  Nastaveni nastaveni;
  nastaveni.provadet = false;
  nastaveni.pozice_tokenu = true;
  try {
    Interpret interpret(zdroj, vstup, out, nastaveni);
    Ukol ukol{&interpret, 1};
    const bool probehl = na_velkem_zasobniku(spust, &ukol);
    out.vyprazdnit();
    if (!probehl || ukol.vysledek != 0) {
      s.chyba = true;
      const Token& t = interpret.aktualni_token();
      s.bajt = static_cast<std::size_t>(t.pozice.bajt);
      s.radek_behu = interpret.cislo_radku();
      const std::size_t z = vystup.find("V bloku: ");
      if (z != std::string::npos) s.zprava = vystup.substr(z, vystup.find('\n', z) - z);
    }
    interpret.uvolni();
  } catch (const std::exception&) {
    s.chyba = true;
  }
  return s;
}

std::string ukaz(std::string_view s) {
  std::string r;
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 32 || c == 127) {
      static constexpr char HEX[] = "0123456789abcdef";
      r += "\\x";
      r += HEX[c >> 4];
      r += HEX[c & 15];
    } else {
      r += ch;
    }
  }
  return r;
}

std::string v_uvozovkach(std::string_view s) {
  std::string r(1, '`');
  r.append(ukaz(s));
  r.push_back('`');
  return r;
}

// A signed number written with a blank after its sign: "- 3".
std::string rozdelene(std::string_view cislo) {
  std::string r;
  r.reserve(cislo.size() + 1);
  r.push_back(cislo[0]);
  r.push_back(' ');
  r.append(cislo.substr(1));
  return r;
}

bool je_operand_konec(const TokenZdroje& t) {
  return t.kind == T_CISLO || t.kind == T_RETEZEC || t.kind == T_PROMENNA || t.text == ")";
}

class Kontrola {
 public:
  explicit Kontrola(std::string_view zdroj) : zdroj_(zdroj), radky_(zdroj), r_(rozloz(zdroj)) {}

  Vysledek proved() {
    const Syntaxe s = syntaxe(zdroj_);
    // Without an error the program ends at its final '.'; nothing after it is read.
    std::size_t konec_programu = zdroj_.size();
    std::size_t posledni = r_.tokeny.size() - 1;  // tokens [0, posledni) belong to the program
    if (!s.chyba) {
      for (std::size_t i = 0; i < r_.tokeny.size(); ++i)
        if (r_.tokeny[i].text == "." && je_konec(i)) {
          konec_programu = r_.tokeny[i].usek.po;
          posledni = i + 1;
          break;
        }
    }
    skener(konec_programu, posledni);
    ucitel(posledni);
    std::stable_sort(varovani_.begin(), varovani_.end(), [](const auto& a, const auto& b) {
      return a.first.misto.bajt < b.first.misto.bajt;
    });
    Vysledek v;
    if (s.chyba) v.zjisteni.push_back(chyba(s));
    for (auto& [z, i] : varovani_)
      v.zjisteni.push_back(std::move(z));
    return v;
  }

 private:
  // Whether the '.' token `i` is where the program ends: the check found no error, so the
  // first '.' that follows the main block's '}' at the outermost level ends it.
  bool je_konec(std::size_t i) const {
    int hloubka = 0;
    for (std::size_t j = 0; j < i; ++j) {
      if (r_.tokeny[j].text == "{") ++hloubka;
      if (r_.tokeny[j].text == "}") --hloubka;
    }
    return hloubka == 0 && i > 0 && r_.tokeny[i - 1].text == "}";
  }

  Misto misto(std::size_t od, std::size_t po) const {
    return {radky_.radek(od), radky_.sloupec(od), od, po - od};
  }
  std::string_view zdroj(Usek u) const { return zdroj_.substr(u.od, u.po - u.od); }

  std::size_t token_na(std::size_t bajt) const {
    for (std::size_t i = 0; i < r_.tokeny.size(); ++i)
      if (r_.tokeny[i].usek.od == bajt) return i;
    return ZADNY;
  }

  void varuj(std::size_t od, std::size_t po, std::string text, std::size_t token = ZADNY) {
    Zjisteni z;
    z.zavaznost = Zavaznost::Varovani;
    z.misto = misto(od, po);
    z.text = std::move(text);
    varovani_.emplace_back(std::move(z), token);
  }

  Zjisteni chyba(const Syntaxe& s) const {
    Zjisteni z;
    z.zavaznost = Zavaznost::Chyba;
    const std::size_t i = token_na(s.bajt);
    const std::size_t po = i == ZADNY ? s.bajt : r_.tokeny[i].usek.po;
    z.misto = misto(std::min(s.bajt, zdroj_.size()), std::min(po, zdroj_.size()));
    if (!s.zprava.empty()) {
      z.text = s.zprava;
    } else if (i != ZADNY && i >= 2 && r_.tokeny[i - 1].text == "(" &&
               r_.tokeny[i - 2].text == "cti") {
      z.text = "cti cte jen do promenne: byla ocekavana promenna @jmeno";
    } else if (s.bajt == 0 && i == ZADNY) {
      z.text = "kontrola nemohla probehnout: nedostatek pameti";
    } else {
      z.text = "za hlavnim blokem byla ocekavana tecka: \".\"";
    }
    if (s.radek_behu != 0 && s.radek_behu != z.misto.radek)
      z.poznamky.push_back({z.misto, "beh programu hlasi radek " + std::to_string(s.radek_behu) +
                                         ", kam uz dospelo cteni programu"});
    // A reading of the scanner's that explains the error.
    for (const auto& [w, t] : varovani_)
      if (t != ZADNY && i != ZADNY && (t == i || t + 1 == i))
        z.poznamky.push_back({w.misto, w.text});
    return z;
  }

  // What the scanner reads differently from how the program looks.
  void skener(std::size_t konec_programu, std::size_t posledni) {
    vynechane_mezi(konec_programu);
    for (std::size_t i = 0; i < posledni; ++i) {
      const TokenZdroje& t = r_.tokeny[i];
      if (t.kind != T_RETEZEC) uvnitr(i);
      if (t.kind == T_CISLO && (t.text[0] == '+' || t.text[0] == '-') && i > 0 &&
          je_operand_konec(r_.tokeny[i - 1])) {
        const TokenZdroje& p = r_.tokeny[i - 1];
        varuj(t.usek.od, t.usek.po,
              v_uvozovkach(zdroj({p.usek.od, t.usek.po})) + " se cte jako " +
                  v_uvozovkach(p.kind == T_RETEZEC ? zdroj(p.usek) : p.text) + " a cislo " +
                  v_uvozovkach(t.text) + ", ne jako " +
                  (t.text[0] == '-' ? "odcitani" : "scitani") +
                  " (to se pise s mezerou za znamenkem: " + v_uvozovkach(rozdelene(t.text)) + ")",
              i);
      }
      if (t.kind == T_SLOVO && t.text != "." && znacka_textu(t.text) == Znacka::Zadna)
        varuj(t.usek.od, t.usek.po, "slovo " + v_uvozovkach(t.text) + " neni klicove slovo", i);
    }
    if (r_.nedokonceno != Nedokonceno::Nic) {
      static constexpr std::string_view CO[] = {"", "neuzavreny retezec", "neukonceny komentar",
                                                "nedokonceny zapis cisla",
                                                "nedokoncene slovo nebo jmeno"};
      varuj(r_.nedokonceny.od, r_.nedokonceny.po,
            std::string(CO[static_cast<int>(r_.nedokonceno)]) +
                " na konci souboru: skener ho vynecha a program konci pred nim");
    }
  }

  // Bytes dropped between tokens: a run of them that touches a token changes what the token
  // reads as; one that touches none vanishes.
  void vynechane_mezi(std::size_t konec_programu) {
    const auto& v = r_.vynechane;
    for (std::size_t a = 0; a < v.size();) {
      std::size_t b = a + 1;
      while (b < v.size() && v[b] == v[b - 1] + 1)
        ++b;
      const std::size_t od = v[a];
      std::size_t po = v[b - 1] + 1;
      a = b;
      if (od >= konec_programu) break;
      // A carriage return before a line feed belongs to the line's end.
      if (zdroj_[po - 1] == '\r' && po < zdroj_.size() && zdroj_[po] == '\n') --po;
      if (po == od) continue;
      // The tokens stand in order: the one that ends where the run starts, the one that
      // starts where it ends.
      const auto& tk = r_.tokeny;
      const auto dal =
          std::lower_bound(tk.begin(), tk.end() - 1, po,
                           [](const TokenZdroje& t, std::size_t kde) { return t.usek.od < kde; });
      const std::size_t za = dal != tk.end() - 1 && dal->usek.od == po
                                 ? static_cast<std::size_t>(dal - tk.begin())
                                 : ZADNY;
      const std::size_t pred = dal != tk.begin() && (dal - 1)->usek.po == od
                                   ? static_cast<std::size_t>(dal - tk.begin() - 1)
                                   : ZADNY;
      const std::string znaky = v_uvozovkach(zdroj({od, po}));
      const std::string slovo = po - od == 1 ? "znak " : "znaky ";
      if (pred == ZADNY && za == ZADNY) {
        varuj(od, po, slovo + znaky + " skener vynechava");
        continue;
      }
      const std::size_t zacatek = pred != ZADNY ? r_.tokeny[pred].usek.od : od;
      const std::size_t konec = za != ZADNY ? r_.tokeny[za].usek.po : po;
      std::string cte = pred != ZADNY ? v_uvozovkach(r_.tokeny[pred].text) : "";
      if (za != ZADNY) cte += (cte.empty() ? "" : " a ") + v_uvozovkach(r_.tokeny[za].text);
      varuj(od, po,
            slovo + znaky + " skener vynechava: " + v_uvozovkach(zdroj({zacatek, konec})) +
                " se cte jako " + cte,
            za != ZADNY ? za : pred);
    }
  }

  // Bytes dropped inside token `i`: after '@', '~' or '?', after '_', while a number waits
  // for a digit. White space among them breaks the word as it looks.
  void uvnitr(std::size_t i) {
    const TokenZdroje& t = r_.tokeny[i];
    const std::string_view s = zdroj(t.usek);
    std::size_t k = 0;
    bool mezera = false;
    std::size_t prvni = ZADNY;
    for (std::size_t j = 0; j < s.size(); ++j) {
      if (k < t.text.size() && s[j] == t.text[k]) {
        ++k;
        continue;
      }
      if (prvni == ZADNY) prvni = j;
      if (s[j] == ' ' || s[j] == '\t' || s[j] == '\n') mezera = true;
    }
    if (prvni == ZADNY) return;
    const std::string jak = v_uvozovkach(s);
    if (mezera) {
      varuj(t.usek.od + prvni, t.usek.po,
            jak + " se cte jako jedno " + (t.kind == T_CISLO ? "cislo " : "slovo ") +
                v_uvozovkach(t.text),
            i);
    } else {
      varuj(t.usek.od + prvni, t.usek.po,
            "skener vynechava znaky uvnitr: " + jak + " se cte jako " + v_uvozovkach(t.text), i);
    }
  }

  // What a teacher would point out: variables read but never assigned, calls of names
  // declared nowhere, declarations never called, conditions that are constant.
  void ucitel(std::size_t posledni) {
    const auto& tk = r_.tokeny;
    std::map<std::string, std::size_t> cteni;  // variable -> its first read
    std::set<std::string> prirazene;
    std::map<std::string, std::size_t> volani;
    std::map<std::string, std::size_t> deklarace;
    for (std::size_t i = 0; i < posledni; ++i) {
      const TokenZdroje& t = tk[i];
      if (t.kind == T_PROMENNA) {
        const bool prirazeni = i + 1 < posledni && tk[i + 1].kind == T_PRIRAZENI;
        const bool cti = i >= 2 && tk[i - 1].text == "(" && tk[i - 2].text == "cti";
        const bool parametr = i >= 1 && tk[i - 1].text == "p2";
        if (prirazeni || cti) {
          prirazene.insert(t.text);
        } else if (!parametr) {
          cteni.emplace(t.text, i);
        }
      } else if (t.kind == T_VOLANI) {
        volani.emplace(t.text.substr(1), i);
      } else if (t.kind == T_DEKLARACE) {
        deklarace.emplace(t.text.substr(1), i);
      } else if ((t.text == "i2" || t.text == "w2") && t.kind == T_SLOVO) {
        podminka(i, posledni);
      }
    }
    for (const auto& [jmeno, i] : cteni)
      if (prirazene.count(jmeno) == 0)
        varuj(tk[i].usek.od, tk[i].usek.po,
              "promenna " + v_uvozovkach(jmeno) +
                  " se cte, ale nikde se ji nic neprirazuje: ma hodnotu `hodnota neurcena`");
    for (const auto& [jmeno, i] : volani)
      if (deklarace.count(jmeno) == 0)
        varuj(tk[i].usek.od, tk[i].usek.po,
              "volani " + v_uvozovkach("~" + jmeno) + ": funkce " + v_uvozovkach("?" + jmeno) +
                  " neni nikde deklarovana");
    for (const auto& [jmeno, i] : deklarace)
      if (volani.count(jmeno) == 0)
        varuj(tk[i].usek.od, tk[i].usek.po,
              "deklarace " + v_uvozovkach("?" + jmeno) + " neni nikde volana");
  }

  // A condition with no variable and no call in it has the same value on every pass.
  void podminka(std::size_t i, std::size_t posledni) {
    const auto& tk = r_.tokeny;
    if (i + 1 >= posledni || tk[i + 1].text != "(") return;
    int hloubka = 0;
    for (std::size_t j = i + 1; j < posledni; ++j) {
      if (tk[j].text == "(") ++hloubka;
      if (tk[j].text == ")" && --hloubka == 0) {
        if (j == i + 2) return;  // empty: a syntax error
        varuj(tk[i + 2].usek.od, tk[j - 1].usek.po,
              "podminka " + v_uvozovkach(zdroj({tk[i + 2].usek.od, tk[j - 1].usek.po})) +
                  " je stala: nema v sobe promennou ani volani");
        return;
      }
      if (tk[j].kind == T_PROMENNA || tk[j].kind == T_VOLANI) return;
    }
  }

  std::string_view zdroj_;
  Radky radky_;
  Rozklad r_;
  std::vector<std::pair<Zjisteni, std::size_t>> varovani_;  // with the token each is about
};

}  // namespace

Vysledek zkontroluj(std::string_view zdroj) { return Kontrola(zdroj).proved(); }

}  // namespace moxa::kontrola
