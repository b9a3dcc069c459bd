// The tools' shared command line and moxa_tokens' listing, reached in-process.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/common/command_line.hpp"
#include "tools/tokens/listing.hpp"

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

// Each token's place agrees with its bytes, lines and columns; a byte above 127 is written
// as the code point of the same number; comments and the unfinished end are where they are.
TEST(Tokens, ListingPlacesEveryTokenAtItsBytes) {
  const std::string source = "{ @x -> \"\xe9\";\n  pis(@x); :: note\n} . ~";
  std::ostringstream out;
  std::string error;
  ASSERT_TRUE(moxa::tools::list_tokens(out, source, error)) << error;
  EXPECT_NE(out.str().find("\"\\u00e9\""), std::string::npos) << out.str();
  const auto listing = nlohmann::json::parse(out.str());
  std::size_t line = 1, line_start = 0, seen = 0;
  for (const auto& t : listing["tokens"]) {
    const auto start = t["start"].get<std::size_t>();
    const auto end = t["end"].get<std::size_t>();
    ASSERT_LT(start, end);
    ASSERT_LE(end, source.size());
    for (; seen < start; ++seen)
      if (source[seen] == '\n') ++line, line_start = seen + 1;
    EXPECT_EQ(t["line"], line) << t;
    EXPECT_EQ(t["col"], start - line_start + 1) << t;
  }
  EXPECT_EQ(listing["tokens"].size(), 12u) << out.str();
  const std::size_t comment = source.find("::");
  EXPECT_EQ(listing["comments"], nlohmann::json::array({{comment, comment + 8}}));
  EXPECT_EQ(listing["unfinished"], nlohmann::json::array({source.size() - 1, source.size()}));
}

}  // namespace
