// The playground's entry into the interpreter: one run of a program held in the module's
// memory, its output passed to JavaScript piece by piece as it is written. The page's
// worker calls `moxa_web_run` and receives the bytes through `Module.onOutput`; when the run
// reads past its input, it asks `Module.vstupHned` or `Module.vstupCekej` for more. A run for
// the step view also passes its trace, line by line, to `Module.onTrace`.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <string_view>

#include "limits/limits.hpp"
#include "moxa/moxa.h"

namespace {

// Hands the bytes [b, b + n) to the worker, which copies them before the call returns.
EM_JS(void, predej_vystup, (const char* b, std::size_t n),
      { Module.onOutput(HEAPU8.subarray(b, b + n)); });

// More input, at most `n` bytes into `b`: how many, 0 at the end of the input. The first
// answers at once; the second may return a promise, on which the module suspends where the
// worker wrapped it for that (see run.js).
EM_JS(std::size_t, vstup_hned, (char* b, std::size_t n), { return Module.vstupHned(b, n); });
EM_JS(std::size_t, vstup_cekej, (char* b, std::size_t n), { return Module.vstupCekej(b, n); });

// The trace of a run: its records go to the worker until `nejvys` steps have gone by; the
// worker is told once when the run goes past them (the page then stops it). The end record
// always goes.
EM_JS(void, predej_stopu, (const char* b, std::size_t n),
      { Module.onTrace(HEAPU8.subarray(b, b + n)); });
EM_JS(void, stopa_plna, (), { Module.onTraceFull(); });

struct Stopa {
  unsigned long long nejvys = 0;
  unsigned long long kroku = 0;
  bool plna = false;
};

void zaznamenej(void* user, const char* line, std::size_t length) {
  auto& stopa = *static_cast<Stopa*>(user);
  const std::string_view zaznam(line, length);
  if (!zaznam.starts_with("{\"end\"") && ++stopa.kroku > stopa.nejvys) {
    if (!stopa.plna) stopa_plna();
    stopa.plna = true;
    return;
  }
  predej_stopu(line, length);
}

void zapis(void* /*user*/, const char* bytes, std::size_t length) {
  if (length > 0) predej_vystup(bytes, length);
}

std::size_t cti_hned(void* /*user*/, char* buffer, std::size_t capacity) {
  return vstup_hned(buffer, capacity);
}

std::size_t cti_s_cekanim(void* /*user*/, char* buffer, std::size_t capacity) {
  return vstup_cekej(buffer, capacity);
}

// A whole number from JavaScript: what is not a number from 0 up to 2^64 is 0 (none).
unsigned long long cele(double x) {
  return x >= 1 && x < 18446744073709551616.0 ? static_cast<unsigned long long>(x) : 0;
}

void pis(std::string_view text) { predej_vystup(text.data(), text.size()); }

}  // namespace

extern "C" {

// Runs `program` with `input` as the words of `cti`, as `moxa FILE` would: the opening and
// closing lines included. A limit of 0 is no limit (`max_steps` comes as a double, since
// JavaScript numbers are). `cteni` says where `cti` reads once `input` is used up: 0 nowhere
// (the input has ended), 1 from `Module.vstupHned`, 2 from `Module.vstupCekej`. Returns
// MOXA_OK, MOXA_ERROR or MOXA_STOPPED; a stopped run gets no closing line, for it did not end.
// `kroku_stopy` above 0 passes the run's trace to `Module.onTrace`, at most that many steps
// and the end record (see Stopa). `zastaveno`, when not null, gets the MOXA_STOP_* that
// stopped the run. `max_time` is the run's own time limit in milliseconds (0: none), counted
// on the clock `time_clock` names (MOXA_WALL_CLOCK or MOXA_CPU_CLOCK), as the grader counts it.
EMSCRIPTEN_KEEPALIVE int moxa_web_run(const char* program, std::size_t program_length,
                                      const char* input, std::size_t input_length, double max_steps,
                                      std::size_t max_output, std::size_t max_memory, int cteni,
                                      double kroku_stopy, int* zastaveno, double max_time,
                                      int time_clock) {
  Stopa stopa;
  stopa.nejvys = static_cast<unsigned long long>(kroku_stopy);
  moxa_options options{};
  options.size = sizeof options;
  options.max_steps = static_cast<unsigned long long>(max_steps);
  options.max_output = max_output;
  options.max_memory = max_memory;
  options.stopped_by = zastaveno;
  options.max_time = cele(max_time);
  options.time_clock = time_clock == MOXA_CPU_CLOCK ? MOXA_CPU_CLOCK : MOXA_WALL_CLOCK;
  if (cteni == 1) options.read = cti_hned;
  if (cteni == 2) options.read = cti_s_cekanim;
  if (stopa.nejvys > 0) {
    options.trace = zaznamenej;
    options.trace_user = &stopa;
  }
  pis(MOXA_OPENING);
  const int r =
      moxa_run_with(program, program_length, input, input_length, &options, zapis, nullptr);
  if (r != MOXA_STOPPED) pis(MOXA_CLOSING);
  return r;
}

EMSCRIPTEN_KEEPALIVE const char* moxa_web_version() { return moxa_version(); }

// The most levels that may be open at once in this build.
EMSCRIPTEN_KEEPALIVE int moxa_web_nesting_limit() { return moxa::MAX_VNORENI; }
}
