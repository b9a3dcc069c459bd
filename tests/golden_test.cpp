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
#include "tests/compare.hpp"

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
  EXPECT_TRUE(ocekavano == skutecne) << mox.string() << "\n"
                                     << porovnani::rozdil(ocekavano, skutecne);
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
