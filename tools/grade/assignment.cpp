#include "assignment.hpp"

#include <toml++/toml.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>

namespace moxa::grade {

namespace fs = std::filesystem;
using nlohmann::json;

const char* mode_name(Mode mode) {
  switch (mode) {
    case Mode::exact: return "exact";
    case Mode::trailing: return "trailing";
    case Mode::whitespace: return "whitespace";
    case Mode::numbers: return "numbers";
  }
  return "exact";
}

double Assignment::max_score() const {
  double sum = 0;
  for (const TestCase& test : tests)
    sum += test.points;
  return sum;
}

std::string read_file(const fs::path& path) {
  std::error_code error;
  if (fs::is_directory(path, error)) throw std::runtime_error("is a folder, not a file");
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error(std::strerror(errno));
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) throw std::runtime_error("read error");
  return text;
}

namespace {

[[noreturn]] void unusable(const std::string& message) { throw UnusableAssignment{message}; }

// A TOML document as the JSON value of the same shape, so that both files are checked by one
// routine.
json from_toml(const toml::node& node) {
  if (const toml::table* table = node.as_table()) {
    json object = json::object();
    for (const auto& [key, value] : *table)
      object[std::string(key.str())] = from_toml(value);
    return object;
  }
  if (const toml::array* array = node.as_array()) {
    json list = json::array();
    for (const toml::node& value : *array)
      list.push_back(from_toml(value));
    return list;
  }
  if (const auto* value = node.as_integer()) return value->get();
  if (const auto* value = node.as_floating_point()) return value->get();
  if (const auto* value = node.as_string()) return value->get();
  if (const auto* value = node.as_boolean()) return value->get();
  return "(a date or time)";
}

json read_settings(const fs::path& folder) {
  const fs::path json_path = folder / "grading.json";
  const fs::path toml_path = folder / "grading.toml";
  std::error_code error;
  const bool has_json = fs::exists(json_path, error);
  const bool has_toml = fs::exists(toml_path, error);
  if (has_json && has_toml) unusable("both grading.json and grading.toml are there; keep one");
  if (!has_json && !has_toml) return json::object();
  const fs::path& path = has_json ? json_path : toml_path;
  std::string text;
  try {
    text = read_file(path);
  } catch (const std::exception& e) {
    unusable(path.string() + ": " + e.what());
  }
  if (has_json) {
    try {
      return json::parse(text);
    } catch (const json::parse_error& e) {
      unusable(path.string() + ": " + e.what());
    }
  }
  try {
    return from_toml(toml::parse(text, path.string()));
  } catch (const toml::parse_error& e) {
    std::ostringstream where;
    where << path.string() << ":" << e.source().begin.line << ":" << e.source().begin.column << ": "
          << e.description();
    unusable(where.str());
  }
}

unsigned long long whole_number(const json& value, const std::string& where) {
  if (value.is_number_unsigned()) return value.get<unsigned long long>();
  if (value.is_number_integer() && value.get<long long>() >= 0)
    return static_cast<unsigned long long>(value.get<long long>());
  unusable(where + " must be a whole number, 0 or more");
}

// Applies one table of settings ("defaults" or one test's) over `test`.
void apply(const json& settings, const std::string& where, TestCase& test) {
  if (!settings.is_object()) unusable(where + " must be a table of settings");
  for (const auto& [key, value] : settings.items()) {
    const std::string place = where + "." + key;
    if (key == "points") {
      if (!value.is_number() || !std::isfinite(value.get<double>()) || value.get<double>() < 0)
        unusable(place + " must be a number, 0 or more");
      test.points = value.get<double>();
    } else if (key == "mode") {
      const std::string mode = value.is_string() ? value.get<std::string>() : "";
      if (mode == "exact") {
        test.mode = Mode::exact;
      } else if (mode == "trailing") {
        test.mode = Mode::trailing;
      } else if (mode == "whitespace") {
        test.mode = Mode::whitespace;
      } else if (mode == "numbers") {
        test.mode = Mode::numbers;
      } else {
        unusable(place + " must be \"exact\", \"trailing\", \"whitespace\" or \"numbers\"");
      }
    } else if (key == "visibility") {
      static const std::set<std::string> known = {"visible", "hidden", "after_due_date",
                                                  "after_published"};
      if (!value.is_string() || !known.contains(value.get<std::string>()))
        unusable(place +
                 " must be \"visible\", \"hidden\", \"after_due_date\" or \"after_published\"");
      test.visibility = value.get<std::string>();
    } else if (key == "max_steps") {
      test.limits.max_steps = whole_number(value, place);
    } else if (key == "max_output") {
      test.limits.max_output = static_cast<std::size_t>(whole_number(value, place));
    } else if (key == "max_memory") {
      test.limits.max_memory = static_cast<std::size_t>(whole_number(value, place));
    } else if (key == "max_time") {
      test.limits.max_time = whole_number(value, place);
    } else {
      unusable(where + ": unknown setting \"" + key + "\"");
    }
  }
}

}  // namespace

Assignment load_assignment(const fs::path& folder) {
  std::error_code error;
  if (!fs::is_directory(folder, error))
    unusable(folder.string() + ": not a folder (" +
             (error ? error.message() : std::string("no such folder")) + ")");
  Assignment assignment;
  assignment.name = fs::absolute(folder).lexically_normal().filename().string();
  if (assignment.name.empty())
    assignment.name = fs::absolute(folder).lexically_normal().parent_path().filename().string();

  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const fs::path& path = entry.path();
    if (path.extension() == ".out" && entry.is_regular_file(error))
      names.push_back(path.stem().string());
  }
  if (error) unusable(folder.string() + ": " + error.message());
  std::sort(names.begin(), names.end());
  if (names.empty()) unusable(folder.string() + ": no tests (NAME.out files) in the folder");

  const json settings = read_settings(folder);
  if (!settings.is_object()) unusable("the grading settings must be a table");
  json defaults = json::object();
  json per_test = json::object();
  for (const auto& [key, value] : settings.items()) {
    if (key == "defaults") {
      defaults = value;
    } else if (key == "tests") {
      if (!value.is_object()) unusable("tests must be a table of tests");
      per_test = value;
    } else {
      unusable("unknown setting \"" + key + "\" (the settings are \"defaults\" and \"tests\")");
    }
  }
  for (const auto& [name, value] : per_test.items()) {
    if (!std::binary_search(names.begin(), names.end(), name))
      unusable("tests." + name + ": there is no " + name + ".out in " + folder.string());
  }

  for (const std::string& name : names) {
    TestCase test;
    test.name = name;
    apply(defaults, "defaults", test);
    if (per_test.contains(name)) apply(per_test[name], "tests." + name, test);
    try {
      test.expected = read_file(folder / (name + ".out"));
      const fs::path input = folder / (name + ".in");
      if (fs::exists(input, error)) test.input = read_file(input);
    } catch (const std::exception& e) {
      unusable(folder.string() + ": test " + name + ": " + e.what());
    }
    assignment.tests.push_back(std::move(test));
  }
  return assignment;
}

}  // namespace moxa::grade
