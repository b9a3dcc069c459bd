// The stack a run gets is enough for the deepest nesting allowed, in this build, with room
// to spare: each deepest program of one shape runs on a thread whose stack is painted with
// a pattern first, and the part of it that the run overwrote is what the run needed.
#include <gtest/gtest.h>

#include <pthread.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "io/streams.hpp"
#include "limits/limits.hpp"
#include "parser/interpret.hpp"
#include "tests/api/shapes.hpp"

namespace {

using moxa::testy::opakuj;
using std::string;

constexpr unsigned char VZOR = 0xA5;

struct Beh {
  const string* program;
  string vystup;
};

void* spust(void* p) {
  auto* beh = static_cast<Beh*>(p);
  moxa::CilRetezec cil(beh->vystup);
  moxa::Vystup out(cil);
  moxa::TextovyVstup zdroj(*beh->program), vstup("");
  moxa::Interpret interpret(zdroj, vstup, out);
  interpret.SA();
  interpret.uvolni();
  out.vyprazdnit();
  return nullptr;
}

// Runs `program` on a painted stack of `velikost` bytes; returns the bytes it used, and its
// output in `vystup`.
std::size_t pouzito(const string& program, std::size_t velikost, string& vystup) {
  std::vector<unsigned char> zasobnik(velikost, VZOR);
  Beh beh{&program, {}};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstack(&attr, zasobnik.data(), zasobnik.size());
  pthread_t vlakno;
  const bool ok = pthread_create(&vlakno, &attr, spust, &beh) == 0;
  pthread_attr_destroy(&attr);
  if (!ok) {
    ADD_FAILURE() << "no thread for the measurement";
    return velikost;
  }
  pthread_join(vlakno, nullptr);
  vystup = beh.vystup;
  std::size_t netknuto = 0;  // the stack grows down: the untouched part is at the bottom
  while (netknuto < zasobnik.size() && zasobnik[netknuto] == VZOR)
    ++netknuto;
  return velikost - netknuto;
}

TEST(Stack, TheDeepestProgramsFitWithRoomToSpare) {
  const int n = moxa::MAX_VNORENI - 1;  // the main block is one level more
  // Each shape: what opens a level and closes it again, around `pis_ln(7);`, or around the
  // 7 of `pis_ln(7);`.
  const struct {
    const char* jmeno;
    string otevri, zavri;
    bool vyraz;
  } tvary[] = {
      {"blocks", "i2(1){", "}i2_end;", false},
      {"else branches", "i2(0){}e2{", "}i2_end;", false},
      {"loops", "@w->1;w2(@w){@w->0;", "}w2_end;", false},
      {"brackets", "(", ")", true},
      {"calls", "~f(", ")", true},
  };
  std::size_t nejvic = 0;
  for (const auto& t : tvary) {
    // Built by appending: g++ 12 warns wrongly about `"literal" + string` here.
    string program(t.vyraz ? "{pis_ln(" : "{");
    program.append(opakuj(n, t.otevri)).append(t.vyraz ? "7" : "pis_ln(7);");
    program.append(opakuj(n, t.zavri)).append(t.vyraz ? ");}." : "}.");
    string vystup;
    const std::size_t b = pouzito(program, moxa::ZASOBNIK_BEHU, vystup);
    EXPECT_EQ(vystup, "7\n\nProgram probehl bez chyb.\n") << t.jmeno;
    std::printf("%-14s %5zu bytes of stack a level, %6.2f MiB in all\n", t.jmeno,
                b / static_cast<std::size_t>(n), static_cast<double>(b) / (1 << 20));
    if (b > nejvic) nejvic = b;
  }
  // Half of the stack at least stays free at the deepest point.
  EXPECT_LE(2 * nejvic, moxa::ZASOBNIK_BEHU)
      << "the deepest program needs " << nejvic << " bytes of the " << moxa::ZASOBNIK_BEHU;
}

}  // namespace
