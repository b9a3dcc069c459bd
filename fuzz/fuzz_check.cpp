// The checker and the formatter over arbitrary programs. Every finding stands inside the
// program with its line and column where its offset is; there is at most one error and it
// comes first. A program without an error is formatted (the formatter never has to give up
// because its layout would change the tokens), formatting the result changes nothing, and
// nothing is lost: every comment stands in the result in its order (a line comment without
// the carriage returns that end its line), and so does what follows the last token.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "check/check.hpp"
#include "check/format.hpp"
#include "check/tokens.hpp"

namespace {

using namespace moxa::kontrola;

[[noreturn]] void nalez(const char* co, const std::string& text) {
  std::fprintf(stderr, "finding: %s: %.300s\n", co, text.c_str());
  std::abort();
}

void mista(std::string_view program, const Vysledek& v) {
  const Radky radky(program);
  for (std::size_t i = 0; i < v.zjisteni.size(); ++i) {
    const Zjisteni& z = v.zjisteni[i];
    if (i > 0 && z.zavaznost == Zavaznost::Chyba) nalez("an error after the first finding", z.text);
    const Misto& m = z.misto;
    if (m.bajt > program.size() || m.delka > program.size() - m.bajt)
      nalez("a finding outside the program", z.text);
    if (m.radek != radky.radek(m.bajt) || m.sloupec != radky.sloupec(m.bajt))
      nalez("a finding's line or column is not where its offset is", z.text);
  }
}

// Every comment of `program` in `text`, in order, and what follows its last token at the
// end of `text` (or, when that is only white space, a line feed).
void nic_neztraceno(std::string_view program, std::string_view text) {
  const Rozklad r = rozloz(program);
  std::size_t kde = 0;
  for (const Usek& u : r.komentare) {
    std::string_view k = program.substr(u.od, u.po - u.od);
    if (k.back() == '\n') {
      k.remove_suffix(1);
      while (!k.empty() && k.back() == '\r')
        k.remove_suffix(1);
    }
    const std::size_t nalezeno = text.find(k, kde);
    if (nalezeno == std::string_view::npos) nalez("formatting lost a comment", std::string(k));
    kde = nalezeno + k.size();
  }
  if (r.tokeny.size() < 2) return;
  const std::string_view zbytek = program.substr(r.tokeny[r.tokeny.size() - 2].usek.po);
  if (zbytek.find_first_not_of(" \t\r\n") == std::string_view::npos) return;
  if (!text.ends_with(zbytek)) nalez("formatting lost what follows the end", std::string(zbytek));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view program(reinterpret_cast<const char*>(data), size);
  const Vysledek v = zkontroluj(program);
  mista(program, v);
  const Formatovani f = naformatuj(program);
  if (!f.text) {
    if (!v.ma_chybu()) nalez("a program without an error was not formatted", f.proc);
    return 0;
  }
  if (!stejne_tokeny(program, *f.text)) nalez("formatting changed the tokens", *f.text);
  nic_neztraceno(program, *f.text);
  const Formatovani znovu = naformatuj(*f.text);
  if (!znovu.text || *znovu.text != *f.text) nalez("formatting twice changed more", *f.text);
  return 0;
}
