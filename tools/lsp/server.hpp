// The language server's state and its answers: one object per connection, fed one message
// body at a time, which answers with the messages to send back.
#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "check/check.hpp"
#include "tools/lsp/document.hpp"

namespace moxa::lsp {

class Server {
 public:
  // Handles one message; the answers and notifications it causes are appended to `ven`,
  // each a JSON text ready to be framed.
  void zprava(std::string_view telo, std::vector<std::string>& ven);

  // After the `exit` notification: the connection is over.
  bool skoncil() const { return skoncil_; }
  // The exit status: 0 when `shutdown` came before the end, 1 otherwise.
  int status() const { return vypnut_ ? 0 : 1; }

 private:
  using json = nlohmann::json;

  void pozadavek(const std::string& metoda, const json& id, const json& parametry,
                 std::vector<std::string>& ven);
  void oznameni(const std::string& metoda, const json& parametry, std::vector<std::string>& ven);

  json inicializuj(const json& parametry);
  std::string semanticke_tokeny(const Dokument& d) const;
  json symboly(const Dokument& d) const;
  json definice(const Dokument& d, Pozice p, const std::string& uri) const;
  json hover(const Dokument& d, Pozice p) const;
  json doplneni(const Dokument& d, Pozice p) const;
  json formatovani(const Dokument& d, std::vector<std::string>& ven) const;
  json diagnostika(const Dokument& d, const std::string& uri) const;
  json jedna_diagnostika(const Dokument& d, const kontrola::Zjisteni& z,
                         const std::string& uri) const;
  json akce(const Dokument& d, const json& parametry, const std::string& uri) const;

  const Dokument* dokument(const json& parametry) const;
  json rozsah(const Dokument& d, std::size_t od, std::size_t po) const;

  std::map<std::string, Dokument, std::less<>> dokumenty_;
  bool inicializovan_ = false;
  bool vypnut_ = false;  // `shutdown` answered: only `exit` is expected
  bool skoncil_ = false;
  bool souvisejici_ = false;                     // the client shows a diagnostic's related places
  kontrola::Jazyk jazyk_ = kontrola::Jazyk::En;  // of the checker's words: initialize's locale
};

}  // namespace moxa::lsp
