// How the fuzz targets that run whole programs read their input. It is split at its first
// zero byte that is followed by a zero or a one:
//   program 00 00 words   the program, and the words that cti reads from standard input;
//   program 00 01 rest    program and words from one stream, as `moxa - -` reads them (the
//                         two marker bytes are removed);
//   no marker             the whole input is the program and standard input is empty.
#pragma once

#include <string>
#include <string_view>

struct FuzzVstup {
  std::string program;  // with one stream: the whole stream
  std::string_view vstup;
  bool jeden_proud = false;
  bool bez_znacky = false;  // no marker: the whole input is the program
};

inline FuzzVstup rozdel_vstup(std::string_view vse) {
  std::size_t znacka = vse.find('\0');
  while (znacka != std::string_view::npos && znacka + 1 < vse.size() && vse[znacka + 1] != '\0' &&
         vse[znacka + 1] != '\1') {
    znacka = vse.find('\0', znacka + 1);
  }
  if (znacka == std::string_view::npos || znacka + 1 >= vse.size()) {
    return {std::string(vse), {}, false, true};
  }
  const std::string_view program = vse.substr(0, znacka);
  const std::string_view zbytek = vse.substr(znacka + 2);
  if (vse[znacka + 1] == '\0') return {std::string(program), zbytek, false, false};
  std::string proud(program);
  proud.append(zbytek);
  return {std::move(proud), {}, true, false};
}
