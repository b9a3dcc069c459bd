// The fixed texts of the language, listed once: the keywords and the operator texts that the
// parser recognises. Tools that describe the language to editors and the playground read the
// lists from here (`moxa_tokens --words`); a unit test holds them to `znacka_textu`.
#pragma once

#include <array>
#include <string_view>

#include "lexer/token.hpp"

namespace moxa {

struct PevnyText {
  std::string_view text;
  Znacka znacka;
};

// Words with a meaning of their own. The word "." that ends the program is kept apart.
inline constexpr std::array<PevnyText, 9> KLICOVA_SLOVA{{
    {"w2", Znacka::W2},
    {"w2_end", Znacka::W2_end},
    {"i2", Znacka::I2},
    {"e2", Znacka::E2},
    {"i2_end", Znacka::I2_end},
    {"cti", Znacka::Cti},
    {"pis", Znacka::Pis},
    {"pis_ln", Znacka::Pis_ln},
    {"p2", Znacka::P2},
}};

inline constexpr PevnyText KONEC_PROGRAMU{".", Znacka::Tecka};

// Every text the scanner delivers as an operator token, parentheses included. '^' and '_'
// are operator tokens that no rule accepts, so they carry no tag.
inline constexpr std::array<PevnyText, 18> OPERATORY{{
    {"(", Znacka::LevaKulata},
    {")", Znacka::PravaKulata},
    {"+", Znacka::Plus},
    {"-", Znacka::Minus},
    {"*", Znacka::Krat},
    {"/", Znacka::Deleno},
    {"%", Znacka::Modulo},
    {"<", Znacka::Mensi},
    {">", Znacka::Vetsi},
    {"=", Znacka::Rovno},
    {"!=", Znacka::Nerovno},
    {"<=", Znacka::MensiRovno},
    {">=", Znacka::VetsiRovno},
    {"!", Znacka::Ne},
    {"&", Znacka::A},
    {"|", Znacka::Nebo},
    {"^", Znacka::Zadna},
    {"_", Znacka::Zadna},
}};

// The other punctuation: braces, the statement end and the assignment arrow.
inline constexpr std::array<PevnyText, 2> ZAVORKY{{
    {"{", Znacka::LevaSlozena},
    {"}", Znacka::PravaSlozena},
}};
inline constexpr PevnyText STREDNIK{";", Znacka::Strednik};
inline constexpr std::string_view PRIRAZENI = "->";

}  // namespace moxa
