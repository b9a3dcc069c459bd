#include "tools/dap/blocks.hpp"

#include <algorithm>

#include "check/tokens.hpp"

namespace moxa::dap {

namespace {

constexpr std::int32_t DEKLARACE = 12;  // the kind of a ?name token
constexpr std::int32_t KONEC = 7;       // the end of input

}  // namespace

Mapa::Mapa(std::string_view zdroj) {
  zacatky_.push_back(0);
  for (std::size_t i = 0; i < zdroj.size(); ++i)
    if (zdroj[i] == '\n') zacatky_.push_back(i + 1);
  const kontrola::Rozklad rozklad = kontrola::rozloz(zdroj);
  const kontrola::Radky radky(zdroj);

  // The construct whose block the next "{" opens; an else branch keeps its first branch's
  // block, which a "}" before its own "{" may no longer leave in `posledni_vetev`.
  struct Cekajici {
    Druh druh;
    std::size_t hlava;
    std::string jmeno;
    std::size_t vetev = SIZE_MAX;
  };
  std::optional<Cekajici> ceka;
  std::vector<std::size_t> otevrene;      // the blocks open at this point; SIZE_MAX: a plain "{"
  std::size_t posledni_vetev = SIZE_MAX;  // the first branch just closed, for an e2
  bool hlavni = false;
  std::size_t zavorky = 0;
  std::string_view predchozi;
  for (const auto& t : rozklad.tokeny) {
    if (t.kind == KONEC) break;
    const std::string_view text = t.text;
    const std::size_t od = t.usek.od;
    // A statement begins after "{" or after the ";" that ends one, outside parentheses (a
    // ";" inside them parts a call's arguments).
    const bool prikaz =
        zavorky == 0 && (predchozi == "{" || predchozi == ";") && text != "}" && text != ";";
    if (t.kind == DEKLARACE && otevrene.empty()) {
      radky_.insert(radky.radek(od));
      ceka = Cekajici{Druh::Deklarace, od, std::string(text)};
    } else if (prikaz) {
      radky_.insert(radky.radek(od));
      if (text == "i2") ceka = Cekajici{Druh::Vetev, od, {}};
      if (text == "w2") ceka = Cekajici{Druh::Cyklus, od, {}};
    } else if (predchozi == "}" && text == "e2" && posledni_vetev != SIZE_MAX) {
      ceka = Cekajici{Druh::Jinak, od, {}, posledni_vetev};
    }
    if (text == "(") ++zavorky;
    if (text == ")" && zavorky > 0) --zavorky;
    if (text == "{") {
      zavorky = 0;
      std::size_t index = SIZE_MAX;
      if (ceka || (otevrene.empty() && !hlavni)) {
        Blok b;
        b.druh = ceka ? ceka->druh : Druh::Hlavni;
        hlavni = hlavni || !ceka;
        std::size_t hlava = od;
        if (ceka && ceka->druh == Druh::Jinak) {
          // An else branch is named after its conditional, whose head is the first branch's.
          b.radek = bloky_[ceka->vetev].radek;
          b.sloupec = bloky_[ceka->vetev].sloupec;
        } else {
          if (ceka) hlava = ceka->hlava;
          b.radek = radky.radek(hlava);
          b.sloupec = radky.sloupec(hlava);
        }
        b.od = (b.druh == Druh::Cyklus || b.druh == Druh::Deklarace) ? hlava : od;
        b.po = zdroj.size() + 1;  // until its "}" is found
        if (ceka) b.jmeno = ceka->jmeno;
        index = bloky_.size();
        if (b.druh == Druh::Cyklus) cykly_.emplace(b.od, index);
        bloky_.push_back(std::move(b));
      }
      ceka.reset();
      otevrene.push_back(index);
    } else if (text == "}" && !otevrene.empty()) {
      const std::size_t index = otevrene.back();
      otevrene.pop_back();
      posledni_vetev = SIZE_MAX;
      if (index != SIZE_MAX) {
        bloky_[index].po = t.usek.po;
        if (bloky_[index].druh == Druh::Vetev) posledni_vetev = index;
      }
    }
    predchozi = text;
  }
}

std::size_t Mapa::bajt(std::uint64_t radek, std::uint64_t sloupec) const {
  if (radek == 0 || radek > zacatky_.size()) return SIZE_MAX;
  return zacatky_[radek - 1] + (sloupec == 0 ? 0 : sloupec - 1);
}

std::vector<std::size_t> Mapa::obal(std::size_t bajt) const {
  std::vector<std::size_t> r;
  for (std::size_t i = bloky_.size(); i-- > 0;)
    if (bloky_[i].od <= bajt && bajt < bloky_[i].po) r.push_back(i);
  return r;
}

std::optional<std::size_t> Mapa::cyklus(std::size_t bajt) const {
  const auto it = cykly_.find(bajt);
  if (it == cykly_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::uint64_t> Mapa::radek_s_krokem(std::uint64_t radek) const {
  const auto it = radky_.lower_bound(radek);
  if (it == radky_.end()) return std::nullopt;
  return *it;
}

}  // namespace moxa::dap
