// The language server's message handling over arbitrary input. The first byte chooses how
// the rest is read: odd, as the raw byte stream an editor would send (headers, bodies, any
// garbage); even, as the text of a document that a short session opens and asks about at
// places taken from the input. Every answer is JSON; a request gets exactly one answer with
// its id; semantic tokens come in fives, in order, and stay on the document's lines.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/protocol.hpp"
#include "tools/lsp/framing.hpp"
#include "tools/lsp/server.hpp"

namespace {

using moxa::fuzz::nalez;
using nlohmann::json;

std::vector<json> odpovedi(moxa::lsp::Server& s, const json& zprava) {
  std::vector<std::string> ven;
  s.zprava(zprava.dump(-1, ' ', false, json::error_handler_t::replace), ven);
  std::vector<json> r;
  for (const auto& v : ven) {
    json j = json::parse(v, nullptr, false);
    if (j.is_discarded()) nalez("an answer that is not JSON", v);
    r.push_back(std::move(j));
  }
  return r;
}

json pozadavek(int id, const char* metoda, json parametry) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"method", metoda}, {"params", std::move(parametry)}};
}

const json& odpoved(const std::vector<json>& r, int id) {
  const json* nalezena = nullptr;
  for (const auto& j : r)
    if (j.contains("id") && j["id"] == id) {
      if (nalezena != nullptr) nalez("two answers to one request", j.dump());
      nalezena = &j;
    }
  if (nalezena == nullptr) nalez("a request without an answer", std::to_string(id));
  return *nalezena;
}

void surovy_proud(std::string_view vstup) {
  std::istringstream in{std::string(vstup)};
  moxa::lsp::Server server;
  std::vector<std::string> ven;
  moxa::lsp::obsluhuj(*in.rdbuf(), [&](const std::string& telo) {
    ven.clear();
    server.zprava(telo, ven);
    for (const auto& v : ven)
      if (json::parse(v, nullptr, false).is_discarded()) nalez("an answer that is not JSON", v);
    return server.skoncil();
  });
}

void relace(std::string_view text) {
  moxa::lsp::Server s;
  const std::string uri = "file:///f.mox";
  odpovedi(s, pozadavek(1, "initialize", json::object()));
  const std::string dokument(text);
  odpovedi(s, {{"jsonrpc", "2.0"},
               {"method", "textDocument/didOpen"},
               {"params", {{"textDocument", {{"uri", uri}, {"version", 1}, {"text", dokument}}}}}});
  const json td = {{"uri", uri}};
  // Lines as the protocol counts them: a line ends at "\r\n", "\r" or "\n".
  std::size_t radku = 1;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
      ++radku;
  auto r = odpovedi(s, pozadavek(2, "textDocument/semanticTokens/full", {{"textDocument", td}}));
  const json& data = odpoved(r, 2)["result"]["data"];
  if (data.size() % 5 != 0) nalez("semantic tokens not in fives", data.dump());
  std::size_t radek = 0;
  for (std::size_t i = 0; i < data.size(); i += 5) {
    radek += data[i].get<std::size_t>();
    if (data[i + 2].get<std::size_t>() == 0) nalez("an empty semantic token", data.dump());
  }
  if (radek >= radku) nalez("a semantic token past the last line", data.dump());
  odpoved(odpovedi(s, pozadavek(3, "textDocument/documentSymbol", {{"textDocument", td}})), 3);
  int id = 4;
  // Places from the text itself: the byte values as lines and columns.
  for (std::size_t i = 0; i + 1 < text.size() && i < 8; i += 2) {
    const json p = {{"line", static_cast<unsigned char>(text[i]) % (radku + 1)},
                    {"character", static_cast<unsigned char>(text[i + 1])}};
    for (const char* m :
         {"textDocument/definition", "textDocument/hover", "textDocument/completion"}) {
      odpoved(odpovedi(s, pozadavek(id, m, {{"textDocument", td}, {"position", p}})), id);
      ++id;
    }
  }
  odpoved(odpovedi(s, pozadavek(id, "textDocument/formatting", {{"textDocument", td}})), id);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return moxa::fuzz::rozdel(data, size, 1, surovy_proud, relace);
}
