#include "tools/check/output.hpp"

namespace moxa::tools {

namespace {

using kontrola::Misto;
using kontrola::Oprava;
using kontrola::Zavaznost;

void line(std::ostream& out, const std::string& name, const Misto& m, std::string_view kind,
          std::string_view message) {
  out << name << ':' << m.radek << ':' << m.sloupec << ": " << kind << ": " << message << '\n';
}

nlohmann::json place(const Misto& m) {
  return {{"line", m.radek}, {"column", m.sloupec}, {"offset", m.bajt}, {"length", m.delka}};
}

nlohmann::json fix(const Oprava& o) {
  return {
      {"range",
       {{"start", {{"line", o.misto.radek}, {"column", o.misto.sloupec}, {"offset", o.misto.bajt}}},
        {"end", {{"line", o.konec.radek}, {"column", o.konec.sloupec}, {"offset", o.konec.bajt}}}}},
      {"replacement", o.text},
      {"safe", o.bezpecna},
      {"title", o.popis}};
}

}  // namespace

void write_findings(std::ostream& out, const std::string& name, const kontrola::Vysledek& v) {
  for (const auto& z : v.zjisteni) {
    line(out, name, z.misto, z.zavaznost == Zavaznost::Chyba ? "error" : "warning",
         z.text + " [" + z.kod + "]");
    for (const auto& p : z.poznamky)
      line(out, name, p.misto, "note", p.kod.empty() ? p.text : p.text + " [" + p.kod + "]");
    if (!z.vysvetleni.empty()) line(out, name, z.misto, "help", z.vysvetleni);
    for (const auto& o : z.opravy)
      line(out, name, o.misto, "fix", o.popis);
  }
}

nlohmann::json findings_json(const std::string& name, const kontrola::Vysledek& v) {
  nlohmann::json d = nlohmann::json::array();
  for (const auto& z : v.zjisteni) {
    nlohmann::json j = place(z.misto);
    j["severity"] = z.zavaznost == Zavaznost::Chyba ? "error" : "warning";
    j["code"] = z.kod;
    j["message"] = z.text;
    j["explanation"] = z.vysvetleni;
    j["notes"] = nlohmann::json::array();
    for (const auto& p : z.poznamky) {
      nlohmann::json n = place(p.misto);
      n["message"] = p.text;
      if (!p.kod.empty()) n["code"] = p.kod;
      j["notes"].push_back(n);
    }
    j["fixes"] = nlohmann::json::array();
    for (const auto& o : z.opravy)
      j["fixes"].push_back(fix(o));
    d.push_back(j);
  }
  return {{"file", name}, {"diagnostics", d}};
}

bool explain_code(std::ostream& out, std::string_view code, kontrola::Jazyk language) {
  const auto p = kontrola::popis_kodu(code, language);
  if (!p) return false;
  out << p->kod << ": " << p->vysvetleni << "\n\n" << p->dlouhe << '\n';
  if (!p->priklad.empty() && p->priklad != "generated")
    out << '\n'
        << (language == kontrola::Jazyk::Cs ? "Například:" : "For example:") << "\n\n"
        << p->priklad;
  return true;
}

}  // namespace moxa::tools
