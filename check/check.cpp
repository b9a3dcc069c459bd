#include "check/check.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <exception>
#include <initializer_list>
#include <map>
#include <set>

#include "check/diagnostics_data.hpp"
#include "check/escape.hpp"
#include "check/tokens.hpp"
#include "driver/stack.hpp"
#include "io/streams.hpp"
#include "lexer/token.hpp"
#include "lexer/words.hpp"
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
      pripoj_xhh(r, c);
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

const data::Druh* najdi(std::string_view kod) {
  for (const auto& d : data::DRUHY)
    if (d.kod == kod) return &d;
  return nullptr;
}

// A template's {0}, {1}... replaced by the arguments.
std::string dosad(std::string_view vzor, std::initializer_list<std::string> argumenty) {
  std::string r;
  for (std::size_t i = 0; i < vzor.size(); ++i) {
    if (vzor[i] == '{' && i + 2 < vzor.size() && vzor[i + 2] == '}' && vzor[i + 1] >= '0' &&
        vzor[i + 1] <= '9') {
      const auto k = static_cast<std::size_t>(vzor[i + 1] - '0');
      if (k < argumenty.size()) {
        r += *(argumenty.begin() + k);
        i += 2;
        continue;
      }
    }
    r += vzor[i];
  }
  return r;
}

// Optimal string alignment distance: insertions, deletions, replacements and swaps of two
// neighbours each count one.
std::size_t vzdalenost(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i)
    d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j)
    d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cena = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cena});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

// The nearest of `kandidati` to `slovo` within the distance a typo makes (one edit in a short
// word, two in a longer one); empty when none is that near or two are equally near.
std::string nejblizsi(std::string_view slovo, const std::vector<std::string>& kandidati,
                      std::size_t* nalezena = nullptr) {
  const std::size_t mez = slovo.size() <= 4 ? 1 : 2;
  // No one misspells a word this long; and comparing it would cost its length squared.
  if (slovo.size() > 64) return {};
  std::size_t nejmensi = mez + 1;
  std::string r;
  bool shoda = false;
  for (const auto& k : kandidati) {
    // The distance is at least the difference of the lengths.
    if (k.size() > slovo.size() + mez || slovo.size() > k.size() + mez) continue;
    const std::size_t v = vzdalenost(slovo, k);
    if (v < nejmensi) {
      nejmensi = v;
      r = k;
      shoda = false;
    } else if (v == nejmensi) {
      shoda = true;
    }
  }
  if (shoda) return {};
  if (nalezena != nullptr) *nalezena = nejmensi;
  return r;
}

// A word as written, with what the scanner does not read folded away: capitals made small,
// Czech letters without their marks, '-' as '_', any other byte over 127 left out.
std::string slozene(std::string_view s) {
  static constexpr std::array<std::pair<std::string_view, char>, 30> CESKE{{
      {"á", 'a'}, {"č", 'c'}, {"ď", 'd'}, {"é", 'e'}, {"ě", 'e'}, {"í", 'i'},
      {"ň", 'n'}, {"ó", 'o'}, {"ř", 'r'}, {"š", 's'}, {"ť", 't'}, {"ú", 'u'},
      {"ů", 'u'}, {"ý", 'y'}, {"ž", 'z'}, {"Á", 'a'}, {"Č", 'c'}, {"Ď", 'd'},
      {"É", 'e'}, {"Ě", 'e'}, {"Í", 'i'}, {"Ň", 'n'}, {"Ó", 'o'}, {"Ř", 'r'},
      {"Š", 's'}, {"Ť", 't'}, {"Ú", 'u'}, {"Ů", 'u'}, {"Ý", 'y'}, {"Ž", 'z'},
  }};
  std::string r;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 128) {
      r += c == '-'               ? '_'
           : c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a')
                                  : static_cast<char>(c);
      ++i;
      continue;
    }
    bool ceske = false;
    for (const auto& [z, na] : CESKE)
      if (s.substr(i, z.size()) == z) {
        r += na;
        i += z.size();
        ceske = true;
        break;
      }
    if (!ceske) ++i;
  }
  return r;
}

// A byte that belongs to a word as a person writes it: letters of either case, digits, '_'
// and the bytes of letters outside ASCII.
bool pismeno_slova(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c >= 128;
}

