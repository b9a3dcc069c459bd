// The command line of the interpreter, shared by `moxa` and the tools that run a program as
// it does.
#pragma once

#include "parser/interpret.hpp"

namespace moxa {

// Does what `moxa` does with its arguments, with the run's settings `nastaveni`: reopens
// closed standard streams, catches the interrupting signals, keeps the output moving, runs
// the program, and ends by the signal that interrupted the run, if one did. Returns the exit
// status.
int prikaz(int argc, const char* const* argv, const Nastaveni& nastaveni = {});

// Asks the run of `prikaz` under way to stop at its next step, as an interrupting signal
// does, but without ending the process: everything printed until then is written out,
// nothing after it, and `prikaz` returns. Callable from the run's own thread (a trace's
// writer) or any other; does nothing when no run is under way.
void zastav_prikaz();

}  // namespace moxa
