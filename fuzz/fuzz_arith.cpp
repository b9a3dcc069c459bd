// Every operator of the language on two arbitrary texts, against a model built here from
// the C library. The input is split into words as cti splits standard input; the first two
// words (the empty text where there is none, cut at a zero byte) are read into @a and @b by
// a fixed program that applies every operator to them, chains two with the rounding of
// the intermediate result, and prints each result on a line of its own. The model says
// what each line must be: a text is a number when it starts with a digit or with a sign
// and a digit; its reading is strtod of its longest decimal prefix; a result is "%f" of
// the double ("nan" for every not-a-number), relations and logic give 0 or 1; two texts
// that are not both numbers compare byte by byte; the first operator that needs numbers
// and does not get them ends the run with its message.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "driver/run.hpp"
#include "fuzz/reference.hpp"
#include "tests/texts.hpp"

namespace {

using std::string;

const string PROGRAM =
    "{cti(@a);cti(@b);"
    "pis_ln(@a + @b);pis_ln(@b + @a);"
    "pis_ln(@a < @b);pis_ln(@a > @b);pis_ln(@a = @b);"
    "pis_ln(@a != @b);pis_ln(@a <= @b);pis_ln(@a >= @b);"
    "i2(@a){pis_ln(1);}e2{pis_ln(0);}i2_end;i2(@b){pis_ln(1);}e2{pis_ln(0);}i2_end;"
    "pis_ln((@a < @b) + @a);"
    "pis_ln(@a - @b);pis_ln(@a * @b);pis_ln(@a / @b);pis_ln(@a % @b);pis_ln(@b % @a);"
    "pis_ln(@a + @b - @b);pis_ln(@a * @b / @b);pis_ln(@a - @b * @b);"
    "pis_ln(@a | @b);pis_ln(@a & @b);pis_ln(!@a);"
    "}.";

using moxa_fuzz::cislice;

bool bila(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool je_cislo(const string& t) {
  return !t.empty() &&
         (cislice(t[0]) || (t.size() > 1 && (t[0] == '+' || t[0] == '-') && cislice(t[1])));
}

double cteni(const string& t) { return moxa_fuzz::referencni_cteni(t); }

string f(double d) {
  if (std::isnan(d)) return "nan";
  char buf[400];
  std::snprintf(buf, sizeof buf, "%f", d);
  return buf;
}

string pravdivost(bool b) { return b ? "1" : "0"; }

// A result, or the routine whose not-a-number message ends the run.
struct Vysledek {
  string text;
  const char* chyba = nullptr;
};

Vysledek nejde(const char* blok) { return {{}, blok}; }

Vysledek plus(const string& a, const string& b) {
  if (je_cislo(a) && je_cislo(b)) return {f(cteni(a) + cteni(b))};
  return {a + b};
}

Vysledek minus(const string& a, const string& b) {
  if (!je_cislo(a) || !je_cislo(b)) return nejde("Vnitrni_aritmeticky_vyraz");
  return {f(cteni(a) - cteni(b))};
}

Vysledek term(char op, const string& a, const string& b) {
  if (!je_cislo(a) || !je_cislo(b)) return nejde("Vnitrni_term");
  const double x = cteni(a);
  const double y = cteni(b);
  return {f(op == '*' ? x * y : op == '/' ? x / y : std::fmod(x, y))};
}

string relace(std::string_view op, const string& a, const string& b) {
  int c;
  if (je_cislo(a) && je_cislo(b)) {
    const double x = cteni(a);
    const double y = cteni(b);
    c = x < y ? -1 : x > y ? 1 : 0;
  } else {
    c = a.compare(b);  // byte by byte, as unsigned characters
  }
  if (op == "<") return pravdivost(c < 0);
  if (op == ">") return pravdivost(c > 0);
  if (op == "=") return pravdivost(c == 0);
  if (op == "!=") return pravdivost(c != 0);
  if (op == "<=") return pravdivost(c <= 0);
  return pravdivost(c >= 0);
}

bool pravda(const string& t) { return je_cislo(t) ? cteni(t) != 0.0 : !t.empty(); }

// A chain of two operators on a result: the first result's text is what the second reads.
Vysledek dale(const Vysledek& r, Vysledek (*op)(const string&, const string&), const string& b) {
  return r.chyba != nullptr ? r : op(r.text, b);
}

string ocekavany_vystup(const string& a, const string& b) {
  string out(texty::HELLO);
  const auto radek = [&out](const Vysledek& r) {
    if (r.chyba != nullptr) {
      out += texty::chyba(r.chyba, 1, texty::NENI_CISLO);
      return false;
    }
    out += r.text + "\n";
    return true;
  };
  const auto deleno = [](const string& x, const string& y) { return term('/', x, y); };
  const auto krat = [](const string& x, const string& y) { return term('*', x, y); };
  const auto logika = [](char op, const string& x, const string& y) -> Vysledek {
    if (!je_cislo(x) || !je_cislo(y)) return nejde("Vnitrni_logicky_vyraz");
    const bool l = cteni(x) != 0.0;
    const bool r = cteni(y) != 0.0;
    return {pravdivost(op == '|' ? (l || r) : (l && r))};
  };
  const bool hotovo =
      radek(plus(a, b)) && radek(plus(b, a)) && radek({relace("<", a, b)}) &&
      radek({relace(">", a, b)}) && radek({relace("=", a, b)}) && radek({relace("!=", a, b)}) &&
      radek({relace("<=", a, b)}) && radek({relace(">=", a, b)}) &&
      radek({pravdivost(pravda(a))}) && radek({pravdivost(pravda(b))}) &&
      radek(plus(relace("<", a, b), a)) && radek(minus(a, b)) && radek(term('*', a, b)) &&
      radek(term('/', a, b)) && radek(term('%', a, b)) && radek(term('%', b, a)) &&
      radek(dale(plus(a, b), minus, b)) && radek(dale(term('*', a, b), deleno, b)) &&
      radek(krat(b, b).chyba != nullptr ? krat(b, b) : minus(a, krat(b, b).text)) &&
      radek(logika('|', a, b)) && radek(logika('&', a, b)) &&
      radek(je_cislo(a) ? Vysledek{pravdivost(cteni(a) == 0.0)} : nejde("LV_1"));
  out += hotovo ? texty::USPECH : texty::VERDIKT;
  return out.append(texty::BYE);
}

// The next word as cti reads it, cut at its first zero byte; empty at the end of input.
string slovo(std::string_view& vstup) {
  while (!vstup.empty() && bila(vstup.front()))
    vstup.remove_prefix(1);
  std::size_t n = 0;
  while (n < vstup.size() && !bila(vstup[n]))
    ++n;
  string s(vstup.substr(0, n));
  vstup.remove_prefix(n);
  return s.substr(0, s.find('\0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view vstup(reinterpret_cast<const char*>(data), size);
  std::string_view zbytek = vstup;
  const string a = slovo(zbytek);
  const string b = slovo(zbytek);
  const string ocekavano = ocekavany_vystup(a, b);
  const string vystup = moxa::spust_text(PROGRAM, vstup);
  if (vystup != ocekavano) {
    std::fprintf(stderr, "finding: the operators on \"%s\" and \"%s\"\nexpected:\n%s\ngot:\n%s\n",
                 a.c_str(), b.c_str(), ocekavano.c_str(), vystup.c_str());
    std::abort();
  }
  return 0;
}
