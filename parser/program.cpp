// The run: the program, blocks and statement lists, and the error reports.
#include <exception>

#include "parser/interpret.hpp"
#include "vm/messages.hpp"

namespace moxa {

Interpret::Interpret(Vstup& zdroj, Vstup& vstup, Vystup& out, const Nastaveni& nastaveni)
    : Stroj(zdroj, vstup, out, limity(nastaveni), drzena_pamet, this),
      prekladat_(nastaveni.prekladat_cykly),
      po_prekladu_(nastaveni.po_prekladu) {
  stopa_ = nastaveni.stopa;
  kod_.zaznamenavej_prikazy(static_cast<bool>(po_prekladu_) || stopa_ != nullptr);
  if (!nastaveni.provadet) g_.i2_priznak = 0;
}

Rozpocet::Limity Interpret::limity(const Nastaveni& n) {
  Rozpocet::Limity l;
  l.kroky = n.limit_kroku;
  l.pamet = n.limit_pameti;
  l.cas_ms = n.limit_casu_ms;
  l.tichy = n.tichy_limit_kroku;
  l.texty = n.kroky_za_texty && n.tichy_limit_kroku;
  l.zivy_vystup = n.zivy_vystup;
  return l;
}

std::size_t Interpret::drzena_pamet(const void* interpret) {
  const auto* i = static_cast<const Interpret*>(interpret);
  return i->zas_.pamet() + i->tab_.pamet() + i->pasek_.pamet() + i->kod_.pamet();
}

int Interpret::SA() {
  const Rozpocet::Aktivni aktivni(&rozpocet_);
  try {
    Lex();
    g_.chyba_SA = Hlavni_program();
  } catch (const std::exception&) {
    // Memory ran out (or a store hit its size limit): the run ends like any failed run.
    g_.chyba_SA = 1;
  }
  if (g_.chyba_SA != 0) out_.pis(zpravy::VERDIKT);
  return g_.chyba_SA;
}

void Interpret::uvolni() {
  tab_.Uvolni_tab();
  zas_.Uvolni_zas();
  pasek_.Uvolni_zas_cykl();
  kod_.vyprazdni();
  prvni_pruchod_.clear();
}

void Interpret::konec_stopy(int vysledek) {
  if (stopa_ == nullptr) return;
  if (zastaven() || out_.selhal() || out_.zastaveno()) {
    stopa_->konec_zastaven();
  } else if (vysledek == 0) {
    stopa_->konec_ok();
  } else {
    stopa_->konec_chyba(tok().pozice);
  }
}

// program -> { declaration block } block "."
int Interpret::Hlavni_program() {
  while (tok().kind == T_DEKLARACE) {
    if (stopa_ != nullptr) [[unlikely]] {
      // A declaration is under way from its name to the end of its block; its step comes
      // once its parameters have been read.
      const Stopa::Prikaz predchozi = stopa_->prikaz();
      const std::string jmeno = tok().text;
      stopa_->vstup(tok().pozice);
      if ((g_.chyba_SA = Funkce_deklarace()) != 0) return g_.chyba_SA;
      if (provadi()) stopa_->deklarace(prikaz_stopy(), jmeno, zas_);
      if ((g_.chyba_SA = Blok()) != 0) return g_.chyba_SA;
      stopa_->obnov(predchozi);
      continue;
    }
    if ((g_.chyba_SA = Funkce_deklarace()) != 0) return g_.chyba_SA;
    if ((g_.chyba_SA = Blok()) != 0) return g_.chyba_SA;
  }
  if ((g_.chyba_SA = Blok()) != 0) return g_.chyba_SA;
  if (!tok().je(Znacka::Tecka)) return 1;  // no message of its own: only the verdict
  out_.pis(zpravy::USPECH);
  return 0;
}

// statement-list -> { statement ";" }
[[gnu::always_inline]] inline int Interpret::Vnitrni_blok() {
  for (;;) {
    const Token& t = tok();
    const bool zacina_prikaz = t.kind == T_SLOVO || t.kind == T_PROMENNA || t.kind == T_VOLANI ||
                               t.je(Znacka::W2) || t.je(Znacka::I2) || t.je(Znacka::Cti) ||
                               t.je(Znacka::Pis) || t.je(Znacka::Pis_ln);
    if (!zacina_prikaz) return 0;
    if ((g_.chyba_SA = Prikaz()) != 0) return g_.chyba_SA;
    if (ocekavej(T_STREDNIK, "Vnitrni_blok", ";") != 0) return 1;
  }
}

// block -> "{" statement-list "}"
int Interpret::Blok() {
  const Token& t = tok();
  if (!t.je(Znacka::LevaSlozena)) return chyba_znak("Blok", "{");
  const Uroven uroven(*this, "Blok");
  if (!uroven.otevrena()) return 1;
  if (t.konec_bloku != 0 && !provadi() && lex_.prehrava()) {
    // A replayed block that is passed over and holds no read statement: reading it again
    // would find the same tokens and do nothing, so go straight to its "}". `konec_bloku`
    // is the tape position just past that "}" (0 when not known, hence the +1): jump to the
    // "}", make it the current token, then read past it as the end of a block does.
    lex_.skoc(t.konec_bloku - 1);
    Lex();
    Lex();
    return 0;
  }
  // At the first reading of a block on the tape that holds no read statement, its "{"
  // learns where the block ends.
  const PoziceNaPasce zacatek =
      t.konec_bloku == 0 ? lex_.pozice_aktualniho() : ZdrojTokenu::NENI_NA_PASCE;
  const auto cteni = g_.cteni;
  Lex();
  if ((g_.chyba_SA = Vnitrni_blok()) != 0) return g_.chyba_SA;
  if (!tok().je(Znacka::PravaSlozena)) return chyba_znak("Blok", "}");
  if (zacatek != ZdrojTokenu::NENI_NA_PASCE && g_.cteni == cteni) {
    const PoziceNaPasce konec = lex_.pozice_aktualniho();
    if (konec != ZdrojTokenu::NENI_NA_PASCE) lex_.token_na(zacatek).konec_bloku = konec + 1;
  }
  Lex();
  return 0;
}

std::int32_t Interpret::najdi_promennou(const Token& t, bool vytvorit) {
  const std::int32_t slot = tab_.Vloz_do_tab(t.text, vytvorit);
  t.promenna = slot;
  return slot;
}

}  // namespace moxa
