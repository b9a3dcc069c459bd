// A report file that is there whole or not at all: written to a temporary file in the same
// folder and renamed over the file named only once it is complete, so that a grading that
// stops half way leaves the file as it was.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

namespace moxa::grade {

class ReportFile {
 public:
  // Makes the temporary file beside `path`. A path that names something other than a
  // regular file (a device such as /dev/null, a FIFO) is written directly instead. Throws
  // std::runtime_error with the reason when it cannot be written.
  explicit ReportFile(std::filesystem::path path);
  // Removes the temporary file unless the report was kept.
  ~ReportFile();
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  std::ostream& stream() { return stream_; }

  // Writes out the report and puts it in place; throws std::runtime_error when it cannot.
  void keep();
  // Removes the temporary file; safe to call from another thread than the writer's.
  void discard() noexcept;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::string temporary_;  // empty when written directly
  std::ofstream stream_;
  std::atomic<bool> kept_ = false;
};

}  // namespace moxa::grade
