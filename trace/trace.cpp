#include "trace/trace.hpp"

#include <charconv>

namespace moxa {

namespace {

constexpr char HEX[] = "0123456789abcdef";

}  // namespace

void Stopa::cislo(std::uint64_t n) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, n);
  radek_.append(buf, r.ptr);
}

// A value as a JSON string: every byte stands for the code point of its number, so the
// bytes 0x80-0xFF become the escapes \u0080-\u00ff and a reader gets every byte back.
void Stopa::text(std::string_view hodnota) {
  radek_ += '"';
  std::size_t od = 0;
  for (std::size_t i = 0; i < hodnota.size(); ++i) {
    const auto c = static_cast<unsigned char>(hodnota[i]);
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') continue;
    radek_.append(hodnota.substr(od, i - od));
    od = i + 1;
    switch (c) {
      case '"': radek_ += "\\\""; break;
      case '\\': radek_ += "\\\\"; break;
      case '\n': radek_ += "\\n"; break;
      case '\t': radek_ += "\\t"; break;
      default: {
        const char esc[] = {'\\', 'u', '0', '0', HEX[c >> 4], HEX[c & 0xf]};
        radek_.append(esc, sizeof esc);
      }
    }
  }
  radek_.append(hodnota.substr(od));
  radek_ += '"';
}

void Stopa::klic(std::string_view jmeno) {
  radek_ += ", \"";
  radek_ += jmeno;
  radek_ += "\": ";
}

void Stopa::zacni(const PoziceTokenu& kde, std::string_view kind) {
  radek_.assign("{\"step\": ");
  cislo(++kroku_);
  radek_ += ", \"line\": ";
  cislo(kde.radek);
  radek_ += ", \"col\": ";
  cislo(kde.sloupec);
  radek_ += ", \"kind\": \"";
  radek_ += kind;
  radek_ += '"';
}

// Ends a step: the change of the stack when there is one, then the line goes out, and the
// next step starts from the stack as it is now.
void Stopa::dokonci(const ZasobnikHodnot& zas) {
  const std::size_t vyska = zas.vyska();
  if (dno_ > vyska) dno_ = vyska;
  if (dno_ != pred_ || vyska != pred_) {
    radek_ += ", \"stack\": {\"keep\": ";
    cislo(dno_);
    radek_ += ", \"push\": [";
    for (std::size_t i = dno_; i < vyska; ++i) {
      if (i != dno_) radek_ += ", ";
      text(zas.na(i).text());
    }
    radek_ += "]}";
  }
  pred_ = dno_ = vyska;
  odesli();
}

void Stopa::odesli() {
  radek_ += "}\n";
  zapis_(user_, radek_.data(), radek_.size());
}

void Stopa::prirazeni(const PoziceTokenu& kde, std::string_view kind, std::string_view promenna,
                      std::string_view hodnota, const ZasobnikHodnot& zas) {
  zacni(kde, kind);
  klic("var");
  text(promenna);
  klic("value");
  text(hodnota);
  dokonci(zas);
}

void Stopa::volani(const PoziceTokenu& kde, std::string_view jmeno, const ZasobnikHodnot& zas) {
  zacni(kde, "call");
  klic("name");
  text(jmeno);
  dokonci(zas);
}

void Stopa::deklarace(const PoziceTokenu& kde, std::string_view jmeno, const ZasobnikHodnot& zas) {
  zacni(kde, "declare");
  klic("name");
  text(jmeno);
  dokonci(zas);
}

// The text stays open until the print has written it: a pis_ln adds its line feed.
void Stopa::zacni_tisk(const PoziceTokenu& kde, std::string_view hodnota) {
  zacni(kde, "print");
  klic("text");
  text(hodnota);
}

void Stopa::dokonci_tisk(bool novy_radek, const ZasobnikHodnot& zas) {
  if (novy_radek) {
    radek_.pop_back();
    radek_ += "\\n\"";
  }
  dokonci(zas);
}

void Stopa::zacni_test(const PoziceTokenu& kde, std::string_view kind, std::string_view hodnota) {
  zacni(kde, kind);
  klic("value");
  text(hodnota);
}

void Stopa::dokonci_test(bool taken, const ZasobnikHodnot& zas) {
  klic("taken");
  radek_ += taken ? "true" : "false";
  dokonci(zas);
}

void Stopa::konec_ok() {
  radek_.assign("{\"end\": \"ok\", \"steps\": ");
  cislo(kroku_);
  odesli();
}

void Stopa::konec_zastaven() {
  radek_.assign("{\"end\": \"stopped\", \"steps\": ");
  cislo(kroku_);
  odesli();
}

void Stopa::konec_chyba(const PoziceTokenu& token) {
  const PoziceTokenu& kde = prikaz_.je ? prikaz_.misto : token;
  radek_.assign("{\"end\": \"error\", \"steps\": ");
  cislo(kroku_);
  klic("message");
  text(zprava_);
  klic("line");
  cislo(kde.radek);
  klic("col");
  cislo(kde.sloupec);
  odesli();
}

}  // namespace moxa