bool je_operand_konec(const TokenZdroje& t) {
  return t.kind == T_CISLO || t.kind == T_RETEZEC || t.kind == T_PROMENNA || t.text == ")";
}

// The expected token a run's message names: X of `byl ocekavan znak: "X"`.
std::string_view ocekavany(std::string_view zprava) {
  constexpr std::string_view ZNAK = "byl ocekavan znak: \"";
  const std::size_t z = zprava.find(ZNAK);
  if (z == std::string_view::npos) return {};
  const std::string_view zbytek = zprava.substr(z + ZNAK.size());
  return zbytek.substr(0, zbytek.find("\", namisto"));
}

// A finding before the findings are put in order.
struct Nalez {
  Zjisteni z;
  std::size_t token = ZADNY;  // the token it is about
  bool omyl = false;          // points at a likely mistake, with a fix
  bool smazan = false;        // said already, in the error
};

class Kontrola {
 public:
  Kontrola(std::string_view zdroj, Jazyk jazyk)
      : zdroj_(zdroj), jazyk_(jazyk), radky_(zdroj), r_(rozloz(zdroj)) {}

  Vysledek proved() {
    const Syntaxe s = syntaxe(zdroj_);
    // Without an error the program ends at its final '.'; nothing after it is read.
    std::size_t konec_programu = zdroj_.size();
    std::size_t posledni = r_.tokeny.size() - 1;  // tokens [0, posledni) belong to the program
    if (!s.chyba) {
      // The check found no error, so the first '.' that follows the main block's '}' at the
      // outermost level ends the program.
      int hloubka = 0;
      for (std::size_t i = 0; i < r_.tokeny.size(); ++i) {
        const std::string_view t = r_.tokeny[i].text;
        if (t == "." && hloubka == 0 && i > 0 && r_.tokeny[i - 1].text == "}") {
          konec_programu = r_.tokeny[i].usek.po;
          posledni = i + 1;
          break;
        }
        if (t == "{") ++hloubka;
        if (t == "}") --hloubka;
      }
    }
    skener(konec_programu, posledni);
    ucitel(posledni);
    std::stable_sort(nalezy_.begin(), nalezy_.end(), [](const Nalez& a, const Nalez& b) {
      return a.z.misto.bajt < b.z.misto.bajt;
    });
    Vysledek v;
    if (s.chyba) v.zjisteni.push_back(chyba(s));
    for (const bool omyl : {true, false})
      for (auto& n : nalezy_)
        if (!n.smazan && n.omyl == omyl) v.zjisteni.push_back(std::move(n.z));
    if (vynechano_ != 0 && !v.zjisteni.empty()) {
      Zjisteni& posledni_z = v.zjisteni.back();
      posledni_z.poznamky.push_back(
          {posledni_z.misto, slovo("more_findings", {std::to_string(vynechano_)}), ""});
    }
    return v;
  }

 private:
  Misto misto(std::size_t od, std::size_t po) const {
    return {radky_.radek(od), radky_.sloupec(od), od, po - od};
  }
  std::string_view zdroj(Usek u) const { return zdroj_.substr(u.od, u.po - u.od); }
  const TokenZdroje& tok(std::size_t i) const { return r_.tokeny[i]; }

  std::size_t token_na(std::size_t bajt) const {
    for (std::size_t i = 0; i < r_.tokeny.size(); ++i)
      if (r_.tokeny[i].usek.od == bajt) return i;
    return ZADNY;
  }

  std::string slovo(std::string_view klic,
                    std::initializer_list<std::string> argumenty = {}) const {
    return kontrola::slovo(klic, jazyk_, argumenty);
  }

  Zjisteni zjisteni(std::string_view kod, Zavaznost zavaznost, std::size_t od, std::size_t po,
                    std::initializer_list<std::string> argumenty) const {
    Zjisteni z;
    z.zavaznost = zavaznost;
    z.misto = misto(od, po);
    z.kod = std::string(kod);
    if (const data::Druh* d = najdi(kod)) {
      z.text = dosad(jazyk_ == Jazyk::Cs ? d->zprava_cs : d->zprava_en, argumenty);
      z.vysvetleni = std::string(jazyk_ == Jazyk::Cs ? d->vysvetleni_cs : d->vysvetleni_en);
    }
    return z;
  }

