// What the fuzz targets of the language server and the debugger share: a finding that ends
// the run, and the first byte of an input choosing how the rest of it is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace moxa::fuzz {

[[noreturn]] inline void nalez(const char* co, const std::string& text) {
  std::fprintf(stderr, "finding: %s: %.300s\n", co, text.c_str());
  std::abort();
}

// An odd first byte hands the rest to `proud`, as the raw bytes an editor sends; an even one
// to `relace`, as the text a session is built from. Inputs shorter than `nejmene` bytes are
// passed over.
template <typename Proud, typename Relace>
int rozdel(const std::uint8_t* data, std::size_t size, std::size_t nejmene, Proud proud,
           Relace relace) {
  if (size < nejmene || size == 0) return 0;
  const std::string_view zbytek(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] & 1)
    proud(zbytek);
  else
    relace(zbytek);
  return 0;
}

}  // namespace moxa::fuzz
