// moxa_tokens: the tokens of a program as the interpreter's scanner delivers them, with the
// places where they stand in the source, for tools that must agree with the scanner
// (the editors' highlighters). With --words it prints the keyword and operator lists.
//
//   moxa_tokens FILE      {"tokens":[{"kind":K,"start":S,"end":E,"line":L,"col":C,"text":T},...],
//                          "comments":[[S,E],...],"unfinished":[S,E] or null}
//   moxa_tokens --words   {"keywords":[...],"end":".","operators":[...],...,
//                          "message":[the fixed parts of an error message's opening]}
//   moxa_tokens --code FILE   the compiled code of every outermost loop the program runs,
//                             one instruction a line with the statement starts (the run's
//                             own output is dropped; cti reads an empty input; the run
//                             stops after 10,000,000 steps)
//
// Offsets count bytes from 0, lines and columns (in bytes) from 1, as the scanner gives them
// for a token's first byte; a token covers [start, end), dropped bytes inside it included
// (the ' ' of "@ x", the quotes of a string literal). Texts are escaped byte by byte, every
// byte above 127 as the code point of the same number, so a reader that decodes the file as
// Latin-1 sees the same offsets. "unfinished" is the token or comment that the end of input
// cut off: the scanner drops it.
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/common/command_line.hpp"
#include "tools/common/file_text.hpp"
#include "tools/tokens/listing.hpp"

int main(int argc, char** argv) {
  const std::string_view pouziti =
      "usage: moxa_tokens FILE | moxa_tokens --code FILE | moxa_tokens --words\n";
  std::vector<std::string> args;
  moxa::tools::CommandLine line(argc, argv);
  while (line.next())
    args.push_back(std::string(line.argument()));
  const bool s_kodem = args.size() == 2 && args[0] == "--code";
  if (args.size() != 1 && !s_kodem) {
    std::cerr << pouziti;
    return 2;
  }
  const std::string& arg = args.back();
  if (arg == "--words" && !s_kodem) {
    moxa::tools::list_words(std::cout);
    return 0;
  }
  std::string obsah;
  if (arg == "-" || !moxa::tools::precti_soubor(arg, obsah)) {
    std::cerr << "moxa_tokens: cannot read " << arg << "\n";
    return 2;
  }
  if (s_kodem) {
    moxa::tools::list_code(std::cout, obsah);
    return 0;
  }
  std::string chyba;
  if (!moxa::tools::list_tokens(std::cout, obsah, chyba)) {
    std::cerr << "moxa_tokens: " << arg << ": " << chyba << "\n";
    return 1;
  }
  return 0;
}
