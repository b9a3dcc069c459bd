#include "report_file.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace moxa::grade {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void cannot_write(const fs::path& path, int error) {
  throw std::runtime_error("cannot write " + path.string() + ": " + std::strerror(error));
}

}  // namespace

ReportFile::ReportFile(fs::path path) : path_(std::move(path)) {
  struct stat info {};
  const bool exists = ::stat(path_.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    stream_.open(path_, std::ios::binary);
    if (!stream_) cannot_write(path_, errno);
    return;
  }
  fs::path folder = path_.parent_path();
  if (folder.empty()) folder = ".";
  // A hidden name beside the report's: ".NAME.XXXXXX", which mkstemp makes unique.
  fs::path hidden = folder / ".";
  hidden += path_.filename();
  hidden += ".XXXXXX";
  const std::string name = hidden.string();
  std::vector<char> pattern(name.begin(), name.end());
  pattern.push_back('\0');
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) cannot_write(path_, errno);
  temporary_ = pattern.data();
  // The file gets the permissions the report had, or those a new file gets.
  mode_t mode = 0;
  if (exists) {
    mode = info.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  const int error = ::fchmod(fd, mode) == 0 ? 0 : errno;
  ::close(fd);
  if (error != 0) {
    discard();
    cannot_write(path_, error);
  }
  stream_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!stream_) {
    const int open_error = errno;
    discard();
    cannot_write(path_, open_error);
  }
}

ReportFile::~ReportFile() {
  if (!kept_) discard();
}

void ReportFile::keep() {
  stream_.flush();
  const bool written = static_cast<bool>(stream_);
  stream_.close();
  if (!written || stream_.fail()) {
    discard();
    throw std::runtime_error("the report could not be written to " + path_.string());
  }
  if (!temporary_.empty() && ::rename(temporary_.c_str(), path_.c_str()) != 0) {
    const int error = errno;
    discard();
    cannot_write(path_, error);
  }
  kept_ = true;
}

void ReportFile::discard() noexcept {
  if (!temporary_.empty() && !kept_) ::unlink(temporary_.c_str());
}

}  // namespace moxa::grade