  // A fix replacing the bytes [od, po) by `text`.
  Oprava oprava(std::size_t od, std::size_t po, std::string text, bool bezpecna) const {
    Oprava o;
    o.misto = misto(od, po);
    o.konec = misto(po, po);
    const std::string puvodni = v_uvozovkach(zdroj({od, po}));
    if (od == po) {
      o.popis = slovo("fix_insert", {v_uvozovkach(text)});
    } else if (text.empty()) {
      o.popis = slovo("fix_delete", {puvodni});
    } else {
      o.popis = slovo("fix_replace", {puvodni, v_uvozovkach(text)});
    }
    o.text = std::move(text);
    o.bezpecna = bezpecna;
    return o;
  }

  Nalez& varuj(std::string_view kod, std::size_t od, std::size_t po,
               std::initializer_list<std::string> argumenty, std::size_t token = ZADNY) {
    // Past the cap a finding is counted, not kept: a huge program of mistakes costs the
    // checker, and whoever reads its list, no more than the first of them.
    if (nalezy_.size() >= NEJVIC_VAROVANI) {
      ++vynechano_;
      navic_ = Nalez{};
      return navic_;
    }
    nalezy_.push_back({zjisteni(kod, Zavaznost::Varovani, od, po, argumenty), token, false, false});
    return nalezy_.back();
  }

  Zjisteni chyba(const Syntaxe& s) {
    const std::size_t i = token_na(s.bajt);
    const std::size_t po = i == ZADNY ? s.bajt : tok(i).usek.po;
    const std::size_t od = std::min(s.bajt, zdroj_.size());
    std::string kod;
    std::string text;
    if (!s.zprava.empty()) {
      kod = std::string(kod_hlasky(s.zprava));
      text = s.zprava;
    } else if (i != ZADNY && i >= 2 && tok(i - 1).text == "(" && tok(i - 2).text == "cti") {
      kod = "M012";
    } else if (s.bajt == 0 && i == ZADNY) {
      kod = "M016";
    } else {
      kod = "M013";
    }
    Zjisteni beh = zjisteni(kod, Zavaznost::Chyba, od, std::min(po, zdroj_.size()), {text});
    std::vector<Poznamka> radek;
    if (s.radek_behu != 0 && s.radek_behu != beh.misto.radek)
      radek.push_back({beh.misto, slovo("quoted_line", {std::to_string(s.radek_behu)}), ""});
    if (i != ZADNY) {
      if (auto p = pricina(s, i)) {
        p->zavaznost = Zavaznost::Chyba;
        p->poznamky.insert(p->poznamky.begin(), {beh.misto, beh.text, beh.kod});
        p->poznamky.insert(p->poznamky.end(), radek.begin(), radek.end());
        return std::move(*p);
      }
    }
    beh.poznamky = radek;
    // A reading of the scanner's that explains the error is said with it, and only there.
    for (auto& n : nalezy_)
      if (!n.smazan && n.token != ZADNY && i != ZADNY && (n.token == i || n.token + 1 == i)) {
        beh.poznamky.push_back({n.z.misto, n.z.text, n.z.kod});
        for (auto& o : n.z.opravy)
          beh.opravy.push_back(std::move(o));
        n.smazan = true;
      }
    return beh;
  }

  // A finding taken as the cause of the error; the findings inside its bytes go with it.
  Zjisteni vezmi(Nalez& n) {
    n.smazan = true;
    const std::size_t od = n.z.misto.bajt;
    const std::size_t po = od + n.z.misto.delka;
    for (auto& m : nalezy_)
      if (m.z.misto.bajt >= od && m.z.misto.bajt + m.z.misto.delka <= po) m.smazan = true;
    return n.z;
  }

