#include "tools/dap/adapter.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/dap/expression.hpp"

namespace moxa::dap {

using json = nlohmann::json;

namespace {

constexpr std::int64_t PROMENNE = 1;
constexpr std::int64_t ZASOBNIK = 2;
constexpr std::int64_t VYSTUP = 3;
// The Output scope shows at most this much of the end of what the run has written.
constexpr std::size_t UKAZANY_VYSTUP = std::size_t{64} << 10;

// A launch argument that is a count: absent (0), or a whole number from 0.
bool pocet(const nlohmann::json& a, const char* klic, std::uint64_t& n, std::string& chyba) {
  const auto it = a.find(klic);
  if (it == a.end() || it->is_null()) return true;
  if (it->is_number_unsigned() || (it->is_number_integer() && it->get<std::int64_t>() >= 0)) {
    n = it->get<std::uint64_t>();
    return true;
  }
  chyba = std::string(klic) + " must be a whole number from 0";
  return false;
}

std::string nazev(const std::string& cesta) {
  return std::filesystem::path(cesta).filename().string();
}

}  // namespace

Adapter::Adapter(Posli posli, Cteni cteni) : posli_(std::move(posli)), cteni_(std::move(cteni)) {}

Adapter::~Adapter() { ladeni_.reset(); }

std::optional<std::string> Adapter::soubor(const std::string& cesta, std::string& chyba) {
  std::error_code ec;
  if (std::filesystem::is_directory(cesta, ec)) {
    chyba = cesta + ": is a directory";
    return std::nullopt;
  }
  std::ifstream f(cesta, std::ios::binary);
  if (!f) {
    chyba = cesta + ": " + std::strerror(errno);
    return std::nullopt;
  }
  std::ostringstream s;
  s << f.rdbuf();
  return std::move(s).str();
}

void Adapter::posli(json zprava) {
  const std::lock_guard<std::mutex> zamek(posilani_);
  zprava["seq"] = seq_++;
  posli_(zprava.dump(-1, ' ', false, json::error_handler_t::replace));
}

void Adapter::udalost(const std::string& jmeno, json telo) {
  posli({{"type", "event"}, {"event", jmeno}, {"body", std::move(telo)}});
}

void Adapter::odpovez(const json& p, json telo) {
  posli({{"type", "response"},
         {"request_seq", p.value("seq", 0)},
         {"command", p.value("command", "")},
         {"success", true},
         {"body", std::move(telo)}});
}

void Adapter::odmitni(const json& p, const std::string& proc) {
  posli({{"type", "response"},
         {"request_seq", p.value("seq", 0)},
         {"command", p.value("command", "")},
         {"success", false},
         {"message", proc},
         {"body", {{"error", {{"id", 1}, {"format", proc}, {"showUser", true}}}}}});
}

void Adapter::zprava(std::string_view telo) {
  json p = json::parse(telo, nullptr, false);
  if (!p.is_object()) {
    udalost("output", {{"category", "console"},
                       {"output", "moxa-dap: a message that is not a JSON object was dropped\n"}});
    return;
  }
  if (p.value("type", "") != "request") return;  // the adapter asks the client nothing
  if (!p.contains("command") || !p["command"].is_string() ||
      (p.contains("seq") && !p["seq"].is_number_integer())) {
    p["seq"] = p.contains("seq") && p["seq"].is_number_integer() ? p["seq"] : json(0);
    p["command"] = p.contains("command") && p["command"].is_string() ? p["command"] : json("");
    odmitni(p, "a request needs a command and a whole seq");
    return;
  }
  try {
    pozadavek(p);
  } catch (const json::exception& e) {
    odmitni(p, std::string("malformed arguments: ") + e.what());
  }
}

bool Adapter::stejny_soubor(const std::string& cesta) const {
  if (cesta == cesta_) return true;
  std::error_code a, b;
  const auto x = std::filesystem::weakly_canonical(cesta, a);
  const auto y = std::filesystem::weakly_canonical(cesta_, b);
  return !a && !b && x == y;
}

json Adapter::zarazky(const std::string& cesta, const json& argumenty, bool poslat_zmeny) {
  json vysledek = json::array();
  std::vector<Zarazka> platne;
  std::map<int, json> vydane;
  const auto& stare = vydane_[cesta];
  const bool nas = ladeni_ && stejny_soubor(cesta);
  std::size_t poradi = 0;
  const json seznam = argumenty.value("breakpoints", json::array());
  for (const auto& z : seznam) {
    if (!z.is_object()) continue;
    const std::int64_t radek = z.value("line", std::int64_t{0});
    // The same breakpoint keeps its id when it is set again.
    int id = 0;
    if (poradi < stare.size()) id = std::next(stare.begin(), static_cast<long>(poradi))->first;
    if (id == 0) id = dalsi_id_++;
    ++poradi;
    json b = {{"id", id}, {"verified", false}, {"line", radek}};
    const std::string pocet_text = z.value("hitCondition", "");
    bool platna = true;
    if (!pocet_text.empty()) pocet_plati(pocet_text, 0, &platna);
    if (!nas) {
      b["message"] =
          ladeni_ ? "not in the program being debugged" : "the program is not launched yet";
    } else if (!platna) {
      b["message"] = "a hit count is N, >= N, > N, = N, < N, <= N or % N";
    } else if (radek < 1) {
      b["message"] = "no such line";
    } else if (const auto r = ladeni_->mapa().radek_s_krokem(static_cast<std::uint64_t>(radek))) {
      b["verified"] = true;
      b["line"] = *r;
      platne.push_back(Zarazka{id, *r, z.value("condition", ""), pocet_text});
    } else {
      b["message"] = "no statement on this line or after it";
    }
    b["source"] = {{"name", nazev(cesta)}, {"path", cesta}};
    if (poslat_zmeny) udalost("breakpoint", {{"reason", "changed"}, {"breakpoint", b}});
    vydane[id] = b;
    vysledek.push_back(std::move(b));
  }
  vydane_[cesta] = std::move(vydane);
  if (nas) ladeni_->zarazky(std::move(platne));
  return vysledek;
}

bool Adapter::spust_program(const json& p, const json& a) {
  if (!a.is_object() || !a.contains("program") || !a["program"].is_string()) {
    odmitni(p, "launch needs \"program\", the path of a .mox file");
    return false;
  }
  std::string chyba;
  const std::string cesta = a["program"].get<std::string>();
  auto program = cteni_(cesta, chyba);
  if (!program) {
    odmitni(p, "cannot read the program " + chyba);
    return false;
  }
  std::string vstup;
  if (a.contains("inputFile") && !a["inputFile"].is_null() &&
      !(a["inputFile"].is_string() && a["inputFile"].get<std::string>().empty())) {
    if (!a["inputFile"].is_string()) {
      odmitni(p, "inputFile must be a path");
      return false;
    }
    auto v = cteni_(a["inputFile"].get<std::string>(), chyba);
    if (!v) {
      odmitni(p, "cannot read the input " + chyba);
      return false;
    }
    vstup = std::move(*v);
  } else if (a.contains("input") && !a["input"].is_null()) {
    if (!a["input"].is_string()) {
      odmitni(p, "input must be a text");
      return false;
    }
    vstup = a["input"].get<std::string>();
  }
  Limity l;
  std::uint64_t vystup = 0;
  std::uint64_t pamet = 0;
  if (!pocet(a, "maxSteps", l.kroky, chyba) || !pocet(a, "maxTime", l.cas_ms, chyba) ||
      !pocet(a, "maxOutput", vystup, chyba) || !pocet(a, "maxMemory", pamet, chyba)) {
    odmitni(p, chyba);
    return false;
  }
  l.vystup = static_cast<std::size_t>(vystup);
  l.pamet = static_cast<std::size_t>(pamet);
  ladeni_.reset();
  cesta_ = cesta;
  spusteni_ = a;
  na_zacatku_ = a.value("stopOnEntry", false);
  ladeni_ = std::make_unique<Ladeni>(
      std::move(*program), std::move(vstup), l,
      [this](const std::string& jmeno, json telo) { udalost(jmeno, std::move(telo)); });
  ladeni_->na_chybe(na_chybe_);
  return true;
}

void Adapter::zacni() {
  // Breakpoints set before the launch are placed now, on the program's lines.
  for (const auto& [cesta, argumenty] : zarazky_)
    if (stejny_soubor(cesta)) zarazky(cesta, argumenty, true);
  ladeni_->spust(na_zacatku_);
}

json Adapter::zasobnik() const {
  const Misto m = ladeni_->misto();
  const Stav s = ladeni_->stav();
  const Mapa& mapa = ladeni_->mapa();
  const std::size_t bajt = mapa.bajt(m.radek, m.sloupec);
  const auto obal = mapa.obal(bajt);
  const json zdroj = {{"name", nazev(cesta_)}, {"path", cesta_}};
  json ramce = json::array();
  std::uint64_t radek = m.radek;
  std::uint64_t sloupec = m.sloupec;
  auto ramec = [&](std::string jmeno) {
    ramce.push_back({{"id", ramce.size() + 1},
                     {"name", std::move(jmeno)},
                     {"source", zdroj},
                     {"line", radek},
                     {"column", sloupec}});
  };
  for (std::size_t i = 0; i < obal.size(); ++i) {
    const auto& b = mapa.bloky()[obal[i]];
    const std::string kde = " at line " + std::to_string(b.radek);
    switch (b.druh) {
      case Mapa::Druh::Cyklus: {
        const auto it = s.pruchody.find(obal[i]);
        const std::uint64_t k = it == s.pruchody.end() ? 0 : it->second;
        if (i == 0 && bajt == b.od)
          ramec("w2" + kde + (k == 0 ? ", first test" : ", test after pass " + std::to_string(k)));
        else
          ramec("w2" + kde + ", pass " + std::to_string(k));
        break;
      }
      case Mapa::Druh::Vetev: ramec("i2" + kde + ", condition true"); break;
      case Mapa::Druh::Jinak: ramec("i2" + kde + ", e2: condition false"); break;
      case Mapa::Druh::Deklarace: ramec(b.jmeno + ", declaration block"); break;
      case Mapa::Druh::Hlavni: ramec("main block"); break;
    }
    radek = b.radek;
    sloupec = b.sloupec;
  }
  if (obal.empty()) ramec("program");
  return {{"stackFrames", ramce}, {"totalFrames", ramce.size()}};
}

json Adapter::promenne(std::int64_t odkaz) const {
  json r = json::array();
  const Stav s = ladeni_->stav();
  if (odkaz == PROMENNE) {
    for (const auto& [jmeno, hodnota] : s.promenne)
      r.push_back({{"name", jmeno}, {"value", hodnota}, {"variablesReference", 0}});
  } else if (odkaz == ZASOBNIK) {
    // The bottom first, numbered from 1.
    for (std::size_t i = 0; i < s.zasobnik.size(); ++i)
      r.push_back(
          {{"name", std::to_string(i + 1)}, {"value", s.zasobnik[i]}, {"variablesReference", 0}});
  } else if (odkaz == VYSTUP) {
    // The bytes written so far and their end, banners included: going back shows them as
    // they were at that step.
    const auto [konec, bajtu] = ladeni_->vystup(UKAZANY_VYSTUP);
    r.push_back({{"name", "bytes"}, {"value", std::to_string(bajtu)}, {"variablesReference", 0}});
    // Quoted, with its line feeds and other control bytes escaped: a variable's value is
    // shown on one line, and most output begins with the banner's line feed.
    r.push_back({{"name", bajtu > konec.size() ? "text (its end)" : "text"},
                 {"value", json(z_bajtu(konec)).dump()},
                 {"variablesReference", 0}});
  }
  return {{"variables", r}};
}

void Adapter::pozadavek(const json& p) {
  const std::string prikaz = p["command"].get<std::string>();
  const json a = p.value("arguments", json::object());
  if (prikaz == "initialize") {
    odpovez(p, {{"supportsConfigurationDoneRequest", true},
                {"supportsStepBack", true},
                {"supportsConditionalBreakpoints", true},
                {"supportsHitConditionalBreakpoints", true},
                {"supportsRestartRequest", true},
                {"supportsTerminateRequest", true},
                {"supportsEvaluateForHovers", true},
                {"exceptionBreakpointFilters",
                 {{{"filter", "error"},
                   {"label", "Run errors"},
                   {"description", "Stop where the run ends with an error"},
                   {"default", true}}}}});
    udalost("initialized", json::object());
  } else if (prikaz == "launch") {
    if (!spust_program(p, a)) return;
    odpovez(p);
    if (nastaveno_) zacni();
  } else if (prikaz == "setBreakpoints") {
    const json zdroj = a.value("source", json::object());
    const std::string cesta = zdroj.is_object() ? zdroj.value("path", "") : "";
    zarazky_[cesta] = a;
    odpovez(p, {{"breakpoints", zarazky(cesta, a, false)}});
  } else if (prikaz == "setExceptionBreakpoints") {
    const json filtry = a.value("filters", json::array());
    na_chybe_ =
        filtry.is_array() && std::find(filtry.begin(), filtry.end(), "error") != filtry.end();
    if (ladeni_) ladeni_->na_chybe(na_chybe_);
    odpovez(p);
  } else if (prikaz == "configurationDone") {
    odpovez(p);
    if (!nastaveno_ && ladeni_) zacni();
    nastaveno_ = true;
  } else if (prikaz == "threads") {
    odpovez(p, {{"threads", {{{"id", 1}, {"name", "main"}}}}});
  } else if (prikaz == "disconnect") {
    if (ladeni_) ladeni_->zastav();
    odpovez(p);
    skoncil_ = true;
  } else if (prikaz == "terminate") {
    if (ladeni_) ladeni_->zastav();
    odpovez(p);
    udalost("terminated", json::object());
  } else if (!ladeni_) {
    odmitni(p, prikaz == "stackTrace" || prikaz == "scopes" || prikaz == "variables" ||
                       prikaz == "continue" || prikaz == "next" || prikaz == "stepIn" ||
                       prikaz == "stepOut" || prikaz == "stepBack" || prikaz == "reverseContinue" ||
                       prikaz == "pause" || prikaz == "restart" || prikaz == "evaluate"
                   ? "no program is launched"
                   : "unknown request " + prikaz);
  } else if (prikaz == "restart") {
    const json nove = a.value("arguments", json());
    if (nove.is_object() && !spust_program(p, nove)) return;
    odpovez(p);
    zacni();
  } else if (prikaz == "pause") {
    odpovez(p);
    ladeni_->pauza();
  } else if (prikaz == "continue" || prikaz == "next" || prikaz == "stepIn" ||
             prikaz == "stepOut" || prikaz == "stepBack" || prikaz == "reverseContinue") {
    if (!ladeni_->stoji()) {
      odmitni(p, "the program is not stopped");
      return;
    }
    odpovez(p, prikaz == "continue" ? json{{"allThreadsContinued", true}} : json::object());
    if (prikaz == "continue") ladeni_->pokracuj();
    if (prikaz == "next" || prikaz == "stepIn") ladeni_->krok();
    if (prikaz == "stepOut") ladeni_->ven();
    if (prikaz == "stepBack") ladeni_->zpet();
    if (prikaz == "reverseContinue") ladeni_->zpet_k_zarazce();
  } else if (prikaz == "stackTrace" || prikaz == "scopes" || prikaz == "variables" ||
             prikaz == "evaluate") {
    if (!ladeni_->stoji()) {
      odmitni(p, "the program is not stopped");
      return;
    }
    if (prikaz == "stackTrace") {
      odpovez(p, zasobnik());
    } else if (prikaz == "scopes") {
      odpovez(p,
              {{"scopes",
                {{{"name", "Variables"}, {"variablesReference", PROMENNE}, {"expensive", false}},
                 {{"name", "Value stack"}, {"variablesReference", ZASOBNIK}, {"expensive", false}},
                 {{"name", "Output"}, {"variablesReference", VYSTUP}, {"expensive", false}}}}});
    } else if (prikaz == "variables") {
      odpovez(p, promenne(a.value("variablesReference", std::int64_t{0})));
    } else {
      const std::string vyraz = a.value("expression", "");
      const Stav s = ladeni_->stav();
      const auto it = s.promenne.find(vyraz);
      if (it != s.promenne.end()) {
        odpovez(p, {{"result", it->second}, {"variablesReference", 0}});
      } else if (a.value("context", "") == "hover") {
        odmitni(p, "not a variable");
      } else {
        const Hodnota h = vyhodnot(s.promenne, vyraz);
        if (h.ok)
          odpovez(p, {{"result", h.text}, {"variablesReference", 0}});
        else
          odmitni(p, h.chyba);
      }
    }
  } else {
    odmitni(p, "unknown request " + prikaz);
  }
}

}  // namespace moxa::dap
