// The golden programs, for the tests that run every one of them: each program with its input
// and what the command prints for it, in the order of their paths.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// The bytes of file `cesta`; none when there is no such file.
inline std::string precti(const std::filesystem::path& cesta) {
  std::ifstream in(cesta, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Zlaty {
  std::string jmeno, program, vstup, vystup;
  bool ma_vstup;
};

inline std::vector<Zlaty> zlate_programy() {
  std::vector<Zlaty> v;
  for (const auto& e : std::filesystem::recursive_directory_iterator(MOXA_GOLDEN_DIR)) {
    if (!e.is_regular_file() || e.path().extension() != ".mox") continue;
    std::filesystem::path in = e.path(), out = e.path();
    in.replace_extension(".in");
    out.replace_extension(".out");
    v.push_back({e.path().string(), precti(e.path()), precti(in), precti(out), exists(in)});
  }
  std::sort(v.begin(), v.end(), [](const Zlaty& a, const Zlaty& b) { return a.jmeno < b.jmeno; });
  return v;
}
