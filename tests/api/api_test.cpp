// The C interface, as a host sees it: linked against the shared library, through moxa.h
// alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "host.hpp"

namespace {

namespace fs = std::filesystem;

using texty::VERDIKT;

// The banners that the command writes around a run, as the header gives them to hosts.
const std::string_view HELLO = MOXA_OPENING;
const std::string_view BYE = MOXA_CLOSING;

TEST(Api, VersionIsTheProjectVersion) { EXPECT_STREQ(moxa_version(), MOXA_EXPECTED_VERSION); }

TEST(Api, SuccessfulRunWritesOutputWithoutBanners) {
  const Beh b = spust("{ cti(@a); pis(@a + 1); pis_ln(\"ok\"); }.", "41 x");
  EXPECT_EQ(b.kod, MOXA_OK);
  EXPECT_EQ(b.vystup, uspesne("42.000000ok\n"));
}

TEST(Api, FailedRunWritesItsMessageAndTheVerdict) {
  const Beh b = spust("{ pis_ln(\"a\"); pis_ln(\"b\" * 2); }.");
  EXPECT_EQ(b.kod, MOXA_ERROR);
  EXPECT_EQ(b.vystup,
            "a\n" + texty::chyba("Vnitrni_term", 1, texty::NENI_CISLO) + std::string(VERDIKT));
}

TEST(Api, EmptyProgramIsAnErrorAndNullPointersWithLengthsAreRefused) {
  Beh b{0, {}};
  b.kod = moxa_run(nullptr, 0, nullptr, 0, nullptr, sbirej, &b);
  EXPECT_EQ(b.kod, MOXA_ERROR);
  EXPECT_NE(b.vystup.find("'Blok'"), std::string::npos);
  Beh c{0, {}};
  EXPECT_EQ(moxa_run(nullptr, 3, nullptr, 0, nullptr, sbirej, &c), MOXA_INVALID);
  EXPECT_EQ(moxa_run("{}.", 3, nullptr, 1, nullptr, sbirej, &c), MOXA_INVALID);
  EXPECT_EQ(c.volani, 0);
  // Without a write function the output is dropped, the verdict still returned.
  EXPECT_EQ(moxa_run("{pis(1);}.", 10, nullptr, 0, nullptr, nullptr, nullptr), MOXA_OK);
}

// Lengths are explicit: zero bytes in the program and in the input are bytes like others.
TEST(Api, ZeroBytesArePartOfProgramAndInput) {
  const std::string program("{ pis(\"a\0b\"); cti(@x); pis_ln(@x); }.", 37);
  const std::string input("w\0rd next", 9);
  const Beh b = spust(program, input);
  EXPECT_EQ(b.kod, MOXA_OK);
  // A literal and a word are cut at their first zero byte.
  EXPECT_EQ(b.vystup, uspesne("aw\n"));
}

TEST(Api, NestingUpToTheLimitWorksOneMoreIsRefused) {
  auto vnoreni = [](int n) {
    std::string s = "{";
    for (int i = 0; i < n - 1; ++i)
      s += "i2(1){";
    s += "pis(\"x\");";
    for (int i = 0; i < n - 1; ++i)
      s += "}i2_end;";
    return s + "}.";
  };
  const Beh hluboko = spust(vnoreni(10'000));
  EXPECT_EQ(hluboko.kod, MOXA_OK);
  EXPECT_EQ(hluboko.vystup, uspesne("x"));
  const Beh prilis = spust(vnoreni(10'001));
  EXPECT_EQ(prilis.kod, MOXA_ERROR);
  EXPECT_NE(prilis.vystup.find(texty::chyba("Blok", 1, texty::PRILIS_HLUBOKO)), std::string::npos);
}

// Every golden program gives through the library what the command gives, minus the banners.
TEST(Api, GoldenProgramsGiveTheCommandOutputWithoutBanners) {
  int programu = 0;
  for (const auto& e : fs::recursive_directory_iterator(MOXA_GOLDEN_DIR)) {
    if (e.path().extension() != ".mox") continue;
    fs::path out = e.path(), in = e.path();
    out.replace_extension(".out");
    in.replace_extension(".in");
    std::string ocekavano = precti(out);
    ASSERT_EQ(ocekavano.substr(0, HELLO.size()), HELLO) << out;
    ASSERT_GE(ocekavano.size(), HELLO.size() + BYE.size()) << out;
    ASSERT_EQ(ocekavano.substr(ocekavano.size() - BYE.size()), BYE) << out;
    ocekavano = ocekavano.substr(HELLO.size(), ocekavano.size() - HELLO.size() - BYE.size());
    const Beh b = spust(precti(e.path()), fs::exists(in) ? precti(in) : std::string());
    EXPECT_EQ(b.vystup, ocekavano) << e.path();
    const bool chyba = ocekavano.size() >= VERDIKT.size() &&
                       ocekavano.substr(ocekavano.size() - VERDIKT.size()) == VERDIKT;
    EXPECT_EQ(b.kod, chyba ? MOXA_ERROR : MOXA_OK) << e.path();
    ++programu;
  }
  EXPECT_GT(programu, 100);
}

}  // namespace
