// The run sequence around the parse, and the command-line entry of the interpreter.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "io/streams.hpp"
#include "parser/interpret.hpp"

namespace moxa {

// How a run ended.
enum class Konec {
  Dobehl,    // the program ran to its end
  Chyba,     // it stopped at an error, whose message and the error verdict were written
  Zastaven,  // a limit stopped it; its output ends where the limit was reached
};

// Runs the program in `zdroj` without the banners: parses and executes it (on a stack large
// enough for the deepest nesting allowed), prints the error verdict if it failed, releases
// the stores and closes the source. `vstup` is where `cti` reads words.
Konec beh(Vstup& zdroj, Vstup& vstup, Vystup& out, const Nastaveni& nastaveni = {});

// Runs the program in `zdroj` to its end: parses and executes it (on a thread with a stack
// large enough for the deepest nesting allowed), prints the error verdict if it failed,
// releases the stores, closes the source and prints the closing banner. `vstup` is where
// `cti` reads words; it is `zdroj` itself when the program comes from standard input.
void probeh(Vstup& zdroj, Vstup& vstup, Vystup& out, const Nastaveni& nastaveni = {});

// The interpreter's command line: `argv[1]` names the program; with two arguments the
// program is read from `std_in`. Everything goes to `out`. Returns the exit status, 0.
int hlavni(int argc, const char* const* argv, Vstup& std_in, Vystup& out,
           const Nastaveni& nastaveni = {});

// A whole run as `moxa prog.mox < input` would do it, with the program and the input held in
// memory; returns every byte of standard output.
std::string spust_text(std::string_view program, std::string_view input,
                       const Nastaveni& nastaveni = {});

// A whole run as `moxa - - < stream` would do it: the program and the words that `cti`
// reads come from one stream.
std::string spust_text_ze_vstupu(std::string_view stream, const Nastaveni& nastaveni = {});

}  // namespace moxa
