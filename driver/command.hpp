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

}  // namespace moxa
