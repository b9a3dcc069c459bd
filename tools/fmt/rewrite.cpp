#include "tools/fmt/rewrite.hpp"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace moxa::tools {

bool rewrite_file(const std::string& name, const std::string& text) {
  const std::string temporary = name + ".moxa-fmt~";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) return false;
  }
  std::error_code e;
  std::filesystem::permissions(temporary, std::filesystem::status(name, e).permissions(), e);
  std::filesystem::rename(temporary, name, e);
  if (e) std::filesystem::remove(temporary, e);
  return !e;
}

}  // namespace moxa::tools
