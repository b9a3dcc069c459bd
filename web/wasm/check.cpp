// The playground's entry into the checker and the formatter: the findings of a program as
// one JSON text, and the program laid out anew; and, for a run that failed, the place of the
// statement that failed, from a replay of the run with its trace. Results go to JavaScript
// through `Module.prijmiVysledek`, which copies the bytes before the call returns.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdio>
#include <new>
#include <string>
#include <string_view>

#include "check/check.hpp"
#include "check/format.hpp"
#include "moxa/moxa.h"

namespace {

EM_JS(void, predej_vysledek, (const char* b, std::size_t n),
      { Module.prijmiVysledek(HEAPU8.subarray(b, b + n)); });

void predej(std::string_view s) { predej_vysledek(s.data(), s.size()); }

// A JSON string of the bytes of `s`: quotes, backslashes and control bytes escaped, every
// other byte as it is, so that the page reads the bytes back as it reads a program's.
void retezec(std::string& out, std::string_view s) {
  out += '"';
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", b);
      out += esc;
    } else {
      out += c;
    }
  }
  out += '"';
}

void misto(std::string& out, const moxa::kontrola::Misto& m) {
  out += "\"offset\":" + std::to_string(m.bajt) + ",\"length\":" + std::to_string(m.delka) +
         ",\"line\":" + std::to_string(m.radek) + ",\"column\":" + std::to_string(m.sloupec);
}

std::string json(const moxa::kontrola::Vysledek& v) {
  std::string out = "[";
  for (const auto& z : v.zjisteni) {
    if (out.size() > 1) out += ',';
    out += "{\"severity\":";
    out += z.zavaznost == moxa::kontrola::Zavaznost::Chyba ? "\"error\"," : "\"warning\",";
    misto(out, z.misto);
    out += ",\"code\":";
    retezec(out, z.kod);
    out += ",\"message\":";
    retezec(out, z.text);
    out += ",\"explanation\":";
    retezec(out, z.vysvetleni);
    out += ",\"fixes\":[";
    for (std::size_t i = 0; i < z.opravy.size(); ++i) {
      const auto& o = z.opravy[i];
      out += i == 0 ? "{" : ",{";
      misto(out, o.misto);
      out += ",\"replacement\":";
      retezec(out, o.text);
      out += ",\"title\":";
      retezec(out, o.popis);
      out += o.bezpecna ? ",\"safe\":true}" : ",\"safe\":false}";
    }
    out += "],\"notes\":[";
    bool prvni = true;
    for (const auto& p : z.poznamky) {
      if (!prvni) out += ',';
      prvni = false;
      out += '{';
      misto(out, p.misto);
      out += ",\"message\":";
      retezec(out, p.text);
      out += '}';
    }
    out += "]}";
  }
  out += ']';
  return out;
}

void zahod(void* /*user*/, const char* /*bytes*/, std::size_t /*length*/) {}

// Keeps the trace's last record, which is the only one that starts with `{"end"`.
void posledni_zaznam(void* user, const char* line, std::size_t length) {
  const std::string_view zaznam(line, length);
  if (zaznam.starts_with("{\"end\"")) static_cast<std::string*>(user)->assign(zaznam);
}

}  // namespace

extern "C" {

// Checks `program` and hands over its findings as a JSON array (the error, if any, first;
// byte offsets and lengths into the program, lines and byte columns from 1; each with its
// code, explanation and fixes), the checker's words in English when `english` is not 0, else
// in Czech. Returns 1 when the program has an error, 0 when it has none, -1 when memory ran
// out (nothing handed over).
EMSCRIPTEN_KEEPALIVE int moxa_web_check(const char* program, std::size_t program_length,
                                        int english) {
  try {
    const auto v = moxa::kontrola::zkontroluj(
        std::string_view(program, program_length),
        english != 0 ? moxa::kontrola::Jazyk::En : moxa::kontrola::Jazyk::Cs);
    predej(json(v));
    return v.ma_chybu() ? 1 : 0;
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

// Lays `program` out anew. Returns 1 and hands over the new text, or 0 and hands over why
// the program was left as it is (its first syntax error, with its line and column); -1 when
// memory ran out.
EMSCRIPTEN_KEEPALIVE int moxa_web_format(const char* program, std::size_t program_length) {
  try {
    const auto f = moxa::kontrola::naformatuj(std::string_view(program, program_length));
    predej(f.text ? *f.text : f.proc);
    return f.text ? 1 : 0;
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

// Runs `program` again on `input` (all of it at once, then the end of the input) with the
// limits of the run it replays, its output dropped, and hands over the last record of its
// trace: for an error, the line and column of the statement that failed. Returns the run's
// MOXA_OK, MOXA_ERROR or MOXA_STOPPED.
EMSCRIPTEN_KEEPALIVE int moxa_web_replay(const char* program, std::size_t program_length,
                                         const char* input, std::size_t input_length,
                                         std::size_t max_output, std::size_t max_memory) {
  std::string konec;
  moxa_options options{};
  options.size = sizeof options;
  options.max_output = max_output;
  options.max_memory = max_memory;
  options.trace = posledni_zaznam;
  options.trace_user = &konec;
  const int r =
      moxa_run_with(program, program_length, input, input_length, &options, zahod, nullptr);
  predej(konec);
  return r;
}
}
