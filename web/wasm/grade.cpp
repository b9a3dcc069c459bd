// The grader's judgement in the playground: the page runs a visible test of an assignment
// bundle with `moxa_web_run` and hands the output here, where the grader's own comparison and
// verdict code decides it, so that the student sees the verdict `moxa-grade` gives.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "grade/feedback.hpp"

namespace {

// Hands the verdict word, the points earned and the message (UTF-8 bytes) to the page's
// worker, which copies them before the call returns.
EM_JS(void, predej_verdikt, (const char* slovo, double body, const char* b, std::size_t n),
      { Module.onVerdict(UTF8ToString(slovo), body, HEAPU8.slice(b, b + n)); });

}  // namespace

extern "C" {

// Judges a run of a test: `expected` is the test's expected output, `output` what the run
// printed, banners included (as `moxa_web_run` passes it on), `mode` the comparison mode (0
// exact, 1 trailing, 2 whitespace, 3 numbers), `status` what `moxa_web_run` returned and
// `stopped_by` the limit that stopped it. The limits and points are the test's. `program` is
// the program that ran, and `czech` (0 or 1) the page's language: a failed test says why
// first, as the grader's feedback does. The verdict goes to `Module.onVerdict`.
EMSCRIPTEN_KEEPALIVE void moxa_web_judge(const char* expected, std::size_t expected_length,
                                         const char* output, std::size_t output_length, int mode,
                                         int status, int stopped_by, double points,
                                         double max_steps, std::size_t max_output,
                                         std::size_t max_memory, double max_time,
                                         const char* program, std::size_t program_length,
                                         int czech) {
  using namespace moxa::grade;
  TestCase test;
  test.expected.assign(expected, expected_length);
  test.mode = mode >= 0 && mode <= 3 ? static_cast<Mode>(mode) : Mode::exact;
  test.points = points;
  test.limits.max_steps = static_cast<unsigned long long>(max_steps);
  test.limits.max_output = max_output;
  test.limits.max_memory = max_memory;
  test.limits.max_time = static_cast<unsigned long long>(max_time);
  const std::string text(program, program_length);
  const Feedback feedback(text, czech == 1 ? moxa::kontrola::Jazyk::Cs : moxa::kontrola::Jazyk::En);
  const TestResult result = judge_with_feedback(test, status, stopped_by,
                                                std::string_view(output, output_length), &feedback);
  predej_verdikt(verdict_word(result.verdict), result.score, result.message.data(),
                 result.message.size());
}
}