  // Where the mistake that stopped the reading at token `i` was made, when it can be told:
  // a reading of the scanner's that made it, or the character missing before the token.
  std::optional<Zjisteni> pricina(const Syntaxe& s, std::size_t i) {
    for (auto& n : nalezy_)
      if (!n.smazan && n.z.kod == "M204" && n.token <= i) return vezmi(n);
    const std::size_t od = tok(i > 0 ? i - 1 : i).usek.od;
    const std::size_t po = tok(i).usek.po;
    for (auto& n : nalezy_)
      if (!n.smazan && n.z.kod == "M209" && n.z.misto.bajt < std::max(po, od + 1) &&
          n.z.misto.bajt + n.z.misto.delka > od)
        return vezmi(n);
    for (auto& n : nalezy_)
      if (!n.smazan && n.z.kod == "M206" && n.token == i) return vezmi(n);
    const std::string_view x = ocekavany(s.zprava);
    const TokenZdroje& t = tok(i);
    // A `;` or `)` missing where the line ends, or before what cannot go on the expression:
    // a brace, the statement's end, a statement's first word. Elsewhere (`1 2`, `1 ^ 2`) an
    // operator is as likely missing as the character.
    const bool dalsi_radek =
        i > 0 &&
        radky_.radek(t.usek.od) > radky_.radek(tok(i - 1).usek.po - (tok(i - 1).usek.po > 0));
    const bool zacatek_prikazu =
        t.text == "pis" || t.text == "pis_ln" || t.text == "cti" || t.text == "i2" ||
        t.text == "w2" || t.kind == T_VOLANI ||
        (t.kind == T_PROMENNA && i + 1 < r_.tokeny.size() && tok(i + 1).kind == T_PRIRAZENI);
    const bool konec_vyrazu =
        (t.kind != T_RETEZEC && (t.text == "}" || t.text == "{" || t.text == ";")) ||
        (i > 0 && (tok(i - 1).text == "i2_end" || tok(i - 1).text == "w2_end"));
    if (i > 0 && (x == ";" || x == ")") && (dalsi_radek || zacatek_prikazu || konec_vyrazu)) {
      const std::size_t konec = tok(i - 1).usek.po;
      Zjisteni z = zjisteni(x == ";" ? "M101" : "M102", Zavaznost::Chyba,
                            konec - std::min<std::size_t>(konec, 1), konec, {});
      z.opravy.push_back(oprava(konec, konec, std::string(x), false));
      return z;
    }
    // In a call `;` separates the arguments: a `)` missing before the statement's `;` leaves
    // the call waiting for one more argument.
    if (x == "cislo, promenna, retezec, komentar nebo volani fce" && i >= 2 &&
        tok(i - 1).text == ";" && radky_.radek(t.usek.od) > radky_.radek(tok(i - 1).usek.od)) {
      const std::size_t konec = tok(i - 2).usek.po;
      Zjisteni z =
          zjisteni("M102", Zavaznost::Chyba, konec - std::min<std::size_t>(konec, 1), konec, {});
      z.opravy.push_back(oprava(konec, konec, ")", false));
      return z;
    }
    if (x == "prikaz" && (t.text == "i2_end" || t.text == "w2_end" || t.text == "e2" ||
                          (t.text == "." && t.kind == T_SLOVO))) {
      Zjisteni z = zjisteni("M103", Zavaznost::Chyba, t.usek.od, t.usek.po, {v_uvozovkach(t.text)});
      z.opravy.push_back(oprava(t.usek.od, t.usek.od, "} ", false));
      return z;
    }
    if (x == "->" && t.text == "=") {
      Zjisteni z = zjisteni("M105", Zavaznost::Chyba, t.usek.od, t.usek.po, {v_uvozovkach("=")});
      z.opravy.push_back(oprava(t.usek.od, t.usek.po, "->", true));
      return z;
    }
    if (s.zprava.empty() && t.kind == T_KONEC && i > 0 && tok(i - 1).text == "}") {
      const Usek u = tok(i - 1).usek;
      Zjisteni z = zjisteni("M104", Zavaznost::Chyba, u.od, u.po, {});
      z.opravy.push_back(oprava(u.po, u.po, " .", true));
      return z;
    }
    return std::nullopt;
  }

