// A byte shown as the escape \xHH, for the texts that show a program's control bytes: the
// checker's quotes of the source and the grader's diffs.
#pragma once

#include <string>

namespace moxa::kontrola {

// Appends `c` to `out` as "\x" and two lower-case hexadecimal digits.
inline void pripoj_xhh(std::string& out, unsigned char c) {
  static constexpr char HEX[] = "0123456789abcdef";
  out += "\\x";
  out += HEX[c >> 4];
  out += HEX[c & 15];
}

}  // namespace moxa::kontrola
