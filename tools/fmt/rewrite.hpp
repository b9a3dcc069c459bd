// Rewriting a file in place so that a failed write leaves it as it was.
#pragma once

#include <string>

namespace moxa::tools {

// Writes `text` to a file beside `name` and renames it over `name`, keeping its
// permissions; false when either step fails, the file then unchanged.
bool rewrite_file(const std::string& name, const std::string& text);

}  // namespace moxa::tools
