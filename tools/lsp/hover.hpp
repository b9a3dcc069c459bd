// What the language server shows on hover: what a keyword, an operator or a punctuation
// token does, in Czech and in English.
#pragma once

#include <optional>
#include <string>

#include "check/tokens.hpp"

namespace moxa::lsp {

// Markdown text for the token, or none for a token that needs no explanation (a number, a
// text, a word that is no keyword).
std::optional<std::string> napoveda(const kontrola::TokenZdroje& t);

}  // namespace moxa::lsp
