// The value rules against the C library. The first eight bytes of the input, taken as a
// double, must print as "%f" prints it ("nan" for every not-a-number) and, when finite,
// read back as strtod reads that text. The whole input, taken as a text, must pass the
// number test exactly when it starts with a digit or a sign and a digit, and then read as
// strtod reads its longest decimal prefix (sign, digits, optional '.' and digits, optional
// exponent): strtod alone would also take hexadecimal, "inf" and "nan", which are not
// numbers here, so it is given only that prefix.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "expr/value.hpp"
#include "fuzz/reference.hpp"

namespace {

[[noreturn]] void nalez(const char* co, std::string_view text, double ocekavano, double dostal) {
  std::fprintf(stderr, "finding: %s\n text: \"%.*s\"\n expected %.17g, got %.17g\n", co,
               static_cast<int>(text.size() > 400 ? 400 : text.size()), text.data(), ocekavano,
               dostal);
  std::abort();
}

bool stejne(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

using moxa_fuzz::cislice;
using moxa_fuzz::desetinna_predpona;

void zkontroluj_vysledek(double r) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%f", r);
  const std::string ocekavano = std::isnan(r) ? "nan" : buf;
  const moxa::Hodnota v = moxa::Hodnota::vysledek(r);
  if (v.text() != ocekavano) nalez("a result printed otherwise than %f", v.text(), r, r);
  if (moxa::format_f(r) != ocekavano) nalez("format_f differs from %f", ocekavano, r, r);
  if (!std::isfinite(r)) {
    if (v.je_cislo()) nalez("an infinite or undefined result passes the number test", "", r, r);
    return;
  }
  const double zpet = std::strtod(ocekavano.c_str(), nullptr);
  if (!moxa::Je_cislo(ocekavano) || !v.je_cislo()) {
    nalez("a finite result fails the number test", ocekavano, zpet, r);
  }
  if (!stejne(v.cteni(), zpet))
    nalez("a result reads otherwise than its text", ocekavano, zpet, v.cteni());
  // A result whose text is first made when it is copied or extended.
  moxa::Hodnota kopie;
  kopie = v;
  if (kopie.text() != ocekavano) nalez("a copied result lost its text", kopie.text(), r, r);
  moxa::Hodnota delsi = moxa::Hodnota::vysledek(r);
  delsi.pripoj("x");
  if (delsi.text() != ocekavano + "x") nalez("an extended result", delsi.text(), r, r);
}

void zkontroluj_text(std::string_view t) {
  const bool cislo =
      !t.empty() &&
      (cislice(t[0]) || (t.size() > 1 && (t[0] == '+' || t[0] == '-') && cislice(t[1])));
  if (moxa::Je_cislo(t) != cislo) nalez("the number test", t, cislo, !cislo);
  const moxa::Hodnota v = moxa::Hodnota::text(std::string(t));
  if (v.je_cislo() != cislo) nalez("the number test of a value", t, cislo, !cislo);
  if (!cislo) return;
  const std::string predpona = desetinna_predpona(t);
  const double ocekavano = std::strtod(predpona.c_str(), nullptr);
  const double cteni = moxa::cteni_textu(t);
  if (!stejne(cteni, ocekavano)) nalez("a reading differs from strtod", t, ocekavano, cteni);
  if (!stejne(v.cteni(), ocekavano)) nalez("a value's reading", t, ocekavano, v.cteni());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= sizeof(double)) {
    double r;
    std::memcpy(&r, data, sizeof r);
    zkontroluj_vysledek(r);
  }
  zkontroluj_text(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
