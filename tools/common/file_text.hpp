// The whole text of a program for the tools that take FILE, or '-' for standard input.
#pragma once

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>

namespace moxa::tools {

// Reads file `jmeno` ('-': standard input) into `obsah`, its bytes as they are. False when
// it cannot be read: it does not exist, it is a folder, or reading it failed.
inline bool precti_soubor(const std::string& jmeno, std::string& obsah) {
  if (jmeno == "-") {
    obsah.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return !std::cin.bad();
  }
  std::error_code e;
  if (std::filesystem::is_directory(jmeno, e)) return false;
  std::ifstream in(jmeno, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) return false;
  obsah = s.str();
  return true;
}

}  // namespace moxa::tools
