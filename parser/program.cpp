// The run: the program, blocks and statement lists.
#include "parser/interpret.hpp"
#include "vm/messages.hpp"

namespace moxa {

Interpret::Interpret(Vstup& zdroj, Vstup& vstup, Vystup& out, const Nastaveni& nastaveni)
    : stroj_(zdroj, vstup, out, limity(nastaveni), nastaveni.stopa),
#ifdef MOXA_PREHRAVANI
      prekladat_(nastaveni.prekladat_cykly),
#endif
      po_prekladu_(nastaveni.po_prekladu) {
  const bool stopuje = nastaveni.stopa != nullptr;
  kod().zaznamenavej_prikazy(static_cast<bool>(po_prekladu_) || stopuje);
  lex().zapisuj_pozice(nastaveni.pozice_tokenu || static_cast<bool>(po_prekladu_) || stopuje);
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

int Interpret::SA() {
  const int vysledek = stroj_.spust([this] {
    Lex();
    return Hlavni_program();
  });
  // The one place where the result of the run is recorded and reported.
  g_.chyba_SA = vysledek;
  if (vysledek != 0) stroj_.oznam(zpravy::VERDIKT);
  return vysledek;
}

void Interpret::uvolni() { stroj_.uvolni(); }

void Interpret::konec_stopy(int vysledek) { stroj_.konec_stopy(vysledek); }

// program -> { declaration block } block "."
int Interpret::Hlavni_program() {
  while (tok().druh == T_DEKLARACE) {
    if (stroj_.stopuje()) [[unlikely]] {
      // A declaration is under way from its name to the end of its block; its step comes
      // once its parameters have been read.
      const std::string jmeno(tok().text);
      const Stopa::Prikaz predchozi = stroj_.vstup_prikazu(tok().pozice);
      if (Funkce_deklarace() != 0) return 1;
      if (provadi()) stroj_.krok_deklarace(jmeno);
      if (Blok() != 0) return 1;
      stroj_.obnov_prikaz(predchozi);
      continue;
    }
    if (Funkce_deklarace() != 0) return 1;
    if (Blok() != 0) return 1;
  }
  if (Blok() != 0) return 1;
  if (!tok().je(Znacka::Tecka)) return 1;  // no message of its own: only the verdict
  stroj_.oznam(zpravy::USPECH);
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
  if (!t.je(Znacka::LevaSlozena)) return stroj_.chyba_znak("Blok", "{");
  const Uroven uroven(*this, "Blok");
  if (!uroven.otevrena()) return 1;
  Lex();
  if (Vnitrni_blok() != 0) return 1;
  if (!tok().je(Znacka::PravaSlozena)) return stroj_.chyba_znak("Blok", "}");
  Lex();
  return 0;
}

}  // namespace moxa
