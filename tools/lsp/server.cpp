#include "tools/lsp/server.hpp"

#include <algorithm>
#include <charconv>
#include <limits>
#include <set>
#include <stdexcept>
#include <utility>

#include "check/check.hpp"
#include "check/format.hpp"
#include "lexer/token.hpp"
#include "lexer/words.hpp"
#include "tools/lsp/hover.hpp"

namespace moxa::lsp {

namespace {

using json = nlohmann::json;
using kontrola::Rozklad;
using kontrola::TokenZdroje;

// The error codes of JSON-RPC and of the protocol.
enum Kod : int {
  CHYBA_PARSOVANI = -32700,
  NEPLATNY_POZADAVEK = -32600,
  NEZNAMA_METODA = -32601,
  NEPLATNE_PARAMETRY = -32602,
  VNITRNI_CHYBA = -32603,
  NEINICIALIZOVAN = -32002,
};

// Parameters that do not have the shape a method needs.
struct NeplatneParametry : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string text_zpravy(const json& j) {
  return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string odpoved(const json& id, json vysledek) {
  return text_zpravy({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(vysledek)}});
}

// An answer whose result is already JSON text (a long one, built without a json tree).
std::string odpoved_text(const json& id, std::string_view vysledek) {
  std::string r = "{\"id\":";
  r += text_zpravy(id);
  r += ",\"jsonrpc\":\"2.0\",\"result\":";
  r += vysledek;
  r += '}';
  return r;
}

std::string chyba(const json& id, int kod, std::string_view zprava) {
  return text_zpravy(
      {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", kod}, {"message", zprava}}}});
}

std::string oznameni_ven(std::string_view metoda, json parametry) {
  return text_zpravy({{"jsonrpc", "2.0"}, {"method", metoda}, {"params", std::move(parametry)}});
}

// The member `klic` of an object, or null when `j` is no object or lacks it.
const json& clen(const json& j, std::string_view klic) {
  static const json NIC;  // never changed: the shared null
  if (!j.is_object()) return NIC;
  const auto it = j.find(klic);
  return it == j.end() ? NIC : *it;
}

const std::string& retezec(const json& j, std::string_view klic) {
  const json& c = clen(j, klic);
  if (!c.is_string()) throw NeplatneParametry(std::string(klic) + " must be a string");
  return c.get_ref<const std::string&>();
}

// A non-negative integer, clamped to 32 bits (positions and lengths); anything else is a
// malformed request.
std::uint32_t nezaporne(const json& j, std::string_view klic) {
  const json& c = clen(j, klic);
  if (c.is_number_unsigned())
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(c.get<std::uint64_t>(), std::numeric_limits<std::uint32_t>::max()));
  if (c.is_number_integer()) throw NeplatneParametry(std::string(klic) + " is negative");
  throw NeplatneParametry(std::string(klic) + " must be an integer");
}

std::int64_t verze(const json& j) {
  const json& c = clen(j, "version");
  return c.is_number_integer() ? c.get<std::int64_t>() : 0;
}

Pozice pozice(const json& parametry) {
  const json& p = clen(parametry, "position");
  return {nezaporne(p, "line"), nezaporne(p, "character")};
}

json pozice_json(Pozice p) { return {{"line", p.radek}, {"character", p.znak}}; }

bool je_klicove_slovo(std::string_view text) {
  return std::any_of(KLICOVA_SLOVA.begin(), KLICOVA_SLOVA.end(),
                     [&](const PevnyText& k) { return k.text == text; });
}

// The token under a cursor at `bajt`: the one that covers it, or else the one that ends
// right there (the cursor just after a word). The end-of-input token is none.
const TokenZdroje* token_na(const Rozklad& r, std::size_t bajt) {
  const auto& t = r.tokeny;
  auto za = std::upper_bound(t.begin(), t.end(), bajt,
                             [](std::size_t b, const TokenZdroje& x) { return b < x.usek.od; });
  if (za != t.begin() && std::prev(za)->kind == T_KONEC) --za;
  if (za == t.begin()) return nullptr;
  const TokenZdroje& tok = *std::prev(za);
  if (bajt > tok.usek.po) return nullptr;
  if (bajt == tok.usek.po && za != t.end() && za->usek.od == bajt && za->kind != T_KONEC)
    return &*za;
  return &tok;
}

// Semantic token types, in the order of the legend.
enum Typ : int { KLICOVE_SLOVO, OPERATOR, CISLO, RETEZEC, KOMENTAR, PROMENNA, FUNKCE, ZADNY };

Typ typ(const TokenZdroje& t) {
  switch (t.kind) {
    case T_CISLO: return CISLO;
    case T_RETEZEC: return RETEZEC;
    case T_STREDNIK:
    case T_ZAVORKA:
    case T_PRIRAZENI:
    case T_OPERATOR: return OPERATOR;
    case T_SLOVO: return t.text == "." || je_klicove_slovo(t.text) ? KLICOVE_SLOVO : ZADNY;
    case T_PROMENNA: return PROMENNA;
    case T_VOLANI:
    case T_DEKLARACE: return FUNKCE;
    default: return ZADNY;
  }
}

}  // namespace

void Server::zprava(std::string_view telo, std::vector<std::string>& ven) {
  const json z = json::parse(telo, nullptr, false);
  if (z.is_discarded()) {
    ven.push_back(chyba(nullptr, CHYBA_PARSOVANI, "the message is not JSON"));
    return;
  }
  const json& metoda = clen(z, "method");
  const bool je_pozadavek = z.is_object() && z.contains("id");
  if (!metoda.is_string()) {
    // An answer to a request of ours (the server sends none) is dropped; anything else is
    // no message at all.
    if (z.is_object() && (z.contains("result") || z.contains("error"))) return;
    ven.push_back(chyba(nullptr, NEPLATNY_POZADAVEK, "a message needs a method"));
    return;
  }
  const std::string& m = metoda.get_ref<const std::string&>();
  const json& parametry = clen(z, "params");
  if (!je_pozadavek) {
    try {
      oznameni(m, parametry, ven);
    } catch (const std::exception&) {
      // A notification has no answer: a malformed one is dropped.
    }
    return;
  }
  const json& id = z["id"];
  if (!id.is_string() && !id.is_number_integer()) {
    ven.push_back(chyba(nullptr, NEPLATNY_POZADAVEK, "an id is a number or a string"));
    return;
  }
  try {
    pozadavek(m, id, parametry, ven);
  } catch (const NeplatneParametry& e) {
    ven.push_back(chyba(id, NEPLATNE_PARAMETRY, e.what()));
  } catch (const json::exception& e) {
    ven.push_back(chyba(id, NEPLATNE_PARAMETRY, e.what()));
  } catch (const std::exception& e) {
    ven.push_back(chyba(id, VNITRNI_CHYBA, e.what()));
  }
}

void Server::pozadavek(const std::string& m, const json& id, const json& parametry,
                       std::vector<std::string>& ven) {
  if (m == "initialize") {
    if (inicializovan_) {
      ven.push_back(chyba(id, NEPLATNY_POZADAVEK, "initialize came twice"));
      return;
    }
    ven.push_back(odpoved(id, inicializuj(parametry)));
    return;
  }
  if (!inicializovan_) {
    ven.push_back(chyba(id, NEINICIALIZOVAN, "initialize comes first"));
    return;
  }
  if (vypnut_) {
    ven.push_back(chyba(id, NEPLATNY_POZADAVEK, "the server is shut down"));
    return;
  }
  if (m == "shutdown") {
    vypnut_ = true;
    ven.push_back(odpoved(id, nullptr));
    return;
  }
  const bool dokumentovy = m == "textDocument/semanticTokens/full" ||
                           m == "textDocument/documentSymbol" || m == "textDocument/definition" ||
                           m == "textDocument/hover" || m == "textDocument/completion" ||
                           m == "textDocument/formatting" || m == "textDocument/codeAction";
  if (!dokumentovy) {
    ven.push_back(chyba(id, NEZNAMA_METODA, "unknown method " + m));
    return;
  }
  const Dokument* d = dokument(parametry);
  if (d == nullptr) {
    // A document the client has not opened (or has closed): nothing to say about it.
    ven.push_back(odpoved(id, nullptr));
    return;
  }
  if (m == "textDocument/semanticTokens/full") {
    ven.push_back(odpoved_text(id, semanticke_tokeny(*d)));
    return;
  }
  json vysledek;
  if (m == "textDocument/documentSymbol") {
    vysledek = symboly(*d);
  } else if (m == "textDocument/definition") {
    vysledek = definice(*d, pozice(parametry), retezec(clen(parametry, "textDocument"), "uri"));
  } else if (m == "textDocument/hover") {
    vysledek = hover(*d, pozice(parametry));
  } else if (m == "textDocument/completion") {
    vysledek = doplneni(*d, pozice(parametry));
  } else if (m == "textDocument/codeAction") {
    vysledek = akce(*d, parametry, retezec(clen(parametry, "textDocument"), "uri"));
  } else {
    vysledek = formatovani(*d, ven);
  }
  ven.push_back(odpoved(id, std::move(vysledek)));
}

void Server::oznameni(const std::string& m, const json& parametry, std::vector<std::string>& ven) {
  if (m == "exit") {
    skoncil_ = true;
    return;
  }
  if (!inicializovan_ || vypnut_) return;
  const json& td = clen(parametry, "textDocument");
  if (m == "textDocument/didOpen") {
    const std::string& uri = retezec(td, "uri");
    const auto [it, nove] =
        dokumenty_.insert_or_assign(uri, Dokument(retezec(td, "text"), verze(td)));
    ven.push_back(oznameni_ven("textDocument/publishDiagnostics", diagnostika(it->second, uri)));
  } else if (m == "textDocument/didChange") {
    const std::string& uri = retezec(td, "uri");
    const auto it = dokumenty_.find(uri);
    const json& zmeny = clen(parametry, "contentChanges");
    if (it == dokumenty_.end() || !zmeny.is_array()) return;
    Dokument& d = it->second;
    for (const json& z : zmeny) {
      const json& r = clen(z, "range");
      if (r.is_null()) {
        d = Dokument(retezec(z, "text"), verze(td));
      } else {
        // A change of a part, though the server asks for whole documents.
        const std::size_t od =
            d.bajt({nezaporne(clen(r, "start"), "line"), nezaporne(clen(r, "start"), "character")});
        const std::size_t po =
            d.bajt({nezaporne(clen(r, "end"), "line"), nezaporne(clen(r, "end"), "character")});
        d.nahrad(od, po, retezec(z, "text"), verze(td));
      }
    }
    ven.push_back(oznameni_ven("textDocument/publishDiagnostics", diagnostika(d, uri)));
  } else if (m == "textDocument/didClose") {
    const std::string& uri = retezec(td, "uri");
    if (dokumenty_.erase(uri) > 0)
      ven.push_back(oznameni_ven("textDocument/publishDiagnostics",
                                 {{"uri", uri}, {"diagnostics", json::array()}}));
  }
}

json Server::inicializuj(const json& parametry) {
  inicializovan_ = true;
  const json& souvis =
      clen(clen(clen(clen(parametry, "capabilities"), "textDocument"), "publishDiagnostics"),
           "relatedInformation");
  souvisejici_ = souvis.is_boolean() && souvis.get<bool>();
  // The checker's words in Czech for a Czech locale ("cs", "cs-CZ"), else in English.
  const json& locale = clen(parametry, "locale");
  jazyk_ = locale.is_string() && locale.get<std::string>().substr(0, 2) == "cs"
               ? kontrola::Jazyk::Cs
               : kontrola::Jazyk::En;
  return {{"capabilities",
           {{"positionEncoding", "utf-16"},
            {"textDocumentSync", {{"openClose", true}, {"change", 1}}},
            {"semanticTokensProvider",
             {{"legend",
               {{"tokenTypes",
                 {"keyword", "operator", "number", "string", "comment", "variable", "function"}},
                {"tokenModifiers", {"declaration"}}}},
              {"full", true}}},
            {"documentSymbolProvider", true},
            {"definitionProvider", true},
            {"hoverProvider", true},
            {"completionProvider", {{"triggerCharacters", {"@", "~"}}}},
            {"documentFormattingProvider", true},
            {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}}}},
          {"serverInfo", {{"name", "moxa-lsp"}}}};
}

const Dokument* Server::dokument(const json& parametry) const {
  const auto it = dokumenty_.find(retezec(clen(parametry, "textDocument"), "uri"));
  return it == dokumenty_.end() ? nullptr : &it->second;
}

json Server::rozsah(const Dokument& d, std::size_t od, std::size_t po) const {
  return {{"start", pozice_json(d.pozice(od))}, {"end", pozice_json(d.pozice(po))}};
}

// One finding as a diagnostic: its code, its message with the explanation below it, its notes
// as related places.
json Server::jedna_diagnostika(const Dokument& d, const kontrola::Zjisteni& z,
                               const std::string& uri) const {
  json diag = {{"range", rozsah(d, z.misto.bajt, z.misto.bajt + z.misto.delka)},
               {"severity", z.zavaznost == kontrola::Zavaznost::Chyba ? 1 : 2},
               {"source", "moxa-check"},
               {"code", z.kod},
               {"message", z.vysvetleni.empty() ? z.text : z.text + "\n" + z.vysvetleni}};
  if (souvisejici_ && !z.poznamky.empty()) {
    json souvisejici = json::array();
    for (const auto& p : z.poznamky)
      souvisejici.push_back(
          {{"location",
            {{"uri", uri}, {"range", rozsah(d, p.misto.bajt, p.misto.bajt + p.misto.delka)}}},
           {"message", p.text}});
    diag["relatedInformation"] = std::move(souvisejici);
  }
  return diag;
}

json Server::diagnostika(const Dokument& d, const std::string& uri) const {
  const kontrola::Vysledek v = kontrola::zkontroluj(d.text(), jazyk_);
  json seznam = json::array();
  for (const auto& z : v.zjisteni) {
    seznam.push_back(jedna_diagnostika(d, z, uri));
    // A client that shows no related places gets each note as a diagnostic of its own, so
    // that the token it is about is marked too.
    if (!souvisejici_)
      for (const auto& p : z.poznamky)
        seznam.push_back({{"range", rozsah(d, p.misto.bajt, p.misto.bajt + p.misto.delka)},
                          {"severity", 3},
                          {"source", "moxa-check"},
                          {"message", p.text}});
  }
  json vysledek = {{"uri", uri}, {"diagnostics", std::move(seznam)}};
  if (d.verze() != 0) vysledek["version"] = d.verze();
  return vysledek;
}

// The fixes of the findings whose place meets the asked range, as quick fixes: a safe one is
// the preferred action.
json Server::akce(const Dokument& d, const json& parametry, const std::string& uri) const {
  const json& r = clen(parametry, "range");
  const std::size_t od =
      d.bajt({nezaporne(clen(r, "start"), "line"), nezaporne(clen(r, "start"), "character")});
  const std::size_t po =
      d.bajt({nezaporne(clen(r, "end"), "line"), nezaporne(clen(r, "end"), "character")});
  const kontrola::Vysledek v = kontrola::zkontroluj(d.text(), jazyk_);
  json seznam = json::array();
  for (const auto& z : v.zjisteni) {
    const std::size_t z_od = z.misto.bajt;
    const std::size_t z_po = z.misto.bajt + z.misto.delka;
    if (z_po < od || z_od > po) continue;
    for (const auto& o : z.opravy) {
      json uprava = {{"range", rozsah(d, o.misto.bajt, o.misto.bajt + o.misto.delka)},
                     {"newText", o.text}};
      seznam.push_back({{"title", o.popis},
                        {"kind", "quickfix"},
                        {"isPreferred", o.bezpecna},
                        {"diagnostics", json::array({jedna_diagnostika(d, z, uri)})},
                        {"edit", {{"changes", {{uri, json::array({std::move(uprava)})}}}}}});
    }
  }
  return seznam;
}

// Every delivered token with a type, and every comment, as relative positions: a token that
// runs over a line break (a text, "@" and its name apart) is given line by line. Written as
// JSON text at once: a long program has a million numbers here.
std::string Server::semanticke_tokeny(const Dokument& d) const {
  struct Kus {
    std::size_t od, po;
    int typ, modifikatory;
  };
  const Rozklad& r = d.rozklad();
  std::vector<Kus> tokeny;
  tokeny.reserve(r.tokeny.size());
  for (const TokenZdroje& t : r.tokeny) {
    const Typ ty = typ(t);
    if (ty != ZADNY && t.usek.po > t.usek.od)
      tokeny.push_back({t.usek.od, t.usek.po, ty, t.kind == T_DEKLARACE ? 1 : 0});
  }
  std::vector<Kus> komentare;
  komentare.reserve(r.komentare.size());
  for (const auto& k : r.komentare)
    komentare.push_back({k.od, k.po, KOMENTAR, 0});
  // Both lists are in the order of the source and never overlap.
  std::vector<Kus> kusy(tokeny.size() + komentare.size());
  std::merge(tokeny.begin(), tokeny.end(), komentare.begin(), komentare.end(), kusy.begin(),
             [](const Kus& a, const Kus& b) { return a.od < b.od; });
  std::string out = "{\"data\":[";
  out.reserve(kusy.size() * 16 + 16);
  const auto cislo = [&out](std::uint32_t n) {
    char b[16];
    const auto [konec, e] = std::to_chars(b, b + sizeof b, n);
    out.append(b, konec);
    out.push_back(',');
  };
  Pozice predchozi;
  for (const Kus& k : kusy) {
    std::size_t od = k.od;
    while (od < k.po) {
      const Pozice z = d.pozice(od);
      const std::size_t po = std::min(k.po, d.konec_radku(z.radek));
      const Pozice p = d.pozice(po);
      if (p.znak > z.znak) {
        cislo(z.radek - predchozi.radek);
        cislo(z.radek == predchozi.radek ? z.znak - predchozi.znak : z.znak);
        cislo(p.znak - z.znak);
        cislo(static_cast<std::uint32_t>(k.typ));
        cislo(static_cast<std::uint32_t>(k.modifikatory));
        predchozi = z;
      }
      if (po >= k.po) break;
      od = d.bajt({z.radek + 1, 0});
      if (od <= po) break;
    }
  }
  if (out.back() == ',') out.pop_back();
  out += "]}";
  return out;
}

// The declared functions, each from its name to the end of its block.
json Server::symboly(const Dokument& d) const {
  const auto& t = d.rozklad().tokeny;
  // The closing brace of every opening one, and the next opening brace after each token.
  std::vector<std::size_t> par(t.size(), t.size());
  std::vector<std::size_t> otevrene;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i].kind != T_ZAVORKA) continue;
    if (t[i].text == "{") {
      otevrene.push_back(i);
    } else if (!otevrene.empty()) {
      par[otevrene.back()] = i;
      otevrene.pop_back();
    }
  }
  std::vector<std::size_t> dalsi_blok(t.size() + 1, t.size());
  for (std::size_t i = t.size(); i-- > 0;)
    dalsi_blok[i] = t[i].kind == T_ZAVORKA && t[i].text == "{" ? i : dalsi_blok[i + 1];
  json seznam = json::array();
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i].kind != T_DEKLARACE) continue;
    std::size_t konec = t[i].usek.po;
    const std::size_t blok = dalsi_blok[i];
    if (blok < t.size() && par[blok] < t.size()) konec = t[par[blok]].usek.po;
    seznam.push_back({{"name", t[i].text},
                      {"kind", 12},
                      {"range", rozsah(d, t[i].usek.od, konec)},
                      {"selectionRange", rozsah(d, t[i].usek.od, t[i].usek.po)}});
  }
  return seznam;
}

