// How an output is held against the expected one: the comparison modes, and the account of
// a difference that a student reads (where the outputs part, a short unified diff around it,
// white space and unprintable bytes made visible).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "assignment.hpp"

namespace moxa::grade {

// exact: the same bytes. trailing: spaces and tabs at line ends, and a missing line end at
// the end, do not count. whitespace: the same words, split at any white space. numbers: as
// whitespace, but two words that both read as decimal numbers agree when they differ by at
// most 1e-6 of the larger.
bool outputs_agree(std::string_view expected, std::string_view actual, Mode mode);

// The text with every byte a report can carry plainly: a space as "·", a tab as "→", a
// backslash as "\\", a line end as itself when `keep_lines` (else "\n"), and every other
// control byte and every byte above 126 as "\xNN". The result is printable ASCII plus those
// two marks, which JSON, XML, CSV and a terminal all take as they are.
std::string visible(std::string_view text, bool keep_lines = false);

// A message for a person (a file name in it may hold any bytes): every control byte and
// every byte above 126 as "\xNN", the rest as it is.
std::string printable(std::string_view text);

// A name or a message about one, as the reports write it: its UTF-8 characters as they are,
// and every byte that is not part of one, every control character (C0, DEL, C1) and the two
// noncharacters that XML cannot hold (U+FFFE, U+FFFF) as "\xNN", byte by byte.
std::string printable_name(std::string_view text);

// Where the outputs first differ and a unified diff of at most a dozen lines around it.
std::string describe_difference(std::string_view expected, std::string_view actual, Mode mode);

// The first `cut` bytes of a partial output, made visible, with a note of what was left out.
std::string partial_output(std::string_view output, std::size_t cut);

}  // namespace moxa::grade
