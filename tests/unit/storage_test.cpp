// The variable table (and the hash index under it, whose searches collide and wrap around its
// end as it doubles) and the value stack, through their interfaces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/hash_index.hpp"
#include "storage/value_stack.hpp"
#include "storage/variables.hpp"

namespace {

using moxa::Hodnota;

// Many different names, among them names that the memory of the names found last cannot
// tell apart (same length, same first, middle and last bytes) and names that are prefixes of
// others.
std::vector<std::string> jmena(int n) {
  std::vector<std::string> v = {"", "@"};
  for (int i = 0; i < n; ++i) {
    v.push_back("@v" + std::to_string(i));
    v.push_back("@a" + std::to_string(i) + "xb");
  }
  for (std::size_t d = 4; d <= 24; ++d) {  // alike but for one byte, anywhere after the '@'
    for (std::size_t i = 1; i < d; ++i) {
      std::string& j = v.emplace_back(d, 'm');
      j[0] = '@';
      j[i] = 'n';
    }
  }
  return v;
}

TEST(Storage, EveryNameKeepsOneSlotAndItsValueThroughGrowth) {
  moxa::TabulkaPromennych t;
  const auto nazvy = jmena(3000);  // the index doubles many times
  std::vector<std::int32_t> sloty;
  for (const auto& j : nazvy) {
    EXPECT_EQ(t.Vloz_do_tab(j, false), moxa::TabulkaPromennych::ZADNA) << j;
    const auto s = t.Vloz_do_tab(j, true);
    ASSERT_EQ(s, static_cast<std::int32_t>(sloty.size())) << j;
    EXPECT_EQ(t.hodnota(s).text(), "hodnota neurcena");
    t.hodnota(s) = Hodnota::text(j + "=");
    sloty.push_back(s);
  }
  // Found again, in the reverse order and twice in a row (the second from the memory of the
  // names last found), each with the value written to it.
  for (auto it = nazvy.rbegin(); it != nazvy.rend(); ++it) {
    for (bool vytvorit : {false, true}) {
      const auto s = t.Vloz_do_tab(*it, vytvorit);
      ASSERT_NE(s, moxa::TabulkaPromennych::ZADNA) << *it;
      EXPECT_EQ(t.jmeno(s), *it);
      EXPECT_EQ(t.hodnota(s).text(), *it + "=");
    }
  }
  EXPECT_NE(moxa::IndexHashu::hash("@ab"), moxa::IndexHashu::hash("@ba"));
}

TEST(Storage, TheTableForgetsEverythingAndStartsAgain) {
  moxa::TabulkaPromennych t;
  const auto a = t.Vloz_do_tab("@a", true);
  t.hodnota(a) = Hodnota::text("1");
  EXPECT_EQ(t.Vloz_do_tab("@a", false), a);
  const auto plna = t.pamet();
  t.Uvolni_tab();
  EXPECT_LT(t.pamet(), plna);
  EXPECT_EQ(t.Vloz_do_tab("@a", false), moxa::TabulkaPromennych::ZADNA);
  EXPECT_EQ(t.hodnota(t.Vloz_do_tab("@b", true)).text(), "hodnota neurcena");
  EXPECT_EQ(t.jmeno(0), "@b");
}

TEST(Storage, TheStackPopsInReverseAndGivesEmptyTextsBelowItsBottom) {
  moxa::ZasobnikHodnot z;
  EXPECT_EQ(z.vrchol_text(), "");
  EXPECT_FALSE(z.Uber_pravdivost());  // popping an empty stack: the empty text, false
  for (int i = 0; i < 100; ++i)       // past the first block: the stack grows
    z.Vloz_do_zas(Hodnota::text(std::to_string(i)));
  EXPECT_EQ(z.vyska(), 100U);
  EXPECT_EQ(z.pod_vrcholem().text(), "98");
  for (int i = 99; i >= 1; --i) {
    EXPECT_EQ(z.vrchol_text(), std::to_string(i));
    z.zahod();
  }
  EXPECT_FALSE(z.Uber_pravdivost());  // "0", a number equal to zero
  // Two values wanted with one on the stack: the missing one is an empty text beneath it.
  z.Vloz_do_zas(Hodnota::text("x"));
  z.zajisti(2);
  EXPECT_EQ(z.vyska(), 2U);
  EXPECT_EQ(z.na(0).text(), "");
  EXPECT_EQ(z.na(1).text(), "x");
  z.Uvolni_zas();
  EXPECT_EQ(z.vyska(), 0U);
}

}  // namespace
