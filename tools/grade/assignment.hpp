// An assignment: its tests (NAME.in, NAME.out) and how each is scored, compared and limited,
// as grading.json or grading.toml in the assignment's folder says.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace moxa::grade {

enum class Mode { exact, trailing, whitespace, numbers };
const char* mode_name(Mode mode);

struct RunLimits {
  unsigned long long max_steps = 5'000'000;
  std::size_t max_output = 1'000'000;
  std::size_t max_memory = 32u << 20;
  unsigned long long max_time = 0;  // milliseconds of wall clock; 0: none
};

struct TestCase {
  std::string name;
  std::string input;     // the words that cti reads
  std::string expected;  // what the command prints, banners included
  double points = 1;
  Mode mode = Mode::exact;
  std::string visibility = "visible";
  RunLimits limits;
};

struct Assignment {
  std::string name;  // the folder's name
  std::vector<TestCase> tests;
  double max_score() const;
};

// Reads the folder; throws UnusableAssignment with a message that names the file and the
// fault (no tests, a test in the settings without its .out file, an unknown key, a value of
// the wrong kind).
Assignment load_assignment(const std::filesystem::path& folder);

struct UnusableAssignment {
  std::string message;
};

// Reads a whole file; throws std::runtime_error with the reason when it cannot.
std::string read_file(const std::filesystem::path& path);

}  // namespace moxa::grade
