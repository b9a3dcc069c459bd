#include "bundle.hpp"

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string_view>

namespace moxa::grade {

namespace fs = std::filesystem;
using nlohmann::json;

bool shown_in_bundle(const TestCase& test) { return test.visibility == "visible"; }

namespace {

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF), which is all a JSON string can carry.
bool is_utf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, code = lead & 0x07, least = 0x10000;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

const std::string& utf8_or_refuse(const std::string& text, const std::string& what) {
  if (!is_utf8(text))
    throw UnusableAssignment{what + " is not UTF-8 text, which a bundle cannot carry"};
  return text;
}

json limits_of(const RunLimits& limits) {
  return {{"max_steps", limits.max_steps},
          {"max_output", limits.max_output},
          {"max_memory", limits.max_memory},
          {"max_time", limits.max_time}};
}

}  // namespace

std::string make_bundle(const fs::path& folder) {
  const Assignment assignment = load_assignment(folder);
  const fs::path task_path = folder / "task.md";
  std::error_code error;
  if (!fs::exists(task_path, error))
    throw UnusableAssignment{task_path.string() +
                             ": no task text; a bundle needs the task for the students in "
                             "task.md (Markdown)"};
  std::string task;
  try {
    task = read_file(task_path, kMostTaskBytes);
  } catch (const std::exception& e) {
    throw UnusableAssignment{task_path.string() + ": " + e.what()};
  }

  json tests = json::array();
  std::size_t hidden_count = 0;
  double hidden_points = 0;
  for (const TestCase& test : assignment.tests) {
    if (!shown_in_bundle(test)) {
      ++hidden_count;
      hidden_points += test.points;
      continue;
    }
    const std::string where = "test " + test.name;
    tests.push_back({{"name", utf8_or_refuse(test.name, where + ": its name")},
                     {"points", test.points},
                     {"mode", mode_name(test.mode)},
                     {"limits", limits_of(test.limits)},
                     {"input", utf8_or_refuse(test.input, where + ": its input")},
                     {"expected", utf8_or_refuse(test.expected, where + ": its expected output")}});
  }
  const json bundle = {
      {"format", "moxa-assignment"},
      {"version", kBundleVersion},
      {"name", utf8_or_refuse(assignment.name, "the assignment's name")},
      {"task", utf8_or_refuse(task, task_path.string())},
      {"max_program", assignment.max_program},
      {"tests", std::move(tests)},
      {"hidden", {{"count", hidden_count}, {"points", hidden_points}}},
  };
  return bundle.dump(2) + "\n";
}

}  // namespace moxa::grade
