#include "assignment.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <toml++/toml.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

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

namespace {

// What a file that is not a regular file is, for the message that refuses it.
const char* kind_of(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a file of its own";
}

[[noreturn]] void not_regular(mode_t mode) {
  throw std::runtime_error(std::string("it is ") + kind_of(mode) + ", not a regular file");
}

[[noreturn]] void too_large(std::uintmax_t most) {
  throw FileTooLarge("it has more than " + std::to_string(most) + " bytes");
}

// Closes a descriptor on every way out.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

std::string read_file(const fs::path& path, std::uintmax_t most) {
  // A socket cannot even be opened, and a FIFO could be swapped in after the look; so the
  // kind is looked at before the file is opened and again on the open file.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) throw std::runtime_error(std::strerror(errno));
  if (!S_ISREG(info.st_mode)) not_regular(info.st_mode);
  Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
  if (file.fd < 0) throw std::runtime_error(std::strerror(errno));
  if (::fstat(file.fd, &info) != 0) throw std::runtime_error(std::strerror(errno));
  if (!S_ISREG(info.st_mode)) not_regular(info.st_mode);
  const auto size = static_cast<std::uintmax_t>(std::max<off_t>(info.st_size, 0));
  if (most != 0 && size > most) too_large(most);
  // The size is where reading starts, not where it stops: a file can grow while it is read,
  // and some files report no size at all. Past `most`, the reading stops.
  std::string text;
  text.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(size, most ? most : size)));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(file.fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error(std::strerror(errno));
    }
    if (most != 0 && static_cast<std::uintmax_t>(n) > most - text.size()) too_large(most);
    text.append(buffer, static_cast<std::size_t>(n));
  }
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

// A parser callback that notes the first key an object has twice (the parser itself would
// keep the last one silently) in `duplicate`, with the path of the object that has it.
json::parser_callback_t refuse_duplicate_keys(std::string& duplicate) {
  struct Object {
    std::string path;
    std::set<std::string> keys;
  };
  auto objects = std::make_shared<std::vector<Object>>();
  auto last_key = std::make_shared<std::string>();
  return [objects, last_key, &duplicate](int, json::parse_event_t event, json& parsed) {
    switch (event) {
      case json::parse_event_t::object_start: {
        std::string path;
        if (!objects->empty()) {
          path = objects->back().path.empty() ? *last_key : objects->back().path + "." + *last_key;
        }
        objects->push_back(Object{std::move(path), {}});
        break;
      }
      case json::parse_event_t::object_end:
        if (!objects->empty()) objects->pop_back();
        break;
      case json::parse_event_t::key:
        *last_key = parsed.get<std::string>();
        if (!objects->empty() && !objects->back().keys.insert(*last_key).second &&
            duplicate.empty()) {
          const std::string& where = objects->back().path;
          duplicate = "the key \"" + *last_key + "\" appears twice" +
                      (where.empty() ? std::string(" at the top") : " in " + where);
        }
        break;
      default: break;
    }
    return true;
  };
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
    std::string duplicate;
    json settings;
    try {
      settings = json::parse(text, refuse_duplicate_keys(duplicate));
    } catch (const json::parse_error& e) {
      unusable(path.string() + ": " + e.what());
    }
    if (!duplicate.empty()) unusable(path.string() + ": " + duplicate);
    return settings;
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
      if (!value.is_number() || !std::isfinite(value.get<double>()) || value.get<double>() < 0 ||
          value.get<double>() > kMostPoints)
        unusable(place + " must be a number from 0 to " +
                 std::to_string(static_cast<long long>(kMostPoints)));
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
    } else if (key == "max_program") {
      assignment.max_program = whole_number(value, key);
    } else {
      unusable("unknown setting \"" + key +
               "\" (the settings are \"defaults\", \"tests\" and \"max_program\")");
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
