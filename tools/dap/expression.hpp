// Values of moxa expressions at a stop, for conditional breakpoints and the debug console:
// the expression is run by the interpreter itself, in a small program that first gives the
// variables it names the values they have at the stop.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace moxa::dap {

// Texts as the trace writes them (each byte a code point 0-255, in UTF-8) and as bytes.
std::string z_bajtu(std::string_view bajty);
std::string na_bajty(std::string_view text);

struct Hodnota {
  bool ok = false;
  std::string text;     // the value, as the trace writes texts
  bool pravda = false;  // its truth, as a condition of i2 takes it
  std::string chyba;    // without ok: the interpreter's message, or why it could not run
};

Hodnota vyhodnot(const std::map<std::string, std::string>& promenne, std::string_view vyraz);

}  // namespace moxa::dap
