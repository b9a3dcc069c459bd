// The debugger's engine: runs a program with its trace on a thread of its own, keeps the
// state the trace describes (variables, value stack, output, the loops under way), stops
// before the steps its commands and breakpoints ask for, and goes back by running the
// program again, which, given the same input, takes the same steps.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "tools/dap/blocks.hpp"

namespace moxa {
class Budik;
class Vystup;
}  // namespace moxa

namespace moxa::dap {

// The run's limits, as the library's options have them (0: none).
struct Limity {
  std::uint64_t kroky = 0;
  std::uint64_t cas_ms = 0;
  std::size_t vystup = 0;
  std::size_t pamet = 0;
};

// The state of a run after its first `krok` steps. Texts are as the trace writes them: each
// byte a code point from 0 to 255, in UTF-8.
struct Stav {
  std::uint64_t krok = 0;
  std::map<std::string, std::string> promenne;
  std::vector<std::string> zasobnik;  // bottom first
  std::size_t vystup = 0;             // bytes written by then, the opening banner included
  std::map<std::size_t, std::uint64_t> pruchody;  // the loops under way: passes begun
  std::uint64_t radek = 0;                        // the line of step `krok`; 0 before the first
};

struct Zarazka {
  int id = 0;
  std::uint64_t radek = 0;
  std::string podminka;  // a moxa expression; empty: none
  std::string pocet;     // when to stop by the count of hits; empty: at every hit
};

// Where a stopped run stands: before step `krok`, its state being the one after the step
// before; or at the error that ended it (then `krok` is one past the last step).
struct Misto {
  std::uint64_t krok = 0;
  std::uint64_t radek = 0;
  std::uint64_t sloupec = 0;
  bool chyba = false;
  std::string zprava;  // the error's message, as printed
};

// Whether `pocet` hits satisfy a hit condition: "N" or ">= N" (from the Nth hit on), "> N",
// "= N" or "== N" (only the Nth), "< N", "<= N", "% N" (every Nth). False for a condition
// that is none of these; `platna` says whether it is one.
bool pocet_plati(std::string_view podminka, std::uint64_t pocet, bool* platna = nullptr);

class Ladeni {
 public:
  // Receives each event to send, its name and body; called from the run's thread or from
  // the caller's, never from two at once.
  using Udalost = std::function<void(const std::string&, nlohmann::json)>;

  Ladeni(std::string program, std::string vstup, Limity limity, Udalost udalost);
  ~Ladeni();
  Ladeni(const Ladeni&) = delete;
  Ladeni& operator=(const Ladeni&) = delete;

  void zarazky(std::vector<Zarazka> z);
  void na_chybe(bool zastavit);

  // Runs the program from its beginning (again), stopping before its first step if asked.
  void spust(bool na_zacatku);
  // Commands for a stopped run; false when it is not stopped.
  bool pokracuj();
  bool krok();
  bool ven();  // to the first step after the innermost enclosing loop or conditional
  bool zpet();
  bool zpet_k_zarazce();
  void pauza();
  // Ends the run, sending nothing more.
  void zastav();

  bool stoji() const;
  // The state and place while stopped.
  Stav stav() const;
  Misto misto() const;
  // What the run has written up to where it stands (going back, no more than by then): the
  // last `nejvic` bytes of it, and how many bytes there are in all.
  std::pair<std::string, std::size_t> vystup(std::size_t nejvic) const;
  const Mapa& mapa() const { return mapa_; }
  const std::string& program() const { return program_; }

  // Steps between the states kept for going back (grows when they take much memory).
  std::uint64_t interval() const;

 private:
  struct Beh;
  enum class Rezim : std::uint8_t { Volne, Krok, Ven, NaKrok, Hledani };

  void pracuj(std::uint64_t generace);
  void spust_vlakno();
  void zaznam(Beh& beh, std::string_view radek);
  bool prijmi(std::uint64_t generace, const char* data, std::size_t n);
  bool zastavit_pred(std::uint64_t radek, std::uint64_t sloupec, std::string_view druh,
                     std::string& duvod, nlohmann::json& zasazene);
  bool zarazka_zde(std::uint64_t radek, std::string_view druh, const Stav& s,
                   std::map<int, std::uint64_t>& zasahy, nlohmann::json* zasazene);
  void uplatni(const nlohmann::json& z, Stav& s);
  void uloz_kontrolu();
  void posli_vystup(std::size_t do_);
  void cekej(std::unique_lock<std::mutex>& zamek, Beh& beh, nlohmann::json telo);
  void cekej_na_konec(std::unique_lock<std::mutex>& zamek, Beh& beh);
  void znovu(std::uint64_t cil, const std::string& duvod);
  void ukonci_vlakno();

  const std::string program_;
  const std::string vstup_;
  const Limity limity_;
  const Udalost udalost_;
  const Mapa mapa_;

  mutable std::mutex m_;
  std::condition_variable cv_;
  std::thread vlakno_;
  std::uint64_t generace_ = 0;  // a run whose generation is older has been ended
  Budik* budik_ = nullptr;      // the running run's alarm, to stop it

  Rezim rezim_ = Rezim::Volne;
  bool pauza_ = false;
  bool stoji_ = false;
  bool konec_ = false;     // the run has ended
  std::uint64_t cil_ = 0;  // NaKrok: the step to stop before; Hledani: the step it ends at
  std::string duvod_cile_;
  std::size_t ven_od_ = 0, ven_po_ = 0;  // Ven: the bytes to leave
  std::uint64_t preskocit_ = 0;          // records before the state the run starts from
  bool na_chybe_ = true;
  std::vector<Zarazka> zarazky_;
  std::map<int, std::uint64_t> zasahy_;
  // Hledani: the last step before `cil_` where a breakpoint stops, and whether the search
  // needs the whole state (a breakpoint with a condition).
  std::uint64_t nalezeno_ = 0;
  bool hledani_hotovo_ = false;
  bool hledani_uplne_ = false;
  std::map<int, std::uint64_t> hledani_zasahy_;

  Stav stav_;
  Misto misto_;
  std::string vystup_;        // everything this run has written
  std::size_t odeslano_ = 0;  // bytes of output already sent, over all runs since the start
  std::map<std::uint64_t, Stav> kontroly_;  // states kept every `interval_` steps
  std::uint64_t interval_ = 1024;
  std::size_t velikost_kontrol_ = 0;
  // The blocks around each place where a step has stood, found once.
  std::unordered_map<std::size_t, std::vector<std::size_t>> obaly_;
};

}  // namespace moxa::dap
