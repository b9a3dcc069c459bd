// The tools' shared command line, reached in-process (moxa_tokens' listing is held to the
// samples beside it by moxa_tokens_test.sh).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tools/common/command_line.hpp"

namespace {

using moxa::tools::CommandLine;
using Texts = std::vector<std::string>;

struct Read {
  Texts options, values, operands;
};

// Reads `argv` as a tool does that takes a value after each option of `taking`.
Read read(std::vector<const char*> argv, CommandLine::Style style, std::set<std::string> taking) {
  CommandLine line(static_cast<int>(argv.size()), argv.data(), style);
  Read r;
  while (line.next()) {
    if (!line.option()) {
      r.operands.push_back(line.name());
      continue;
    }
    r.options.push_back(line.name());
    if (taking.count(line.name()) != 0) r.values.push_back(line.value().value_or("<none>"));
  }
  return r;
}

TEST(CommandLine, ReadsOptionsValuesAndOperandsInEitherStyle) {
  // The grader's and the similarity checker's: "--" ends the options, "--name=value".
  Read r = read({"p", "-o", "-x", "--format=json", "a", "--", "--b", "-", "-j"},
                {.double_dash = true, .attached_values = true}, {"-o", "--format", "-j"});
  EXPECT_EQ(r.options, (Texts{"-o", "--format"}));
  EXPECT_EQ(r.values, (Texts{"-x", "json"}));
  EXPECT_EQ(r.operands, (Texts{"a", "--b", "-", "-j"}));
  // The other tools': every argument that starts with '-' and has more is an option, whole.
  r = read({"p", "--format=json", "--", "-", "-h", "--lang"}, {}, {"--lang"});
  EXPECT_EQ(r.options, (Texts{"--format=json", "--", "-h", "--lang"}));
  EXPECT_EQ(r.values, (Texts{"<none>"}));
  EXPECT_EQ(r.operands, (Texts{"-"}));
}

TEST(CommandLine, WholeNumbersAreDecimalDigitsInRange) {
  EXPECT_EQ(moxa::tools::whole_number("1", 1, 1024), 1u);
  EXPECT_EQ(moxa::tools::whole_number("1024", 1, 1024), 1024u);
  for (const char* bad : {"", "0", "1025", "+5", " 5", "-1", "5x", "0x10", "99999999999999999999"})
    EXPECT_FALSE(moxa::tools::whole_number(bad, 1, 1024)) << bad;
}

}  // namespace
