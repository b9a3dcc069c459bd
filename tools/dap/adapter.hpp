// The Debug Adapter Protocol for moxa programs: one object per session, fed one message body
// at a time; it sends its responses and events, each a JSON text ready to be framed,
// through the function it is given (from the caller's thread and from the run's).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "tools/dap/debugger.hpp"

namespace moxa::dap {

class Adapter {
 public:
  using Posli = std::function<void(const std::string&)>;
  // Reads a whole file for `launch` (the program, the input); nullopt with the reason in
  // `chyba` when it cannot.
  using Cteni = std::function<std::optional<std::string>(const std::string&, std::string&)>;

  explicit Adapter(Posli posli, Cteni cteni = soubor);
  ~Adapter();
  Adapter(const Adapter&) = delete;
  Adapter& operator=(const Adapter&) = delete;

  void zprava(std::string_view telo);
  // After `disconnect`: the session is over.
  bool skoncil() const { return skoncil_; }

  static std::optional<std::string> soubor(const std::string& cesta, std::string& chyba);

 private:
  using json = nlohmann::json;

  void posli(json zprava);
  void udalost(const std::string& jmeno, json telo);
  void odpovez(const json& pozadavek, json telo = json::object());
  void odmitni(const json& pozadavek, const std::string& proc);
  void pozadavek(const json& p);

  bool spust_program(const json& p, const json& argumenty);
  json zarazky(const std::string& cesta, const json& argumenty, bool poslat_zmeny);
  json zasobnik() const;
  json promenne(std::int64_t odkaz) const;
  bool stejny_soubor(const std::string& cesta) const;
  void zacni();

  Posli posli_;
  Cteni cteni_;
  std::mutex posilani_;
  std::int64_t seq_ = 1;

  std::unique_ptr<Ladeni> ladeni_;
  std::string cesta_;  // the program's path as launched
  json spusteni_;      // the launch arguments
  bool na_zacatku_ = false;
  bool nastaveno_ = false;  // configurationDone has come
  bool na_chybe_ = true;
  std::map<std::string, json> zarazky_;  // by source path: the last setBreakpoints arguments
  std::map<std::string, std::map<int, json>> vydane_;  // breakpoints as last reported
  int dalsi_id_ = 1;
  bool skoncil_ = false;
};

}  // namespace moxa::dap
