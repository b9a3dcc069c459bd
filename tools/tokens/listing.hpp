// What moxa_tokens prints: a program's tokens with the bytes, lines and columns the scanner
// gives them, the keyword and operator lists, and the compiled code of a program's loops.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace moxa::tools {

// The listing of `source`'s tokens, comments and unfinished token (see main.cpp for its
// shape). Before it is written, each token's place is checked against the scanner: the
// bytes before it are blanks, comments or dropped bytes, and the token scanned afresh from
// its first byte is the same token. False, with `error` saying which token, when a check
// fails; nothing is written then.
bool list_tokens(std::ostream& out, std::string_view source, std::string& error);

// The keywords, the end of a program, the operators, the braces, the separator, the
// assignment and the fixed parts of an error message's opening, as one JSON object.
void list_words(std::ostream& out);

// Runs `program` (with an empty input, its output dropped, at most 10,000,000 steps) and
// lists the compiled code of each outermost loop once its first pass is read.
void list_code(std::ostream& out, const std::string& program);

}  // namespace moxa::tools