// From a call `~name` to every declaration `?name`; a declaration leads to itself.
json Server::definice(const Dokument& d, Pozice p, const std::string& uri) const {
  const TokenZdroje* t = token_na(d.rozklad(), d.bajt(p));
  if (t == nullptr || (t->kind != T_VOLANI && t->kind != T_DEKLARACE)) return nullptr;
  const std::string_view jmeno = std::string_view(t->text).substr(1);
  json mista = json::array();
  for (const TokenZdroje& x : d.rozklad().tokeny)
    if (x.kind == T_DEKLARACE && std::string_view(x.text).substr(1) == jmeno)
      mista.push_back({{"uri", uri}, {"range", rozsah(d, x.usek.od, x.usek.po)}});
  if (mista.empty()) return nullptr;
  return mista;
}

json Server::hover(const Dokument& d, Pozice p) const {
  const TokenZdroje* t = token_na(d.rozklad(), d.bajt(p));
  if (t == nullptr) return nullptr;
  const auto text = napoveda(*t);
  if (!text) return nullptr;
  return {{"contents", {{"kind", "markdown"}, {"value", *text}}},
          {"range", rozsah(d, t->usek.od, t->usek.po)}};
}

// The keywords, and the variables and function names the document already has, each
// replacing what has been typed of it before the cursor.
json Server::doplneni(const Dokument& d, Pozice p) const {
  const std::string& s = d.text();
  const std::size_t kurzor = d.bajt(p);
  std::size_t zacatek = kurzor;
  const auto pismeno = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  };
  while (zacatek > 0 && pismeno(s[zacatek - 1]))
    --zacatek;
  if (zacatek > 0 && (s[zacatek - 1] == '@' || s[zacatek - 1] == '~' || s[zacatek - 1] == '?'))
    --zacatek;
  const json nahradit = rozsah(d, zacatek, kurzor);
  json polozky = json::array();
  const auto pridej = [&](const std::string& text, int druh, std::string_view popis) {
    polozky.push_back({{"label", text},
                       {"kind", druh},
                       {"detail", popis},
                       {"textEdit", {{"range", nahradit}, {"newText", text}}}});
  };
  for (const PevnyText& k : KLICOVA_SLOVA)
    pridej(std::string(k.text), 14, "klicove slovo");
  std::set<std::string> promenne;
  std::set<std::string> funkce;
  for (const TokenZdroje& t : d.rozklad().tokeny) {
    // The word being typed is no suggestion of itself.
    if (t.usek.od == zacatek && t.usek.po == kurzor) continue;
    if (t.kind == T_PROMENNA) promenne.emplace(t.text);
    if (t.kind == T_VOLANI || t.kind == T_DEKLARACE) {
      std::string volani(1, '~');  // a declaration `?f` is offered as its call `~f`
      volani.append(t.text, 1);
      funkce.insert(std::move(volani));
    }
  }
  for (const auto& v : promenne)
    pridej(v, 6, "promenna");
  for (const auto& f : funkce)
    pridej(f, 3, "funkce");
  return {{"isIncomplete", false}, {"items", std::move(polozky)}};
}

json Server::formatovani(const Dokument& d, std::vector<std::string>& ven) const {
  const kontrola::Formatovani f = kontrola::naformatuj(d.text());
  if (!f.text) {
    ven.push_back(
        oznameni_ven("window/showMessage", {{"type", 2}, {"message", "moxa-fmt: " + f.proc}}));
    return json::array();
  }
  if (*f.text == d.text()) return json::array();
  return json::array({{{"range", rozsah(d, 0, d.text().size())}, {"newText", *f.text}}});
}

}  // namespace moxa::lsp
