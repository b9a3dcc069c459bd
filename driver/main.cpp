// moxa: runs a .mox program.  Usage: moxa program.mox  (or: moxa - - < program)
#include "driver/command.hpp"

int main(int argc, char** argv) { return moxa::prikaz(argc, argv); }
