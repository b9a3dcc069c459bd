// The formatter: lays a program out anew (blocks indented, one statement a line, a blank
// around operators, comments where they stand) and changes nothing the scanner reads: the
// tokens of the result are those of the program, which it checks before it answers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moxa::kontrola {

struct Formatovani {
  std::optional<std::string> text;  // the program laid out; none when it was left as it is
  std::string proc;                 // why it was left: its first syntax error, with its place
};

Formatovani naformatuj(std::string_view zdroj);

// Whether the scanner reads the same tokens (kinds and texts) from `a` and from `b`.
bool stejne_tokeny(std::string_view a, std::string_view b);

}  // namespace moxa::kontrola