  // What the scanner reads differently from how the program looks.
  void skener(std::size_t konec_programu, std::size_t posledni) {
    vynechane_mezi(konec_programu);
    std::set<std::size_t> slova;  // where the words offered a keyword begin
    for (std::size_t i = 0; i < posledni; ++i) {
      const TokenZdroje& t = tok(i);
      if (t.kind != T_RETEZEC) uvnitr(i);
      if (t.kind == T_CISLO && (t.text[0] == '+' || t.text[0] == '-') && i > 0 &&
          je_operand_konec(tok(i - 1))) {
        const TokenZdroje& p = tok(i - 1);
        Nalez& n = varuj(
            "M206", t.usek.od, t.usek.po,
            {v_uvozovkach(zdroj({p.usek.od, t.usek.po})),
             v_uvozovkach(p.kind == T_RETEZEC ? zdroj(p.usek) : p.text), v_uvozovkach(t.text),
             slovo(t.text[0] == '-' ? "subtraction" : "addition"), v_uvozovkach(rozdelene(t.text))},
            i);
        const bool mezera_pred =
            t.usek.od > 0 && (zdroj_[t.usek.od - 1] == ' ' || zdroj_[t.usek.od - 1] == '\t');
        n.z.opravy.push_back(oprava(t.usek.od, t.usek.od + 1,
                                    std::string(mezera_pred ? "" : " ") + t.text[0] + " ", false));
        n.omyl = true;
      }
      if (t.kind == T_SLOVO && t.text != "." && znacka_textu(t.text) == Znacka::Zadna)
        neni_klicove(i, slova, true);
      // A capital dropped before a number: `W2` reads as the number 2.
      if (t.kind == T_CISLO && t.usek.od > 0 && zdroj_[t.usek.od - 1] >= 'A' &&
          zdroj_[t.usek.od - 1] <= 'Z')
        neni_klicove(i, slova, false);
    }
    if (r_.nedokonceno != Nedokonceno::Nic) {
      static constexpr std::string_view CO[] = {"", "unfinished_string", "unfinished_comment",
                                                "unfinished_number", "unfinished_word"};
      varuj("M208", r_.nedokonceny.od, r_.nedokonceny.po,
            {slovo(CO[static_cast<int>(r_.nedokonceno)])});
    }
  }

