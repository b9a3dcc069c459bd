#include "tools/lsp/framing.hpp"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace moxa::lsp {

namespace {

constexpr std::string_view DELKA = "Content-Length";
// Longer header lines are cut: no header the protocol knows is near this long.
constexpr std::size_t NEJDELSI_RADEK = 4096;

bool stejne_bez_velikosti(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view oriznuty(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
    s.remove_suffix(1);
  return s;
}

// The value of a Content-Length header: decimal digits only, at most NEJDELSI_ZPRAVA.
bool delka_zpravy(std::string_view hodnota, std::size_t& delka, std::string& proc) {
  hodnota = oriznuty(hodnota);
  if (hodnota.empty() ||
      !std::all_of(hodnota.begin(), hodnota.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    proc = "Content-Length is not a number";
    return false;
  }
  std::size_t n = 0;
  for (const char c : hodnota) {
    n = n * 10 + static_cast<std::size_t>(c - '0');
    if (n > NEJDELSI_ZPRAVA) {
      proc = "Content-Length is too large";
      return false;
    }
  }
  delka = n;
  return true;
}

}  // namespace

CtenarZprav::Radek CtenarZprav::radek(std::string& r) {
  r = std::move(zacatek_);
  zacatek_.clear();
  for (;;) {
    const int c = vstup_.sbumpc();
    if (c == std::char_traits<char>::eof()) return Radek::Konec;
    if (c == '\n') break;
    if (r.size() < NEJDELSI_RADEK) r.push_back(static_cast<char>(c));
  }
  if (!r.empty() && r.back() == '\r') r.pop_back();
  return r.empty() ? Radek::Prazdny : Radek::Plny;
}

// Passes over the input up to the next "Content-Length", which it keeps as the start of the
// next header line. False at the end of the input.
bool CtenarZprav::najdi_zacatek() {
  std::size_t shoda = 0;
  for (;;) {
    const int c = vstup_.sbumpc();
    if (c == std::char_traits<char>::eof()) return false;
    if (static_cast<char>(c) == DELKA[shoda]) {
      if (++shoda == DELKA.size()) {
        zacatek_ = DELKA;
        return true;
      }
    } else {
      shoda = static_cast<char>(c) == DELKA[0] ? 1 : 0;
    }
  }
}

CtenarZprav::Stav CtenarZprav::dalsi(std::string& telo, std::string& proc) {
  telo.clear();
  proc.clear();
  if (hledat_) {
    hledat_ = false;
    if (!najdi_zacatek()) return Stav::Konec;
  }
  bool hlavicka = false;  // some header line has been read
  bool ma_delku = false;
  std::size_t delka = 0;
  std::string r;
  for (;;) {
    const Radek k = radek(r);
    if (k == Radek::Konec) {
      if (hlavicka || !r.empty()) proc = "the input ended inside a header";
      return Stav::Konec;
    }
    if (k == Radek::Prazdny) {
      if (hlavicka) break;
      continue;  // blank lines between messages
    }
    // The rest of a frame whose Content-Length was too small runs on into the next header:
    // the header starts where Content-Length does, and what stood before it is passed over.
    if (const std::size_t kde = r.rfind(DELKA); kde != std::string::npos && kde > 0) {
      r.erase(0, kde);
      proc.clear();
      ma_delku = false;
    }
    hlavicka = true;
    const std::size_t dvojtecka = r.find(':');
    if (dvojtecka == std::string::npos) {
      proc = "a header line without ':'";
      continue;
    }
    if (!stejne_bez_velikosti(oriznuty(std::string_view(r).substr(0, dvojtecka)), DELKA)) continue;
    std::string duvod;
    if (delka_zpravy(std::string_view(r).substr(dvojtecka + 1), delka, duvod)) {
      ma_delku = true;
    } else {
      proc = duvod;
    }
  }
  if (!proc.empty() || !ma_delku) {
    if (proc.empty()) proc = "a header without Content-Length";
    hledat_ = true;
    return Stav::Vadna;
  }
  // Read in pieces, so that a Content-Length the input never delivers costs no memory.
  constexpr std::size_t KUS = 1 << 16;
  while (telo.size() < delka) {
    const std::size_t mam = telo.size();
    const std::size_t kolik = std::min(KUS, delka - mam);
    telo.resize(mam + kolik);
    const auto precteno = vstup_.sgetn(telo.data() + mam, static_cast<std::streamsize>(kolik));
    telo.resize(mam + static_cast<std::size_t>(std::max<std::streamsize>(precteno, 0)));
    if (static_cast<std::size_t>(precteno) < kolik) {
      proc = "the input ended inside a message";
      return Stav::Konec;
    }
  }
  return Stav::Zprava;
}

void zapis_zpravu(std::ostream& out, std::string_view telo) {
  out << "Content-Length: " << telo.size() << "\r\n\r\n" << telo;
  out.flush();
}

void obsluhuj(std::streambuf& vstup, const std::function<bool(const std::string&)>& zprava,
              const std::function<void(const std::string&)>& nahlas) {
  CtenarZprav ctenar(vstup);
  std::string telo;
  std::string proc;
  for (;;) {
    const auto stav = ctenar.dalsi(telo, proc);
    if (stav == CtenarZprav::Stav::Konec) {
      if (!proc.empty() && nahlas) nahlas(proc);
      return;
    }
    if (stav == CtenarZprav::Stav::Vadna) {
      if (nahlas) nahlas("message dropped: " + proc);
      continue;
    }
    if (zprava(telo)) return;
  }
}

}  // namespace moxa::lsp
