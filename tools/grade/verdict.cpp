#include "verdict.hpp"

#include <cstdio>

#include "compare.hpp"
#include "moxa/moxa.h"

namespace moxa::grade {

const char* verdict_word(Verdict verdict) {
  switch (verdict) {
    case Verdict::passed: return "passed";
    case Verdict::wrong: return "wrong";
    case Verdict::output_limit: return "output";
    case Verdict::limit: return "limit";
    case Verdict::time_limit: return "time";
    case Verdict::not_graded: return "none";
  }
  return "none";
}

std::string mebibytes(std::size_t bytes) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  if (bytes % kMiB == 0) return std::to_string(bytes / kMiB);
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", static_cast<double>(bytes) / static_cast<double>(kMiB));
  return text;
}

TestResult judge_run(const TestCase& test, int status, int stopped_by, std::string_view output) {
  TestResult result;
  if (status == MOXA_STOPPED) {
    std::string why;
    switch (stopped_by) {
      case MOXA_STOP_OUTPUT:
        result.verdict = Verdict::output_limit;
        why = "stopped: the output reached its limit of " + std::to_string(test.limits.max_output) +
              " bytes";
        break;
      case MOXA_STOP_TIME:
        result.verdict = Verdict::time_limit;
        why = "stopped: the run took its limit of " + std::to_string(test.limits.max_time) +
              " ms of processor time";
        break;
      case MOXA_STOP_MEMORY:
        result.verdict = Verdict::limit;
        why = "stopped: the run reached its memory limit (" + mebibytes(test.limits.max_memory) +
              " MiB)";
        break;
      default:
        result.verdict = Verdict::limit;
        why = "stopped: the run used up its step budget (" + std::to_string(test.limits.max_steps) +
              " steps)";
    }
    result.message = why + "\npartial output:\n" + partial_output(output, kPartialOutputShown);
    return result;
  }
  if (outputs_agree(test.expected, output, test.mode)) {
    result.verdict = Verdict::passed;
    result.score = test.points;
  } else {
    result.verdict = Verdict::wrong;
    result.message = describe_difference(test.expected, output, test.mode);
  }
  return result;
}

}  // namespace moxa::grade
