#include "tools/common/command_line.hpp"

#include <charconv>
#include <cstdlib>
#include <iostream>
#include <utility>

namespace moxa::tools {

namespace {

void where_listed(std::string_view program) {
  std::cerr << "(" << program << " --help lists the options)\n";
}

}  // namespace

CommandLine::CommandLine(int argc, const char* const* argv, Style style)
    : arguments_(argv, argv + argc), style_(style) {}

bool CommandLine::next() {
  attached_.reset();
  while (++index_ < arguments_.size()) {
    const std::string_view a = arguments_[index_];
    option_ = !style_.operands || (!operands_only_ && a.size() > 1 && a[0] == '-');
    if (option_ && style_.double_dash && a == "--") {
      operands_only_ = true;
      continue;
    }
    name_ = a;
    const std::size_t equals = a.find('=');
    if (option_ && style_.attached_values && a.starts_with("--") && equals != a.npos) {
      attached_ = std::string(a.substr(equals + 1));
      name_.resize(equals);
    }
    return true;
  }
  option_ = false;
  return false;
}

std::optional<std::string> CommandLine::value() {
  if (attached_) return std::exchange(attached_, std::nullopt);
  if (index_ + 1 >= arguments_.size()) return std::nullopt;
  return std::string(arguments_[++index_]);
}

std::optional<int> CommandLine::unclaimed(std::string_view program, std::string_view usage) const {
  if (help()) {
    std::cout << usage;
    return 0;
  }
  if (!option_) return std::nullopt;
  std::cerr << program << ": unknown option " << name_ << "\n";
  if (style_.brief_refusal)
    where_listed(program);
  else
    std::cerr << usage;
  return 2;
}

std::optional<unsigned long long> whole_number(std::string_view text, unsigned long long lowest,
                                               unsigned long long highest) {
  unsigned long long n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || n < lowest ||
      n > highest)
    return std::nullopt;
  return n;
}

void bad_usage(std::string_view program, std::string_view message) {
  std::cerr << program << ": " << message << "\n";
  where_listed(program);
  std::exit(2);
}

std::optional<int> server_options(int argc, const char* const* argv, std::string_view program,
                                  std::string_view usage) {
  CommandLine args(argc, argv, {.operands = false});
  while (args.next())
    if (args.name() != "--stdio") return args.unclaimed(program, usage);
  return std::nullopt;
}

}  // namespace moxa::tools
