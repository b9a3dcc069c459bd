// A test's verdict from how its run ended and what it printed: the one judgement that the
// grader makes for each run on its threads and the playground makes in the browser, so that a
// student sees the verdict the teacher's grader gives.
#pragma once

#include <string>
#include <string_view>

#include "assignment.hpp"

namespace moxa::grade {

// The banners the command prints around a program's own output: the opening one always, the
// closing one unless the run was stopped.
inline constexpr std::string_view kHello = "\nhello\n\n";
inline constexpr std::string_view kBye = "\nbye\n\n";

// The bytes of partial output shown when a limit stopped a run.
inline constexpr std::size_t kPartialOutputShown = 2000;

enum class Verdict {
  passed,        // the output agrees with the expected one
  wrong,         // it does not
  output_limit,  // the run printed max_output bytes and was stopped
  limit,         // the step budget or the memory limit stopped the run
  time_limit,    // the run took max_time of processor time
  not_graded     // the submission could not be run at all
};

// A number of bytes in MiB, as a limit is said: "32", "1.5", "0.0954".
std::string mebibytes(std::size_t bytes);

// A short word for the verdict, as the table, the TAP and the JUnit report name it.
const char* verdict_word(Verdict verdict);

struct TestResult {
  Verdict verdict = Verdict::not_graded;
  double score = 0;
  std::string message;  // for a test that did not pass: what happened, made visible
  double seconds = 0;
};

// The verdict of a run of `test` that ended with `status` (MOXA_OK, MOXA_ERROR or
// MOXA_STOPPED; `stopped_by` the MOXA_STOP_* that stopped it) after printing `output`, as the
// command prints it: the opening banner, and the closing one unless the run was stopped.
TestResult judge_run(const TestCase& test, int status, int stopped_by, std::string_view output);

}  // namespace moxa::grade
