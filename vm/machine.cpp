// The effects of statements that are not written inline, the operators' long way, the
// run's end, and the error reports.
#include "vm/machine.hpp"

#include <algorithm>

#include "limits/limits.hpp"
#include "vm/messages.hpp"

namespace moxa {

namespace {

// White space between the words that `cti` reads.
bool bila(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int Stroj::nacti(std::int32_t slot) {
  if (slot == TabulkaPromennych::ZADNA) return precti_slovo(nullptr) ? 0 : chyba_dlouha("Cti");
  std::string slovo;
  if (!precti_slovo(&slovo)) return chyba_dlouha("Cti");
  tab_.hodnota(slot) = Hodnota::text(std::move(slovo));
  return 0;
}

// A word is what the "%s" conversion reads: white space is skipped, then bytes are taken up
// to the next white space, which stays unread. A zero byte cuts the stored text. At the end
// of input the word is empty.
bool Stroj::precti_slovo(std::string* kam) {
  const std::uint64_t od = vstup_.precteno();
  if (vstup_je_program_) lex_.cteni_slov(true);
  const bool precteno = precti_slovo_z(kam);
  if (vstup_je_program_) lex_.cteni_slov(false);
  if (vstup_je_program_ && vstup_.precteno() != od) lex_.cizi_cteni(od, vstup_.precteno());
  return precteno;
}

bool Stroj::precti_slovo_z(std::string* kam) {
  while (bila(vstup_.nahled()))
    vstup_.cti_znak();
  bool useknuto = false;
  for (int c = vstup_.nahled(); c != Vstup::KONEC && !bila(c); c = vstup_.nahled()) {
    vstup_.cti_znak();
    if (kam == nullptr || useknuto) continue;
    if (c == 0) {
      useknuto = true;
    } else if (kam->size() == MAX_DELKA_HODNOTY) {
      return false;
    } else {
      // A word's buffer that must grow is charged before it doubles.
      if (kam->size() == kam->capacity())
        Rozpocet::pridej(std::max<std::size_t>(2 * kam->capacity(), 32) + 1);
      kam->push_back(static_cast<char>(c));
    }
  }
  // The bytes of input taken in cost steps (the words passed over too).
  rozpocet_.za_vstup(vstup_.vezmi_prijate());
  return true;
}

void Stroj::preskoc_cteni(std::uint64_t n) {
  for (; n > 0; --n)
    precti_slovo(nullptr);
}

// Applies binary operator `op` to `a` and `b`, into `r`, which may be `a` or `b`, when one of
// them at least is not a number (two numbers take the short way in `binarni`):
//   "*" "/" "%"  need two numbers ('Vnitrni_term');
//   "+" "-"      "+" joins the texts, no longer than the longest value; "-" needs two
//                numbers ('Vnitrni_aritmeticky_vyraz');
//   comparisons  compare as texts, byte by byte, and never fail;
//   "|" "&"      need two numbers ('Vnitrni_logicky_vyraz').
int Stroj::binarni_texty(Znacka op, const Hodnota& a, const Hodnota& b, Hodnota& r) {
  switch (op) {
    case Znacka::Plus:
    case Znacka::Minus: {
      if (op == Znacka::Minus) return chyba_cislo("Vnitrni_aritmeticky_vyraz");
      const std::size_t prvni = a.text().size();
      const std::string_view druhy = b.text();
      // Literals may be longer than a computed value may be; then any join is too long.
      if (prvni > MAX_DELKA_HODNOTY || druhy.size() > MAX_DELKA_HODNOTY - prvni) {
        return chyba_dlouha("Vnitrni_aritmeticky_vyraz");
      }
      if (&r == &a) {
        r.pripoj(druhy);
      } else if (&r == &b) {
        Hodnota spojeni = a;
        spojeni.pripoj(druhy);
        r = std::move(spojeni);
      } else {
        r = a;
        r.pripoj(druhy);
      }
      return 0;
    }
    case Znacka::Krat:
    case Znacka::Deleno:
    case Znacka::Modulo: return chyba_cislo("Vnitrni_term");
    case Znacka::Nebo:
    case Znacka::A: return chyba_cislo("Vnitrni_logicky_vyraz");
    default: {
      // Comparing texts reads them up to where they part: work by their length.
      const std::string_view x = a.text();
      const std::string_view y = b.text();
      Rozpocet::za_text(std::min(x.size(), y.size()));
      r.nastav_pravdivost(plati(op, x, y));
      return 0;
    }
  }
}

int Stroj::na_zasobniku(Znacka op) {
  zas_.zajisti(2);
  Hodnota& leva = zas_.pod_vrcholem();
  if (binarni(op, leva, zas_.vrchol(), leva) != 0) return 1;
  zas_.zahod();
  return 0;
}

int Stroj::negace() {
  zas_.zajisti(1);
  Hodnota& a = zas_.vrchol();
  if (!a.je_cislo()) return chyba_cislo("LV_1");
  a.nastav_pravdivost(a.cteni() == 0.0);
  return 0;
}

std::size_t Stroj::drzena_pamet(const void* stroj) {
  const auto* s = static_cast<const Stroj*>(stroj);
  return s->zas_.pamet() + s->tab_.pamet() + s->kod_.pamet() + s->lex_.pamet();
}

void Stroj::uvolni() {
  tab_.Uvolni_tab();
  zas_.Uvolni_zas();
  lex_.uvolni();
  kod_.vyprazdni();
  prvni_pruchod_.clear();
}

void Stroj::konec_stopy(int vysledek) {
  if (stopa_ == nullptr) return;
  if (duvod_zastaveni() != Rozpocet::Duvod::Zadny || out_.selhal() || out_.zastaveno()) {
    stopa_->konec_zastaven();
  } else if (vysledek == 0) {
    stopa_->konec_ok();
  } else {
    stopa_->konec_chyba(tok().pozice);
  }
}

int Stroj::chyba(std::string_view blok, std::initializer_list<std::string_view> casti) {
  zpravy::chyba(out_, blok, lex_.cislo_radku(), casti);
  if (stopa_ != nullptr) stopa_->zprava(zpravy::text_chyby(blok, lex_.cislo_radku(), casti));
  return 1;
}

int Stroj::chyba_znak(std::string_view blok, std::string_view ocekavano) {
  return chyba(blok,
               {zpravy::OCEKAVAN, ocekavano, zpravy::NAMISTO, tok().text, zpravy::OCEKAVAN_KONEC});
}

int Stroj::chyba_faktoru() {
  return chyba_znak("Faktor", "cislo, promenna, retezec, komentar nebo volani fce");
}

int Stroj::chyba_cislo(std::string_view blok) { return chyba(blok, {zpravy::NENI_CISLO}); }

int Stroj::chyba_dlouha(std::string_view blok) { return chyba(blok, {zpravy::PRILIS_DLOUHA}); }

int Stroj::chyba_vnoreni(std::string_view blok) { return chyba(blok, {zpravy::PRILIS_HLUBOKO}); }

}  // namespace moxa