  // A word that is no keyword: the word as written around it (the bytes the scanner dropped
  // and a '-' between letters included) held to the keywords, the nearest offered.
  void neni_klicove(std::size_t i, std::set<std::size_t>& slova, bool vzdy) {
    const TokenZdroje& t = tok(i);
    std::size_t od = t.usek.od;
    std::size_t po = t.usek.po;
    const auto c = [&](std::size_t k) { return static_cast<unsigned char>(zdroj_[k]); };
    const auto pismeno = [&](std::size_t k) {
      return k < zdroj_.size() && pismeno_slova(c(k)) && c(k) != '_' &&
             !(c(k) >= '0' && c(k) <= '9');
    };
    for (;;) {
      if (od > 0 && pismeno_slova(c(od - 1))) {
        --od;
      } else if (od > 1 && c(od - 1) == '-' && pismeno(od - 2) && pismeno(od)) {
        --od;
      } else {
        break;
      }
    }
    for (;;) {
      if (po < zdroj_.size() && pismeno_slova(c(po))) {
        ++po;
      } else if (po + 1 < zdroj_.size() && c(po) == '-' && pismeno(po + 1) && po > 0 &&
                 pismeno(po - 1)) {
        ++po;
      } else {
        break;
      }
    }
    const bool za_znakem = od > 0 && (c(od - 1) == '@' || c(od - 1) == '~' || c(od - 1) == '?');
    std::vector<std::string> klicova;
    for (const auto& k : KLICOVA_SLOVA)
      klicova.emplace_back(k.text);
    std::size_t d = 0;
    const std::string napsano = slozene(zdroj({od, po}));
    const std::string navrh = za_znakem ? std::string() : nejblizsi(napsano, klicova, &d);
    if (navrh.empty()) {
      if (vzdy) varuj("M207", t.usek.od, t.usek.po, {v_uvozovkach(t.text)}, i);
      return;
    }
    if (!slova.insert(od).second) return;
    Nalez& n = varuj("M209", od, po, {v_uvozovkach(zdroj({od, po})), v_uvozovkach(navrh)}, i);
    n.z.opravy.push_back(oprava(od, po, navrh, d == 0));
    n.omyl = true;
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
      const std::string znaky =
          slovo(po - od == 1 ? "char_one" : "char_many", {v_uvozovkach(zdroj({od, po}))});
      if (pred == ZADNY && za == ZADNY) {
        varuj("M202", od, po, {znaky}).z.opravy.push_back(oprava(od, po, "", false));
        continue;
      }
      const std::size_t zacatek = pred != ZADNY ? tok(pred).usek.od : od;
      const std::size_t konec = za != ZADNY ? tok(za).usek.po : po;
      std::string cte = pred != ZADNY ? v_uvozovkach(tok(pred).text) : "";
      if (za != ZADNY)
        cte = cte.empty() ? v_uvozovkach(tok(za).text)
                          : slovo("and", {cte, v_uvozovkach(tok(za).text)});
      varuj("M201", od, po, {znaky, v_uvozovkach(zdroj({zacatek, konec})), cte},
            za != ZADNY ? za : pred);
    }
  }

  // Bytes dropped inside token `i`: after '@', '~' or '?', after '_', while a number waits
  // for a digit. White space among them breaks the word as it looks.
  void uvnitr(std::size_t i) {
    const TokenZdroje& t = tok(i);
    const std::string_view s = zdroj(t.usek);
    std::size_t k = 0;
    bool mezera = false;
    bool radek = false;
    bool velka = true;  // every dropped byte a capital letter
    std::size_t prvni = ZADNY;
    for (std::size_t j = 0; j < s.size(); ++j) {
      if (k < t.text.size() && s[j] == t.text[k]) {
        ++k;
        continue;
      }
      if (prvni == ZADNY) prvni = j;
      if (s[j] == ' ' || s[j] == '\t' || s[j] == '\n') mezera = true;
      if (s[j] == '\n') radek = true;
      if (s[j] < 'A' || s[j] > 'Z') velka = false;
    }
    if (prvni == ZADNY) return;
    const std::string jak = v_uvozovkach(s);
    const bool jmeno = t.kind == T_PROMENNA || t.kind == T_VOLANI || t.kind == T_DEKLARACE;
    const char prvni_znak = s[prvni];
    if (jmeno && prvni == 1 && radek && prvni_znak >= 'A' && prvni_znak <= 'Z') {
      // The capital right after the sign: the name runs on to a later line.
      const std::size_t kde = t.usek.od + prvni;
      Nalez& n = varuj("M204", kde, kde + 1,
                       {v_uvozovkach(s.substr(0, 1)), v_uvozovkach(s.substr(0, s.find('\n'))),
                        v_uvozovkach(t.text)},
                       i);
      n.z.opravy.push_back(
          oprava(kde, kde + 1, std::string(1, static_cast<char>(prvni_znak - 'A' + 'a')), false));
      n.omyl = true;
      return;
    }
    if (mezera) {
      varuj("M205", t.usek.od + prvni, t.usek.po,
            {jak, slovo(t.kind == T_CISLO ? "number" : "word"), v_uvozovkach(t.text)}, i);
      return;
    }
    Nalez& n = varuj("M203", t.usek.od + prvni, t.usek.po, {jak, v_uvozovkach(t.text)}, i);
    if (jmeno && velka) {
      std::string male(s);
      for (char& ch : male)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
      n.z.opravy.push_back(oprava(t.usek.od, t.usek.po, male, false));
      n.omyl = true;
    }
  }

  // What a teacher would point out: variables read but never assigned, calls of names
  // declared nowhere, declarations never called, conditions that are constant. A name near
  // one that is assigned or declared is offered that one.
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
        // A parameter is assigned by no call: a call only evaluates its arguments.
        if (prirazeni || cti) {
          prirazene.emplace(t.text);
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
    const std::vector<std::string> jmena(prirazene.begin(), prirazene.end());
    std::vector<std::string> funkce;
    for (const auto& [jmeno, i] : deklarace)
      funkce.push_back("~" + jmeno);
    for (const auto& [jmeno, i] : cteni)
      if (prirazene.count(jmeno) == 0)
        navrhni(varuj("M301", tk[i].usek.od, tk[i].usek.po, {v_uvozovkach(jmeno)}), i, jmena);
    for (const auto& [jmeno, i] : volani)
      if (deklarace.count(jmeno) == 0)
        navrhni(varuj("M302", tk[i].usek.od, tk[i].usek.po,
                      {v_uvozovkach("~" + jmeno), v_uvozovkach("?" + jmeno)}),
                i, funkce);
    for (const auto& [jmeno, i] : deklarace)
      if (volani.count(jmeno) == 0)
        varuj("M303", tk[i].usek.od, tk[i].usek.po, {v_uvozovkach("?" + jmeno)});
  }

  // Offers the name among `jmena` nearest to token `i` as written, capitals made small.
  void navrhni(Nalez& n, std::size_t i, const std::vector<std::string>& jmena) {
    // A program with hundreds of such names was not mistyped name by name: the first ones
    // are offered a name, which keeps a large program's check quick.
    if (++navrhu_ > 100) return;
    const Usek u = tok(i).usek;
    // A name of one or two letters is near every other short one: nothing to offer.
    const std::string napsano = slozene(zdroj(u));
    if (napsano.size() < 4) return;
    const std::string navrh = nejblizsi(napsano, jmena);
    if (navrh.empty()) return;
    n.z.text += "; " + slovo("did_you_mean", {v_uvozovkach(navrh)});
    n.z.opravy.push_back(oprava(u.od, u.po, navrh, false));
    n.omyl = true;
    // The capital that made the name differ is said here already.
    for (auto& m : nalezy_)
      if (m.token == i && m.z.kod == "M203") m.smazan = true;
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
        varuj("M304", tk[i + 2].usek.od, tk[j - 1].usek.po,
              {v_uvozovkach(zdroj({tk[i + 2].usek.od, tk[j - 1].usek.po}))});
        return;
      }
      if (tk[j].kind == T_PROMENNA || tk[j].kind == T_VOLANI) return;
    }
  }

  std::string_view zdroj_;
  Jazyk jazyk_;
  Radky radky_;
  Rozklad r_;
  std::vector<Nalez> nalezy_;
  Nalez navic_;                // a finding past the cap, which nothing keeps
  std::size_t vynechano_ = 0;  // findings past the cap
  std::size_t navrhu_ = 0;     // names offered so far
};

}  // namespace

