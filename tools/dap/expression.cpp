#include "tools/dap/expression.hpp"

#include <cctype>
#include <nlohmann/json.hpp>
#include <vector>

#include "driver/run.hpp"
#include "trace/trace.hpp"

namespace moxa::dap {

namespace {

// Texts that the grammar takes for an operator or a bracket even as string literals.
bool je_znamenko(std::string_view t) {
  for (const std::string_view z : {"(", ")", "{", "}", "+",  "-",  "*",  "/", "%", "|", "&",
                                   "!", "<", ">", "=", "!=", "<=", ">=", ";", ".", "->"})
    if (t == z) return true;
  return false;
}

// Whether `"text"` is a string literal with exactly this text: '/' keeps the byte after it
// with itself, so only an unescaped quote, a '/' at the end and a zero byte spoil it.
bool jako_literal(std::string_view b) {
  if (je_znamenko(b)) return false;
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (b[i] == '\0' || b[i] == '"') return false;
    if (b[i] == '/') {
      if (i + 1 == b.size() || b[i + 1] == '\0') return false;
      ++i;
    }
  }
  return true;
}

// Whether `cti` reads exactly this word.
bool jako_slovo(std::string_view b) {
  if (b.empty() || b.size() > 250) return false;
  for (const char c : b)
    if (c == '\0' || std::isspace(static_cast<unsigned char>(c))) return false;
  return true;
}

void sbirej(void* user, const char* radek, std::size_t n) {
  static_cast<std::vector<std::string>*>(user)->emplace_back(radek, n);
}

}  // namespace

std::string z_bajtu(std::string_view bajty) {
  std::string r;
  r.reserve(bajty.size());
  for (const char c : bajty) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      r.push_back(c);
    } else {
      r.push_back(static_cast<char>(0xC0 | (b >> 6)));
      r.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
  }
  return r;
}

std::string na_bajty(std::string_view text) {
  std::string r;
  r.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if ((b == 0xC2 || b == 0xC3) && i + 1 < text.size()) {
      const auto d = static_cast<unsigned char>(text[i + 1]);
      r.push_back(static_cast<char>(((b & 0x03) << 6) | (d & 0x3F)));
      ++i;
    } else {
      r.push_back(static_cast<char>(b));
    }
  }
  return r;
}

Hodnota vyhodnot(const std::map<std::string, std::string>& promenne, std::string_view vyraz) {
  Hodnota h;
  const std::string v = na_bajty(vyraz);
  if (v.find_first_not_of(" \t\r\n") == std::string::npos) {
    h.chyba = "an empty expression";
    return h;
  }
  std::string program = "{";
  std::string vstup;
  for (const auto& [jmeno, hodnota] : promenne) {
    if (v.find(jmeno) == std::string::npos) continue;
    const std::string b = na_bajty(hodnota);
    if (jako_literal(b)) {
      program += " " + jmeno + " -> \"" + b + "\";";
    } else if (jako_slovo(b)) {
      program += " cti(" + jmeno + ");";
      vstup += b + "\n";
    } else {
      h.chyba = "the value of " + jmeno + " cannot be given to an expression";
      return h;
    }
  }
  // The expression on lines of its own, so that a comment in it ends with its line.
  program += "\npis(" + v + "\n);\ni2 (" + v + "\n) { } i2_end;\n} .\n";
  std::vector<std::string> stopa_radky;
  Stopa stopa(&sbirej, &stopa_radky);
  Nastaveni n;
  n.limit_kroku = 1000000;
  n.limit_pameti = std::size_t{64} << 20;
  n.limit_vystupu = std::size_t{1} << 20;
  n.tichy_limit_kroku = true;
  n.kroky_za_texty = true;
  n.stopa = &stopa;
  spust_text(program, vstup, n);
  bool tisk = false;
  for (const auto& r : stopa_radky) {
    const auto j = nlohmann::json::parse(r, nullptr, false);
    if (!j.is_object()) continue;
    if (j.value("kind", "") == "print") {
      h.text = j.value("text", "");
      tisk = true;
    } else if (j.value("kind", "") == "if") {
      h.pravda = j.value("taken", false);
      h.ok = tisk;
    } else if (j.contains("end") && j["end"] != "ok") {
      h.ok = false;
      h.chyba = j.value("message", "");
      if (h.chyba.empty())
        h.chyba = j["end"] == "stopped" ? "the expression takes too long" : "not an expression";
      while (!h.chyba.empty() && h.chyba.back() == '\n')
        h.chyba.pop_back();
    }
  }
  if (!h.ok && h.chyba.empty()) h.chyba = "not an expression";
  return h;
}

}  // namespace moxa::dap
