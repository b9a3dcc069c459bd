// The debugger's request handling over arbitrary input. The first byte chooses how the rest
// is read: odd, as the raw byte stream an editor would send (headers, bodies, any garbage),
// every path naming one small program; even, as a program that a session launches, stops at
// its entry and moves through with commands taken from the program's own first bytes:
// steps, steps back, continues to breakpoints and back, steps out, with the stack, the
// variables and a hover at every stop. Every message is JSON; every request gets exactly
// one answer; a command that moves the run ends in a stop or the run's end, never a hang.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/protocol.hpp"
#include "tools/dap/adapter.hpp"
#include "tools/lsp/framing.hpp"

namespace {

using moxa::fuzz::nalez;
using nlohmann::json;

// What the adapter sends, parsed, for the session to wait on.
class Prijem {
 public:
  void operator()(const std::string& z) {
    json j = json::parse(z, nullptr, false);
    if (!j.is_object()) nalez("a message that is not a JSON object", z);
    const std::lock_guard<std::mutex> zamek(m_);
    zpravy_.push_back(std::move(j));
    cv_.notify_all();
  }
  // The one response to request `seq`.
  json odpoved(std::int64_t seq) {
    std::unique_lock<std::mutex> zamek(m_);
    json r;
    for (const auto& z : zpravy_)
      if (z.value("type", "") == "response" && z.value("request_seq", -1) == seq) {
        if (!r.is_null()) nalez("two answers to one request", z.dump());
        r = z;
      }
    if (r.is_null()) nalez("a request without an answer", std::to_string(seq));
    return r;
  }
  // Waits for a stop or the run's end after message `od`; true at a stop.
  bool zastaveni(std::size_t od) {
    std::unique_lock<std::mutex> zamek(m_);
    for (;;) {
      for (; od < zpravy_.size(); ++od) {
        const std::string u = zpravy_[od].value("event", "");
        if (u == "stopped") return true;
        if (u == "terminated") return false;
      }
      cv_.wait(zamek);
    }
  }
  std::size_t pocet() {
    const std::lock_guard<std::mutex> zamek(m_);
    return zpravy_.size();
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  std::vector<json> zpravy_;
};

const std::string MALY =
    "{\n  @i -> 0;\n  w2 (@i < 3) {\n    pis(@i);\n    @i -> @i + 1;\n"
    "  } w2_end;\n} .\n";

void surovy_proud(std::string_view vstup) {
  Prijem prijem;
  std::istringstream in{std::string(vstup)};
  moxa::dap::Adapter adapter([&prijem](const std::string& z) { prijem(z); },
                             [](const std::string&, std::string&) { return MALY; });
  moxa::lsp::obsluhuj(*in.rdbuf(), [&adapter](const std::string& telo) {
    adapter.zprava(telo);
    return adapter.skoncil();
  });
}

void relace(std::string_view text) {
  Prijem prijem;
  const std::string program(text);
  moxa::dap::Adapter adapter([&prijem](const std::string& z) { prijem(z); },
                             [&program](const std::string&, std::string&) { return program; });
  std::int64_t seq = 0;
  auto pozadavek = [&](const char* prikaz, json argumenty) {
    ++seq;
    adapter.zprava(
        json{{"seq", seq}, {"type", "request"}, {"command", prikaz}, {"arguments", argumenty}}
            .dump());
    return prijem.odpoved(seq);
  };
  pozadavek("initialize", json::object());
  json zarazky = json::array();
  for (std::size_t i = 0; i < text.size() && i < 3; ++i)
    zarazky.push_back({{"line", static_cast<unsigned char>(text[i]) % 16},
                       {"hitCondition", i == 1 ? "% 2" : ""}});
  std::size_t od = prijem.pocet();
  pozadavek("launch", {{"program", "p.mox"}, {"stopOnEntry", true}, {"maxSteps", 20000}});
  pozadavek("setBreakpoints", {{"source", {{"path", "p.mox"}}}, {"breakpoints", zarazky}});
  pozadavek("configurationDone", json::object());
  const char* prikazy[] = {"next", "stepBack", "continue", "reverseContinue", "stepOut"};
  bool stoji = prijem.zastaveni(od);
  for (std::size_t i = 0; stoji && i < 12; ++i) {
    const json st = pozadavek("stackTrace", {{"threadId", 1}});
    if (!st.value("success", false) || st["body"]["stackFrames"].empty())
      nalez("no stack at a stop", st.dump());
    pozadavek("variables", {{"variablesReference", 1 + i % 2}});
    pozadavek("evaluate", {{"expression", "@i"}, {"context", "hover"}});
    const char* p = prikazy[static_cast<unsigned char>(text[i % text.size()]) % 5];
    od = prijem.pocet();
    if (!pozadavek(p, {{"threadId", 1}}).value("success", false)) nalez("a refused step", p);
    stoji = prijem.zastaveni(od);
  }
  pozadavek("disconnect", json::object());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return moxa::fuzz::rozdel(data, size, 2, surovy_proud, relace);
}