Vysledek zkontroluj(std::string_view zdroj, Jazyk jazyk) { return Kontrola(zdroj, jazyk).proved(); }

Jazyk jazyk_prostredi() {
  for (const char* promenna : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* hodnota = std::getenv(promenna);
    if (hodnota != nullptr && *hodnota != '\0')
      return std::string_view(hodnota).substr(0, 2) == "cs" ? Jazyk::Cs : Jazyk::En;
  }
  return Jazyk::En;
}

std::string slovo(std::string_view klic, Jazyk jazyk, std::initializer_list<std::string> casti) {
  for (const auto& s : data::SLOVA)
    if (s.klic == klic) return dosad(jazyk == Jazyk::Cs ? s.cs : s.en, casti);
  return std::string(klic);
}

std::optional<Popis> popis_kodu(std::string_view kod, Jazyk jazyk) {
  const data::Druh* d = najdi(kod);
  if (d == nullptr) return std::nullopt;
  const bool cs = jazyk == Jazyk::Cs;
  return Popis{d->kod,
               d->zavaznost,
               cs ? d->zprava_cs : d->zprava_en,
               cs ? d->vysvetleni_cs : d->vysvetleni_en,
               cs ? d->dlouhe_cs : d->dlouhe_en,
               d->priklad,
               d->oprava,
               d->kdo_vidi};
}

std::vector<std::string_view> vsechny_kody() {
  std::vector<std::string_view> r;
  for (const auto& d : data::DRUHY)
    r.push_back(d.kod);
  return r;
}

std::string_view kod_hlasky(std::string_view zprava) {
  if (zprava.substr(0, 9) != "V bloku: ") return {};
  const std::string_view x = ocekavany(zprava);
  for (const auto& d : data::DRUHY) {
    if (!x.empty() && d.ocekavano == x) return d.kod;
    if (x.empty() && !d.konec.empty() && zprava.size() >= d.konec.size() &&
        zprava.substr(zprava.size() - d.konec.size()) == d.konec)
      return d.kod;
  }
  return {};
}

}  // namespace moxa::kontrola
