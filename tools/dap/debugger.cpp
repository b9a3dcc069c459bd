#include "tools/dap/debugger.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "driver/run.hpp"
#include "io/streams.hpp"
#include "limits/budget.hpp"
#include "moxa/moxa.h"
#include "tools/dap/expression.hpp"
#include "trace/trace.hpp"

namespace moxa::dap {

using json = nlohmann::json;

namespace {

// The fixed beginning of a step's record, {"step": N, "line": L, "col": C, "kind": "K", read
// without parsing the rest: a run going back passes over most records.
struct Hlavicka {
  bool konec = false;
  std::uint64_t krok = 0;
  std::uint64_t radek = 0;
  std::uint64_t sloupec = 0;
  std::string_view druh;
};

std::uint64_t cislo_po(std::string_view r, std::string_view klic) {
  std::size_t i = r.find(klic);
  std::uint64_t n = 0;
  if (i != std::string_view::npos) {
    i += klic.size();
    std::from_chars(r.data() + i, r.data() + r.size(), n);
  }
  return n;
}

Hlavicka hlavicka(std::string_view r) {
  Hlavicka h;
  if (r.starts_with("{\"end\"")) {
    h.konec = true;
    return h;
  }
  h.krok = cislo_po(r, "\"step\": ");
  h.radek = cislo_po(r, "\"line\": ");
  h.sloupec = cislo_po(r, "\"col\": ");
  constexpr std::string_view DRUH = "\"kind\": \"";
  const std::size_t i = r.find(DRUH);
  if (i != std::string_view::npos) {
    const std::size_t od = i + DRUH.size();
    const std::size_t po = r.find('"', od);
    if (po != std::string_view::npos) h.druh = r.substr(od, po - od);
  }
  return h;
}

std::size_t velikost(const Stav& s) {
  std::size_t n = sizeof s;
  for (const auto& [k, v] : s.promenne)
    n += k.size() + v.size() + 96;
  for (const auto& v : s.zasobnik)
    n += v.size() + 32;
  return n + s.pruchody.size() * 48;
}

// The states kept for going back take at most this much; past it every other one goes.
constexpr std::size_t NEJVICE_KONTROL = std::size_t{64} << 20;

const std::string_view UVOD = MOXA_OPENING;
const std::string_view ZAVER = MOXA_CLOSING;

std::string text_pole(const json& j, const char* klic) {
  const auto it = j.find(klic);
  return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

bool pocet_plati(std::string_view podminka, std::uint64_t pocet, bool* platna) {
  std::string_view p = podminka;
  auto orez = [&p] {
    while (!p.empty() && (p.front() == ' ' || p.front() == '\t'))
      p.remove_prefix(1);
    while (!p.empty() && (p.back() == ' ' || p.back() == '\t'))
      p.remove_suffix(1);
  };
  orez();
  std::string_view op = ">=";
  for (const std::string_view o : {">=", "<=", "==", ">", "<", "=", "%"})
    if (p.starts_with(o)) {
      op = o;
      p.remove_prefix(o.size());
      break;
    }
  orez();
  std::uint64_t n = 0;
  const auto [konec, chyba] = std::from_chars(p.data(), p.data() + p.size(), n);
  const bool ok = !p.empty() && chyba == std::errc() && konec == p.data() + p.size();
  if (platna != nullptr) *platna = ok && !(op == "%" && n == 0);
  if (!ok) return false;
  if (op == ">=") return pocet >= n;
  if (op == ">") return pocet > n;
  if (op == "<=") return pocet <= n;
  if (op == "<") return pocet < n;
  if (op == "%") return n != 0 && pocet % n == 0;
  return pocet == n;
}

struct Ladeni::Beh {
  Ladeni& l;
  std::uint64_t generace;
  Vystup* out = nullptr;
  std::uint64_t zaznamu = 0;

  static void stopa(void* user, const char* radek, std::size_t n) {
    auto* b = static_cast<Beh*>(user);
    b->l.zaznam(*b, std::string_view(radek, n));
  }

  // The run's output, kept while the run is the debugger's current one.
  static bool vystup(void* user, const char* data, std::size_t n) {
    auto* b = static_cast<Beh*>(user);
    return b->l.prijmi(b->generace, data, n);
  }
};

Ladeni::Ladeni(std::string program, std::string vstup, Limity limity, Udalost udalost)
    : program_(std::move(program)),
      vstup_(std::move(vstup)),
      limity_(limity),
      udalost_(std::move(udalost)),
      mapa_(program_) {
  Stav s;
  s.vystup = UVOD.size();
  kontroly_.emplace(0, s);
  velikost_kontrol_ = velikost(s);
}

Ladeni::~Ladeni() { ukonci_vlakno(); }

void Ladeni::zarazky(std::vector<Zarazka> z) {
  const std::lock_guard<std::mutex> zamek(m_);
  zarazky_ = std::move(z);
}

void Ladeni::na_chybe(bool zastavit) {
  const std::lock_guard<std::mutex> zamek(m_);
  na_chybe_ = zastavit;
}

bool Ladeni::stoji() const {
  const std::lock_guard<std::mutex> zamek(m_);
  return stoji_;
}

Stav Ladeni::stav() const {
  const std::lock_guard<std::mutex> zamek(m_);
  return stav_;
}

std::pair<std::string, std::size_t> Ladeni::vystup(std::size_t nejvic) const {
  const std::lock_guard<std::mutex> zamek(m_);
  const std::size_t vse = std::min(stav_.vystup, vystup_.size());
  const std::size_t od = vse - std::min(vse, nejvic);
  return {vystup_.substr(od, vse - od), vse};
}

Misto Ladeni::misto() const {
  const std::lock_guard<std::mutex> zamek(m_);
  return misto_;
}

std::uint64_t Ladeni::interval() const {
  const std::lock_guard<std::mutex> zamek(m_);
  return interval_;
}

void Ladeni::ukonci_vlakno() {
  {
    const std::lock_guard<std::mutex> zamek(m_);
    ++generace_;
    if (budik_ != nullptr) budik_->zazvon(Budik::ZASTAVIT);
    stoji_ = false;
    cv_.notify_all();
  }
  if (vlakno_.joinable()) vlakno_.join();
}

void Ladeni::zastav() { ukonci_vlakno(); }

void Ladeni::spust_vlakno() {
  const std::uint64_t g = generace_;
  vlakno_ = std::thread([this, g] { pracuj(g); });
}

void Ladeni::spust(bool na_zacatku) {
  ukonci_vlakno();
  const std::lock_guard<std::mutex> zamek(m_);
  stav_ = kontroly_.at(0);
  preskocit_ = 0;
  rezim_ = na_zacatku ? Rezim::NaKrok : Rezim::Volne;
  cil_ = 1;
  duvod_cile_ = "entry";
  pauza_ = false;
  stoji_ = false;
  konec_ = false;
  zasahy_.clear();
  odeslano_ = 0;
  vystup_ = UVOD;
  spust_vlakno();
}

void Ladeni::znovu(std::uint64_t cil, const std::string& duvod) {
  ukonci_vlakno();
  const std::lock_guard<std::mutex> zamek(m_);
  // The latest state kept before the step to stop at: the run passes over the records up
  // to it and applies at most an interval's worth.
  auto it = kontroly_.upper_bound(cil > 0 ? cil - 1 : 0);
  --it;
  stav_ = it->second;
  preskocit_ = it->first;
  rezim_ = Rezim::NaKrok;
  cil_ = cil;
  duvod_cile_ = duvod;
  pauza_ = false;
  stoji_ = false;
  konec_ = false;
  vystup_ = UVOD;
  spust_vlakno();
}

bool Ladeni::pokracuj() {
  const std::lock_guard<std::mutex> zamek(m_);
  if (!stoji_) return false;
  rezim_ = Rezim::Volne;
  stoji_ = false;
  cv_.notify_all();
  return true;
}

bool Ladeni::krok() {
  const std::lock_guard<std::mutex> zamek(m_);
  if (!stoji_) return false;
  rezim_ = Rezim::Krok;
  stoji_ = false;
  cv_.notify_all();
  return true;
}

bool Ladeni::ven() {
  const std::lock_guard<std::mutex> zamek(m_);
  if (!stoji_) return false;
  const auto bloky = mapa_.obal(mapa_.bajt(misto_.radek, misto_.sloupec));
  rezim_ = Rezim::Volne;
  if (!bloky.empty() && !misto_.chyba) {
    const auto& b = mapa_.bloky()[bloky.front()];
    rezim_ = Rezim::Ven;
    ven_od_ = b.od;
    ven_po_ = b.po;
  }
  stoji_ = false;
  cv_.notify_all();
  return true;
}

void Ladeni::pauza() {
  const std::lock_guard<std::mutex> zamek(m_);
  if (!stoji_ && !konec_) pauza_ = true;
}

bool Ladeni::zpet() {
  std::uint64_t cil = 1;
  {
    const std::lock_guard<std::mutex> zamek(m_);
    if (!stoji_) return false;
    if (misto_.krok > 1) cil = misto_.krok - 1;
  }
  znovu(cil, "step");
  return true;
}

bool Ladeni::zpet_k_zarazce() {
  std::uint64_t tady = 0;
  {
    const std::lock_guard<std::mutex> zamek(m_);
    if (!stoji_) return false;
    tady = misto_.krok;
  }
  ukonci_vlakno();
  std::unique_lock<std::mutex> zamek(m_);
  // A search from the start for the last breakpoint stop before here: only the lines are
  // read, unless a condition needs the variables.
  stav_ = kontroly_.at(0);
  preskocit_ = 0;
  rezim_ = Rezim::Hledani;
  cil_ = tady;
  nalezeno_ = 0;
  hledani_hotovo_ = false;
  hledani_zasahy_.clear();
  hledani_uplne_ = std::any_of(zarazky_.begin(), zarazky_.end(),
                               [](const Zarazka& z) { return !z.podminka.empty(); });
  vystup_ = UVOD;
  spust_vlakno();
  cv_.wait(zamek, [this] { return hledani_hotovo_; });
  const std::uint64_t nalezeno = nalezeno_;
  zamek.unlock();
  if (nalezeno == 0)
    znovu(1, "entry");
  else
    znovu(nalezeno, "breakpoint");
  return true;
}

bool Ladeni::prijmi(std::uint64_t generace, const char* data, std::size_t n) {
  const std::lock_guard<std::mutex> zamek(m_);
  if (generace != generace_) return false;
  vystup_.append(data, n);
  return true;
}

void Ladeni::posli_vystup(std::size_t po) {
  po = std::min(po, vystup_.size());
  if (po <= odeslano_) return;
  udalost_("output",
           {{"category", "stdout"},
            {"output", z_bajtu(std::string_view(vystup_).substr(odeslano_, po - odeslano_))}});
  odeslano_ = po;
}

void Ladeni::pracuj(std::uint64_t generace) {
  Beh b{*this, generace};
  // The run's output on its way to the debugger; with a limit, exactly its first bytes.
  CilFunkce cil(&Beh::vystup, &b, limity_.vystup);
  Budik budik;
  Vystup out(cil, &budik);
  TextovyVstup zdroj(program_);
  TextovyVstup vstup(vstup_);
  Stopa stopa(&Beh::stopa, &b);
  Nastaveni n;
  n.limit_kroku = limity_.kroky;
  n.limit_pameti = limity_.pamet;
  n.limit_casu_ms = limity_.cas_ms;
  n.tichy_limit_kroku = true;
  n.kroky_za_texty = true;
  n.stopa = &stopa;
  {
    const std::lock_guard<std::mutex> zamek(m_);
    if (generace != generace_) return;
    budik_ = &budik;
    b.out = &out;
  }
  const Konec konec = beh(zdroj, vstup, out, n);
  out.vyprazdnit();
  std::unique_lock<std::mutex> zamek(m_);
  budik_ = nullptr;
  if (generace != generace_) return;
  if (rezim_ == Rezim::Hledani) {
    hledani_hotovo_ = true;
    cv_.notify_all();
    return;
  }
  if (konec != Konec::Zastaven && !cil.prekrocen()) vystup_ += ZAVER;
  posli_vystup(vystup_.size());
  konec_ = true;
  stoji_ = false;
  udalost_("exited", {{"exitCode", 0}});
  udalost_("terminated", json::object());
}

void Ladeni::cekej(std::unique_lock<std::mutex>& zamek, Beh& b, json telo) {
  stoji_ = true;
  udalost_("stopped", std::move(telo));
  // The time limit does not run while the run waits for the person debugging it.
  const Rozpocet::Cekani cekani;
  cv_.wait(zamek, [this, &b] { return !stoji_ || b.generace != generace_; });
}

void Ladeni::cekej_na_konec(std::unique_lock<std::mutex>& zamek, Beh& b) {
  hledani_hotovo_ = true;
  cv_.notify_all();
  const Rozpocet::Cekani cekani;
  cv_.wait(zamek, [this, &b] { return b.generace != generace_; });
}

bool Ladeni::zarazka_zde(std::uint64_t radek, std::string_view druh, const Stav& s,
                         std::map<int, std::uint64_t>& zasahy, json* zasazene) {
  // A breakpoint holds when the run comes to its line anew: from another line, or at a
  // loop's test, which begins each pass.
  if (s.radek == radek && druh != "while") return false;
  bool zastavit = false;
  for (const auto& z : zarazky_) {
    if (z.radek != radek) continue;
    if (!z.podminka.empty()) {
      const Hodnota h = vyhodnot(s.promenne, z.podminka);
      if (!h.ok) {
        if (zasazene != nullptr)
          udalost_("output",
                   {{"category", "console"},
                    {"output", "breakpoint condition " + z.podminka + ": " + h.chyba + "\n"}});
        continue;
      }
      if (!h.pravda) continue;
    }
    const std::uint64_t n = ++zasahy[z.id];
    if (!z.pocet.empty() && !pocet_plati(z.pocet, n)) continue;
    zastavit = true;
    if (zasazene != nullptr) zasazene->push_back(z.id);
  }
  return zastavit;
}

bool Ladeni::zastavit_pred(std::uint64_t radek, std::uint64_t sloupec, std::string_view druh,
                           std::string& duvod, json& zasazene) {
  if (pauza_) {
    pauza_ = false;
    duvod = "pause";
    return true;
  }
  switch (rezim_) {
    case Rezim::NaKrok:
      if (stav_.krok + 1 < cil_) return false;
      duvod = duvod_cile_;
      return true;
    case Rezim::Krok: duvod = "step"; return true;
    case Rezim::Ven: {
      const std::size_t b = mapa_.bajt(radek, sloupec);
      if (b < ven_od_ || b >= ven_po_) {
        duvod = "step";
        return true;
      }
      break;
    }
    case Rezim::Volne:
    case Rezim::Hledani: break;
  }
  if (zarazka_zde(radek, druh, stav_, zasahy_, &zasazene)) {
    duvod = "breakpoint";
    return true;
  }
  return false;
}

void Ladeni::uplatni(const json& z, Stav& s) {
  const std::string druh = text_pole(z, "kind");
  if (druh == "assign" || druh == "read") s.promenne[text_pole(z, "var")] = text_pole(z, "value");
  const auto zas = z.find("stack");
  if (zas != z.end() && zas->is_object()) {
    const auto keep = zas->value("keep", std::uint64_t{0});
    if (keep < s.zasobnik.size()) s.zasobnik.resize(static_cast<std::size_t>(keep));
    const auto push = zas->find("push");
    if (push != zas->end() && push->is_array())
      for (const auto& v : *push)
        s.zasobnik.push_back(v.is_string() ? v.get<std::string>() : std::string());
  }
  // The loops under way: those that enclose this step; a loop's test begins a pass when
  // its body runs next.
  const std::size_t bajt =
      mapa_.bajt(z.value("line", std::uint64_t{0}), z.value("col", std::uint64_t{0}));
  auto nalezeny = obaly_.find(bajt);
  if (nalezeny == obaly_.end()) nalezeny = obaly_.emplace(bajt, mapa_.obal(bajt)).first;
  const auto& obal = nalezeny->second;
  for (auto it = s.pruchody.begin(); it != s.pruchody.end();) {
    if (std::find(obal.begin(), obal.end(), it->first) == obal.end())
      it = s.pruchody.erase(it);
    else
      ++it;
  }
  if (druh == "while") {
    if (const auto c = mapa_.cyklus(bajt)) {
      auto& n = s.pruchody[*c];
      if (z.value("taken", false)) ++n;
    }
  }
}

void Ladeni::uloz_kontrolu() {
  if (!kontroly_.emplace(stav_.krok, stav_).second) return;
  velikost_kontrol_ += velikost(stav_);
  while (velikost_kontrol_ > NEJVICE_KONTROL && interval_ < (std::uint64_t{1} << 40)) {
    interval_ *= 2;
    for (auto it = kontroly_.begin(); it != kontroly_.end();) {
      if (it->first % interval_ != 0) {
        velikost_kontrol_ -= velikost(it->second);
        it = kontroly_.erase(it);
      } else {
        ++it;
      }
    }
  }
}

void Ladeni::zaznam(Beh& b, std::string_view r) {
  {
    const std::lock_guard<std::mutex> zamek(m_);
    if (b.generace != generace_) return;
  }
  // Everything the steps so far have printed reaches the debugger before it looks at them.
  b.out->vyprazdnit();
  std::unique_lock<std::mutex> zamek(m_);
  if (b.generace != generace_) return;
  const Hlavicka h = hlavicka(r);
  const std::size_t napsano = vystup_.size();
  if (h.konec) {
    if (rezim_ == Rezim::Hledani) {
      cekej_na_konec(zamek, b);
      return;
    }
    const json z = json::parse(r, nullptr, false);
    if (!z.is_object() || text_pole(z, "end") != "error" || !na_chybe_) return;
    misto_ = Misto{stav_.krok + 1, z.value("line", std::uint64_t{0}),
                   z.value("col", std::uint64_t{0}), true, text_pole(z, "message")};
    while (!misto_.zprava.empty() && misto_.zprava.back() == '\n')
      misto_.zprava.pop_back();
    // The message and the verdict are shown before the stop.
    posli_vystup(napsano);
    cekej(zamek, b,
          {{"reason", "exception"},
           {"description", "the run's error"},
           {"text", misto_.zprava},
           {"threadId", 1},
           {"allThreadsStopped", true}});
    return;
  }
  const std::uint64_t n = ++b.zaznamu;
  if (n <= preskocit_) return;
  if (rezim_ == Rezim::Hledani) {
    if (n >= cil_) {
      cekej_na_konec(zamek, b);
      return;
    }
    if (zarazka_zde(h.radek, h.druh, stav_, hledani_zasahy_, nullptr)) nalezeno_ = n;
    if (hledani_uplne_) uplatni(json::parse(r, nullptr, false), stav_);
    stav_.krok = n;
    stav_.radek = h.radek;
    return;
  }
  std::string duvod;
  json zasazene = json::array();
  if (zastavit_pred(h.radek, h.sloupec, h.druh, duvod, zasazene)) {
    misto_ = Misto{n, h.radek, h.sloupec, false, {}};
    posli_vystup(stav_.vystup);
    json telo = {{"reason", duvod}, {"threadId", 1}, {"allThreadsStopped", true}};
    if (!zasazene.empty()) telo["hitBreakpointIds"] = zasazene;
    cekej(zamek, b, std::move(telo));
    if (b.generace != generace_) return;
  }
  const json z = json::parse(r, nullptr, false);
  if (z.is_object()) uplatni(z, stav_);
  stav_.krok = n;
  stav_.vystup = napsano;
  stav_.radek = h.radek;
  if (n % interval_ == 0) uloz_kontrolu();
  posli_vystup(napsano);
}

}  // namespace moxa::dap
