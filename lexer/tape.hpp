// The tape of recorded tokens, for loops that run their later passes by replaying their
// tokens, and the frame that says where one loop lies on it. Only the build for the tests
// (MOXA_PREHRAVANI) has it: the tests compare such loops with compiled ones.
//
// While at least one such loop is being executed, every token that the scanner delivers is
// appended to the tape. A loop's recorded condition (its tokens and the closing ')') and its
// recorded body ('{' ... '}' 'w2_end') are then two adjacent ranges of the tape: a loop
// nested in another lies inside the enclosing loop's body range, so one recording serves
// every nesting depth, and a token is appended once however many loops contain it. A loop
// met while an enclosing loop replays finds its tokens on the tape already and records
// nothing. The tape is emptied when the outermost loop ends.
//
// Where the loop-frame routines went:
//   Zvys_zas, Sniz_zas, Uvolni_zas_cykl  members of the same names below
//   Vloz_do_zas_cykl                     `pridej`, called by ZdrojTokenu::ze_skeneru
//   Obnov_zas                            ZdrojTokenu::prehravej, from a frame's positions
//   Obnov_pom_zas                        the loop statement saving and restoring RezimLA
//   Uvolni_sez                           `Sniz_zas` of the outermost loop emptying the tape
#pragma once

#include <cstdint>
#include <deque>
#include <new>
#include <string>
#include <vector>

#include "lexer/token.hpp"
#include "limits/budget.hpp"
#include "limits/limits.hpp"

namespace moxa {

using PoziceNaPasce = std::uint32_t;

// One executing loop (a Ramec_cykl): where its condition and body lie on the tape. Each loop
// statement keeps its frame in a local variable while it runs, so the stack of frames is
// the nesting of those statements.
struct RamecCyklu {
  PoziceNaPasce podminka = 0;    // first token of the condition
  PoziceNaPasce telo = 0;        // the '{' after the condition's ')'
  PoziceNaPasce konec_tela = 0;  // one past the loop's 'w2_end'
};

// The tape, and a count of the loops executing on it.
class PasekTokenu {
 public:
  // True while no loop is being executed: scanned tokens are then not recorded.
  bool prazdny() const { return bezicich_ == 0; }

  // A loop starts executing.
  void Zvys_zas() { ++bezicich_; }

  // A loop has ended; the tape is emptied with the last one.
  void Sniz_zas() {
    if (--bezicich_ == 0) {
      pasek_.clear();
      texty_.clear();
    }
  }

  // Appends a scanned token, with a copy of its text that lives as long as the tape.
  const Token& pridej(const Token& t) {
    if (pasek_.size() >= MAX_PASKA) throw std::bad_alloc();
    if (pasek_.size() == pasek_.capacity())
      Rozpocet::pridej(2 * (pasek_.size() < 8 ? 8 : pasek_.size()) * sizeof(Token));
    const std::string& text = texty_.emplace_back(t.text);
    if (pamet_textu(text) != 0) Rozpocet::pridej(text.size());
    Token& z = pasek_.emplace_back(t);
    z.text = text;
    return z;
  }
  PoziceNaPasce delka() const { return static_cast<PoziceNaPasce>(pasek_.size()); }
  const Token* token(PoziceNaPasce i) const { return pasek_.data() + i; }
  PoziceNaPasce pozice(const Token* t) const {
    return static_cast<PoziceNaPasce>(t - pasek_.data());
  }

  // Bytes the tape holds.
  std::size_t pamet() const {
    std::size_t n = pasek_.capacity() * sizeof(Token);
    for (const std::string& t : texty_)
      n += pamet_textu(t);
    return n;
  }

  // Frees the tape (after a run, whatever state it ended in).
  void Uvolni_zas_cykl() {
    bezicich_ = 0;
    pasek_.clear();
    pasek_.shrink_to_fit();
    texty_.clear();
    texty_.shrink_to_fit();
  }

 private:
  std::size_t bezicich_ = 0;
  std::vector<Token> pasek_;
  std::deque<std::string> texty_;  // the tokens' texts: a deque never moves what it holds
};

}  // namespace moxa
