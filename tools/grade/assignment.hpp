// An assignment: its tests (NAME.in, NAME.out) and how each is scored, compared and limited,
// as grading.json or grading.toml in the assignment's folder says.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace moxa::grade {

enum class Mode { exact, trailing, whitespace, numbers };
const char* mode_name(Mode mode);

struct RunLimits {
  unsigned long long max_steps = 5'000'000;
  std::size_t max_output = 1'000'000;
  std::size_t max_memory = 32u << 20;
  unsigned long long max_time = 0;  // milliseconds of the run's processor time; 0: none
};

// The most points a test may be worth, so that no total is out of a number's reach.
inline constexpr double kMostPoints = 1e6;

// The bytes a submission's program may have unless the settings say otherwise.
inline constexpr std::uintmax_t kDefaultMaxProgram = 1u << 20;

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
  std::uintmax_t max_program = kDefaultMaxProgram;  // bytes of a submission; 0: any
  double max_score() const;
};

// Reads the folder; throws UnusableAssignment with a message that names the file and the
// fault (no tests, a test in the settings without its .out file, an unknown key, a value of
// the wrong kind).
Assignment load_assignment(const std::filesystem::path& folder);

struct UnusableAssignment {
  std::string message;
};

// Reads a whole regular file of at most `most` bytes (0: of any size). The file is opened
// without waiting, so that a FIFO nobody writes to does not hang the reader, and anything but
// a regular file (a FIFO, a device, a folder, a socket) is refused unread. Throws
// std::runtime_error with the reason when it cannot read the file, FileTooLarge when the file
// has more than `most` bytes.
std::string read_file(const std::filesystem::path& path, std::uintmax_t most = 0);

struct FileTooLarge : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace moxa::grade
