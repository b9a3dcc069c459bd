// The command line of the tools, read one argument at a time, and the checks and messages
// the tools share for it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moxa::tools {

// An argument that starts with '-' and has more after it is an option; every other one is
// an operand ('-' alone names standard input). How much of the usual conventions a tool
// takes is its `Style`.
class CommandLine {
 public:
  struct Style {
    bool double_dash = false;      // "--" makes every argument after it an operand
    bool attached_values = false;  // "--name=value" gives a long option its value
    bool brief_refusal = false;    // an unknown option is refused with where the options are
                                   // listed instead of the whole usage
    bool operands = true;          // false: every argument is an option (a server's)
  };

  CommandLine(int argc, const char* const* argv, Style style);
  CommandLine(int argc, const char* const* argv) : CommandLine(argc, argv, Style{}) {}

  // Moves to the next argument ("--" passed over where it ends the options); false past the
  // last one.
  bool next();
  bool option() const { return option_; }
  // The option's name (without an attached value) or the operand.
  const std::string& name() const { return name_; }
  // The argument as it was given.
  std::string_view argument() const { return arguments_[index_]; }
  // Where the argument read last stands in `argv`.
  std::size_t index() const { return index_; }
  // "--help" or "-h".
  bool help() const { return option_ && (name_ == "--help" || name_ == "-h"); }
  // The end of a tool's loop over its options, for the argument none of them took: "--help"
  // or "-h" writes `usage` to standard output (status 0); any other option is refused on
  // standard error as "PROGRAM: unknown option NAME" and the usage, or where the options are
  // listed (status 2). The status to end with, or none for an operand, the tool's to collect.
  std::optional<int> unclaimed(std::string_view program, std::string_view usage) const;
  // The current option's value: the text after its '=', else the next argument, which is
  // then used up; none at the end of the line.
  std::optional<std::string> value();

 private:
  std::vector<std::string_view> arguments_;
  Style style_;
  std::size_t index_ = 0;
  bool operands_only_ = false;
  bool option_ = false;
  std::string name_;
  std::optional<std::string> attached_;
};

// `text` as a whole number from `lowest` to `highest`: decimal digits alone.
std::optional<unsigned long long> whole_number(std::string_view text, unsigned long long lowest,
                                               unsigned long long highest);

// Writes "PROGRAM: MESSAGE" and where the options are listed to standard error, and ends
// the process with status 2.
[[noreturn]] void bad_usage(std::string_view program, std::string_view message);

// The command line of a server that talks over standard input and output: "--stdio" (the
// only way), "--help" or "-h" (`usage` to standard output, status 0), anything else refused
// with `usage` (status 2). The status to end with, or none to go on serving.
std::optional<int> server_options(int argc, const char* const* argv, std::string_view program,
                                  std::string_view usage);

}  // namespace moxa::tools
