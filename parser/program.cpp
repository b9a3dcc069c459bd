// The run: the program, blocks and statement lists, and the error reports.
#include <exception>

#include "parser/interpret.hpp"
#include "vm/messages.hpp"

namespace moxa {

Interpret::Interpret(Vstup& zdroj, Vstup& vstup, Vystup& out, const Nastaveni& nastaveni)
    : Stroj(zdroj, vstup, out, limity(nastaveni), drzena_pamet, this),
#ifdef MOXA_PREHRAVANI
      prekladat_(nastaveni.prekladat_cykly),
#endif
      po_prekladu_(nastaveni.po_prekladu) {
  stopa_ = nastaveni.stopa;
  kod_.zaznamenavej_prikazy(static_cast<bool>(po_prekladu_) || stopa_ != nullptr);
  lex_.zapisuj_pozice(nastaveni.pozice_tokenu || static_cast<bool>(po_prekladu_) ||
                      stopa_ != nullptr);
  if (!nastaveni.provadet) g_.i2_priznak = 0;
}

Rozpocet::Limity Interpret::limity(const Nastaveni& n) {
  Rozpocet::Limity l;
  l.kroky = n.limit_kroku;
  l.pamet = n.limit_pameti;
  l.cas_ms = n.limit_casu_ms;
  l.cas_procesoru = n.cas_procesoru;
  l.tichy = n.tichy_limit_kroku;
  l.texty = n.kroky_za_texty && n.tichy_limit_kroku;
  l.zivy_vystup = n.zivy_vystup;
  return l;
}

std::size_t Interpret::drzena_pamet(const void* interpret) {
  const auto* i = static_cast<const Interpret*>(interpret);
  return i->zas_.pamet() + i->tab_.pamet() + i->kod_.pamet() + i->lex_.pamet();
}

int Interpret::SA() {
  const Rozpocet::Aktivni aktivni(&rozpocet_);
  int vysledek = 1;
  try {
    Lex();
    vysledek = Hlavni_program();
  } catch (const std::exception&) {
    // Memory ran out (or a store hit its size limit): the run ends like any failed run.
  }
  // The one place where the result of the run is recorded and reported.
  g_.chyba_SA = vysledek;
  if (vysledek != 0) out_.pis(zpravy::VERDIKT);
  return vysledek;
}

void Interpret::uvolni() {
  tab_.Uvolni_tab();
  zas_.Uvolni_zas();
  lex_.uvolni();
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
  while (tok().druh == T_DEKLARACE) {
    if (stopa_ != nullptr) [[unlikely]] {
      // A declaration is under way from its name to the end of its block; its step comes
      // once its parameters have been read.
      const Stopa::Prikaz predchozi = stopa_->prikaz();
      const std::string jmeno(tok().text);
      stopa_->vstup(tok().pozice);
      if (Funkce_deklarace() != 0) return 1;
      if (provadi()) krok_deklarace(jmeno);
      if (Blok() != 0) return 1;
      stopa_->obnov(predchozi);
      continue;
    }
    if (Funkce_deklarace() != 0) return 1;
    if (Blok() != 0) return 1;
  }
  if (Blok() != 0) return 1;
  if (!tok().je(Znacka::Tecka)) return 1;  // no message of its own: only the verdict
  out_.pis(zpravy::USPECH);
  return 0;
}

// statement-list -> { statement ";" }
[[gnu::always_inline]] inline int Interpret::Vnitrni_blok() {
  for (;;) {
    const Token& t = tok();
    const bool zacina_prikaz = t.druh == T_SLOVO || t.druh == T_PROMENNA || t.druh == T_VOLANI ||
                               t.je(Znacka::W2) || t.je(Znacka::I2) || t.je(Znacka::Cti) ||
                               t.je(Znacka::Pis) || t.je(Znacka::Pis_ln);
    if (!zacina_prikaz) return 0;
    if (Prikaz() != 0) return 1;
    if (ocekavej(T_STREDNIK, "Vnitrni_blok", ";") != 0) return 1;
  }
}

// block -> "{" statement-list "}"
int Interpret::Blok() {
  const Token& t = tok();
  if (!t.je(Znacka::LevaSlozena)) return chyba_znak("Blok", "{");
  const Uroven uroven(*this, "Blok");
  if (!uroven.otevrena()) return 1;
  Lex();
  if (Vnitrni_blok() != 0) return 1;
  if (!tok().je(Znacka::PravaSlozena)) return chyba_znak("Blok", "}");
  Lex();
  return 0;
}

std::int32_t Interpret::promenna(const Token& t, bool vytvorit) {
  return tab_.Vloz_do_tab(t.text, vytvorit);
}

}  // namespace moxa
