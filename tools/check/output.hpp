// What moxa-check writes for a file's findings: lines for a person, or JSON.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "check/check.hpp"

namespace moxa::tools {

// The findings of file `name` as the lines "NAME:LINE:COLUMN: KIND: MESSAGE", each followed
// by its notes, its explanation and its fixes.
void write_findings(std::ostream& out, const std::string& name, const kontrola::Vysledek& v);

// The findings of file `name` as {"file": ..., "diagnostics": [...]}.
nlohmann::json findings_json(const std::string& name, const kontrola::Vysledek& v);

// The long explanation of `code` with its example program; false for an unknown code.
bool explain_code(std::ostream& out, std::string_view code, kontrola::Jazyk language);

}  // namespace moxa::tools
