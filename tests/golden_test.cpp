// Every golden program under golden/<area>/: <case>.mox run with <case>.in (if any) as
// standard input must print exactly <case>.out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run.hpp"

namespace {

namespace fs = std::filesystem;

std::string precti(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<fs::path> programy() {
  std::vector<fs::path> v;
  for (const auto& e : fs::recursive_directory_iterator(MOXA_GOLDEN_DIR)) {
    if (e.is_regular_file() && e.path().extension() == ".mox") v.push_back(e.path());
  }
  std::sort(v.begin(), v.end());
  return v;
}

// Shows where two outputs part, with a little context, bytes escaped.
std::string rozdil(const std::string& ocekavano, const std::string& skutecne) {
  std::size_t i = 0;
  while (i < ocekavano.size() && i < skutecne.size() && ocekavano[i] == skutecne[i])
    ++i;
  const auto ukaz = [i](const std::string& s) {
    std::string r;
    const std::size_t od = i > 40 ? i - 40 : 0;
    for (std::size_t k = od; k < s.size() && k < i + 40; ++k) {
      const auto c = static_cast<unsigned char>(s[k]);
      if (c == '\n') {
        r += "\\n";
      } else if (c < 32 || c > 126) {
        char b[8];
        std::snprintf(b, sizeof b, "\\x%02x", c);
        r += b;
      } else {
        r += static_cast<char>(c);
      }
    }
    return r;
  };
  return "first difference at byte " + std::to_string(i) + "\n expected: " + ukaz(ocekavano) +
         "\n      got: " + ukaz(skutecne);
}

class Golden : public testing::TestWithParam<fs::path> {};

TEST_P(Golden, PrintsExactlyTheExpectedOutput) {
  const fs::path mox = GetParam();
  fs::path out = mox;
  out.replace_extension(".out");
  fs::path in = mox;
  in.replace_extension(".in");
  ASSERT_TRUE(fs::exists(out)) << out << " is missing";
  const std::string ocekavano = precti(out);
  const std::string skutecne =
      moxa::spust_text(precti(mox), fs::exists(in) ? precti(in) : std::string());
  EXPECT_TRUE(ocekavano == skutecne) << mox.string() << "\n" << rozdil(ocekavano, skutecne);
}

std::string jmeno(const testing::TestParamInfo<fs::path>& info) {
  const fs::path rel = fs::relative(info.param, MOXA_GOLDEN_DIR);
  std::string s = rel.parent_path().string() + "_" + rel.stem().string();
  for (char& c : s) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return s;
}

INSTANTIATE_TEST_SUITE_P(Programs, Golden, testing::ValuesIn(programy()), jmeno);

}  // namespace
