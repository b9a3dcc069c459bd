#include "vm/code.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <new>

#include "limits/budget.hpp"

namespace moxa {

// The code grows by half its size at a time, so that the unused room stays below a third
// of what it holds.
void KodCyklu::rust() {
  if (slova_.size() < slova_.capacity()) return;
  // Positions are 32-bit; code that would outgrow them is out of memory for this run.
  if (slova_.size() >= NIKDE - 1) throw std::bad_alloc();
  const std::size_t nova = slova_.capacity() < 64 ? 64 : slova_.capacity() + slova_.capacity() / 2;
  Rozpocet::pridej(nova * sizeof(std::uint32_t));
  slova_.reserve(nova);
}

void KodCyklu::pridej(Instrukce i, std::uint32_t arg) {
  if (cekajicich_ > 0) vydej_cekajici();
  posledni_binarni_ = NIKDE;
  retez_ = NIKDE;
  switch (i) {
    case Instrukce::Negace: stin_odeber(1), stin_pridej(NIKDE); break;
    case Instrukce::Nasobeni:
    case Instrukce::Scitani:
    case Instrukce::Relace:
    case Instrukce::Logicka: stin_odeber(2), stin_pridej(NIKDE); break;
    default: vyska_stinu_ = 0;  // a statement's end: what it leaves is not followed
  }
  vydej(i, arg);
}

void KodCyklu::vydej(Instrukce i, std::uint32_t arg) {
  rust();
  if (arg < DLOUHY) {
    slova_.push_back(kod_instrukce(i) | (arg << BITY_KODU));
    return;
  }
  slova_.push_back(kod_instrukce(i) | (DLOUHY << BITY_KODU));
  rust();
  slova_.push_back(arg);
}

void KodCyklu::vydej_operand(const Operand& o) {
  const auto kde = static_cast<Pozice>(slova_.size());
  vydej(o.kde == PROMENNA ? Instrukce::Promenna : Instrukce::Literal, o.index);
  stin_pridej(o.kde == PROMENNA && o.index < DLOUHY ? kde : NIKDE);
}

void KodCyklu::vydej_cekajici() {
  for (int k = 0; k < cekajicich_; ++k)
    vydej_operand(cekajici_[k]);
  cekajicich_ = 0;
}

void KodCyklu::pridej_operand(Misto kde, std::uint32_t index) {
  if (cekajicich_ == 2) {
    // Only the last two operands can meet an operator together; the older one is pushed.
    vydej_operand(cekajici_[0]);
    cekajici_[0] = cekajici_[1];
    cekajicich_ = 1;
  }
  posledni_binarni_ = NIKDE;
  if (kde == PROMENNA) index = TabulkaPromennych::misto(static_cast<std::int32_t>(index));
  cekajici_[cekajicich_++] = Operand{kde, index};
}

void KodCyklu::pridej_binarni(Instrukce obecna, Znacka op) {
  const auto z = static_cast<std::uint32_t>(op);
  if (cekajicich_ == 0) {
    if (!slouci_levou_promennou(op)) pridej(obecna, z);
    return;
  }
  const Operand prava = cekajici_[cekajicich_ - 1];
  // The result is pushed, or takes the left operand's place.
  stin_odeber(cekajicich_ == 1 ? 1 : 0);
  stin_pridej(NIKDE);
  if (cekajicich_ == 1) {
    // The left operand is on the stack already; the result takes its place.
    cekajicich_ = 0;
    const Misto leva = navaz_retez(op, prava);
    posledni_binarni_ = static_cast<Pozice>(slova_.size());
    vydej(static_cast<Instrukce>(binarni_instrukce(binarni_forma(leva, prava.kde, ZASOBNIK), op)),
          z);
    slovo(prava.index);
    retez_ = leva == AKU && zachovava_cela(op) ? posledni_binarni_ : NIKDE;
    return;
  }
  const Operand leva = cekajici_[0];
  cekajicich_ = 0;
  posledni_binarni_ = static_cast<Pozice>(slova_.size());
  vydej(static_cast<Instrukce>(binarni_instrukce(binarni_forma(leva.kde, prava.kde, ZASOBNIK), op)),
        z);
  slovo(leva.index);
  slovo(prava.index);
  retez_ =
      zachovava_cela(op) && muze_byt_cely(leva) && muze_byt_cely(prava) ? posledni_binarni_ : NIKDE;
}

Misto KodCyklu::navaz_retez(Znacka op, const Operand& jiny) {
  const Pozice r = retez_;
  retez_ = NIKDE;
  // The last instruction must be the one that pushed the value this operator takes.
  if (r == NIKDE || r + 1 + slov_formy(forma_binarni(kod(slova_[r]))) != slova_.size()) {
    return ZASOBNIK;
  }
  // A chain goes on under "+", "-", "*" and "%" and may end in a comparison; the operand in
  // place must be able to be a whole number (a variable may be) or, for a comparison, a number.
  const bool cele = zachovava_cela(op) && muze_byt_cely(jiny);
  const bool srovnani = je_relace(op) && (jiny.kde != LITERAL || literal_je_cislo(jiny.index));
  if (!cele && !srovnani) return ZASOBNIK;
  zmen_cil(r, AKU);
  return AKU;
}

void KodCyklu::zmen_cil(Pozice p, Misto cil) {
  const std::uint32_t w = slova_[p];
  const std::uint32_t forma = forma_binarni(kod(w));
  const std::uint32_t nova = binarni_instrukce(
      binarni_forma(levy_formy(forma), pravy_formy(forma), cil), static_cast<Znacka>(argument(w)));
  slova_[p] = (w & ~MASKA_KODU) | nova;
}

// Both operands are on the stack. When the left one was pushed by a `Promenna` with the
// right one's code after it, that push is taken out and the operator reads the variable in
// place: the right operand's code moves one word back. The code from the push on belongs to
// the expression being read (a jump target or a statement start would have reset what is
// followed), so no position recorded elsewhere points into it.
bool KodCyklu::slouci_levou_promennou(Znacka op) {
  const Pozice p = stin(1);
  if (p == NIKDE) return false;
  const std::uint32_t misto = argument(slova_[p]);
  slova_.erase(slova_.begin() + static_cast<std::ptrdiff_t>(p));
  for (int k = 0; k < vyska_stinu_ && k < STIN; ++k)
    if (stin_[k] != NIKDE && stin_[k] > p) --stin_[k];
  if (retez_ != NIKDE && retez_ > p) --retez_;
  stin_odeber(2);
  stin_pridej(NIKDE);
  const Misto prava = navaz_retez(op, Operand{PROMENNA, misto});
  posledni_binarni_ = static_cast<Pozice>(slova_.size());
  vydej(static_cast<Instrukce>(binarni_instrukce(binarni_forma(PROMENNA, prava, ZASOBNIK), op)),
        static_cast<std::uint32_t>(op));
  slovo(misto);
  retez_ = prava == AKU && zachovava_cela(op) ? posledni_binarni_ : NIKDE;
  return true;
}

// Turns the fused operator just appended, which pushes its result, into the form that
// leaves its result in place `cil` (a form with its left operand on the stack pops it).
void KodCyklu::presmeruj_posledni(Misto cil) {
  zmen_cil(posledni_binarni_, cil);
  posledni_binarni_ = NIKDE;
  retez_ = NIKDE;  // its result no longer stays for an operator after it
}

void KodCyklu::pridej_prirazeni(std::uint32_t slot) {
  const std::uint32_t misto = TabulkaPromennych::misto(static_cast<std::int32_t>(slot));
  if (cekajicich_ == 1) {
    // An operand alone: the assignment copies it.
    const Operand o = cekajici_[0];
    cekajicich_ = 0;
    posledni_binarni_ = NIKDE;
    vydej(Instrukce::Kopiruj, misto);
    slovo(o.kde);
    slovo(o.index);
    vyska_stinu_ = 0;
    return;
  }
  if (cekajicich_ == 0 && posledni_binarni_ != NIKDE) {
    // The operator stores its result in the variable instead of pushing it.
    presmeruj_posledni(PROMENNA);
    slovo(misto);
    vyska_stinu_ = 0;
    return;
  }
  pridej(Instrukce::Prirad, misto);
}

KodCyklu::Pozice KodCyklu::pridej_test(Instrukce obecna, Instrukce s_registrem) {
  if (cekajicich_ == 0 && posledni_binarni_ != NIKDE) {
    presmeruj_posledni(PRAVDA);
    return pridej_s_misty(s_registrem, 2);
  }
  return pridej_s_misty(obecna, 2);
}

KodCyklu::Pozice KodCyklu::pridej_s_misty(Instrukce i, int n) {
  pridej(i);
  const Pozice p = static_cast<Pozice>(slova_.size());
  for (int k = 0; k < n; ++k)
    slovo(0);
  return p;
}

std::uint32_t KodCyklu::literal(const Token& t) {
  if ((literaly_.size() + 1) * 2 > index_literalu_.velikost()) {
    // The index doubles (from 64 places), the budget counting the new one.
    const std::size_t velikost =
        index_literalu_.velikost() < 64 ? 64 : index_literalu_.velikost() * 2;
    Rozpocet::pridej(velikost * sizeof(std::uint32_t));
    index_literalu_.prestav(velikost, static_cast<std::uint32_t>(literaly_.size()),
                            [&](std::uint32_t l) { return IndexHashu::hash(text_literalu(l)); });
  }
  const IndexHashu::Nalez nalez = index_literalu_.najdi(
      IndexHashu::hash(t.text), [&](std::uint32_t l) { return text_literalu(l) == t.text; });
  if (nalez.zaznam != IndexHashu::ZADNY) return nalez.zaznam;
  // Offsets are 31-bit and lengths 30-bit; a pool that would outgrow them is out of memory.
  if (texty_.size() + t.text.size() >= CISLO || t.text.size() >= CELE ||
      literaly_.size() >= NIKDE - 1) {
    throw std::bad_alloc();
  }
  // Both buffers grow by doubling: a block that must grow is charged whole, before it is
  // taken.
  std::size_t nove = 0;
  if (literaly_.size() == literaly_.capacity())
    nove += std::max<std::size_t>(1, 2 * literaly_.capacity()) * sizeof(Literal);
  if (texty_.size() + t.text.size() > texty_.capacity())
    nove += std::max(texty_.size() + t.text.size(), 2 * texty_.capacity()) + 1;
  Rozpocet::pridej(nove);
  Hodnota v;
  t.vloz_literal(v);  // the token's cached number test and reading
  const auto l = static_cast<std::uint32_t>(literaly_.size());
  const double cteni = v.je_cislo() ? v.cteni() : 0.0;
  const bool cele = v.je_cislo() && std::isfinite(cteni) && std::trunc(cteni) == cteni;
  literaly_.push_back(Literal{
      cteni, static_cast<std::uint32_t>(texty_.size()),
      static_cast<std::uint32_t>(t.text.size()) | (v.je_cislo() ? CISLO : 0) | (cele ? CELE : 0)});
  texty_.append(t.text);
  index_literalu_.vloz(nalez, l);
  return l;
}

void KodCyklu::zaznamenej(const ZacatekPrikazu& z) {
  if (prikazy_.size() == prikazy_.capacity()) {
    Rozpocet::pridej((prikazy_.size() < 8 ? 8 : prikazy_.size()) * sizeof(ZacatekPrikazu));
  }
  prikazy_.push_back(z);
}

const KodCyklu::ZacatekPrikazu* KodCyklu::prikaz_na(Pozice pc) const {
  const auto za = std::upper_bound(prikazy_.begin(), prikazy_.end(), pc,
                                   [](Pozice p, const ZacatekPrikazu& z) { return p < z.kod; });
  return za == prikazy_.begin() ? nullptr : &*std::prev(za);
}

std::size_t KodCyklu::pamet() const {
  return slova_.capacity() * sizeof(std::uint32_t) + literaly_.capacity() * sizeof(Literal) +
         prikazy_.capacity() * sizeof(ZacatekPrikazu) + texty_.capacity() +
         index_literalu_.pamet() + docasne_[0].pamet() + docasne_[1].pamet();
}

void KodCyklu::vyprazdni() {
  cekajicich_ = 0;
  vyska_stinu_ = 0;
  posledni_binarni_ = NIKDE;
  retez_ = NIKDE;
  constexpr std::size_t PONECHAT = std::size_t{1} << 16;
  slova_.clear();
  if (slova_.capacity() > PONECHAT) slova_.shrink_to_fit();
  literaly_.clear();
  if (literaly_.capacity() > PONECHAT) literaly_.shrink_to_fit();
  texty_.clear();
  if (texty_.capacity() > PONECHAT) texty_.shrink_to_fit();
  for (Hodnota& v : docasne_)
    v = Hodnota();  // a long literal's text is not kept
  index_literalu_.vyprazdni(0);
  index_literalu_.uvolni(PONECHAT);
  prikazy_.clear();
  if (prikazy_.capacity() > PONECHAT) prikazy_.shrink_to_fit();
}

}  // namespace moxa
