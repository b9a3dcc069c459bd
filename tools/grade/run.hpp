// Grading itself: what a submission is, one test run through the library, and every
// submission against every test on a pool of threads, with the results handed on in the
// order of the submissions.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "assignment.hpp"
#include "check/check.hpp"
#include "feedback.hpp"
#include "moxa/moxa.h"
#include "verdict.hpp"

namespace moxa::grade {

// A submission named on the command line: a .mox file, or a folder holding exactly one.
struct Submission {
  std::string name;            // the file's name without .mox, or the folder's name
  std::filesystem::path file;  // the program, when there is one
  std::string problem;         // why it cannot be graded; empty when it can
};

Submission find_submission(const std::filesystem::path& argument);

struct GradedSubmission {
  std::vector<TestResult> tests;  // in the order of the assignment's tests
  std::string problem;            // as Submission::problem, or that its file could not be read
  std::string feedback;           // one line about the whole program (Feedback::summary)
  double score = 0;
  double seconds = 0;
};

// The library's options for a run under `limits`, as the grader runs every test: `max_time`
// counts the run's own processor time, which does not grow while other runs have the
// processor, so the limit means the same however many runs go on at once.
moxa_options run_options(const RunLimits& limits);

// Runs one test: `program` with the test's input and limits, compared by the test's mode.
// With `feedback` (made for the same program), a failed run's message begins with why it
// failed.
TestResult run_test(const std::string& program, const TestCase& test,
                    const Feedback* feedback = nullptr);

// Grades every submission against every test on `jobs` threads. `report` is called on the
// calling thread once per submission, in the order given, as soon as that submission and all
// before it are done; a submission's results are dropped after that, so memory is bounded by
// the number of threads, not the number of submissions. A submission's program is read only
// when it is a regular file of at most the assignment's max_program bytes.
//
// When `stop` is asked for, no more runs are started; the runs under way are let finish and
// nothing more is reported. Returns true when every submission was reported, false when the
// grading was stopped before.
//
// A failed test's message begins with why it failed, in `language` (see Feedback).
bool grade_all(const Assignment& assignment, const std::vector<Submission>& submissions,
               unsigned jobs,
               const std::function<void(std::size_t, const GradedSubmission&)>& report,
               std::stop_token stop = {}, kontrola::Jazyk language = kontrola::Jazyk::En);

// The processors this process may run on: those its affinity allows, and no more than a
// CPU quota of its control group grants (cgroup v2's cpu.max, here or in a group above).
// At least 1.
unsigned usable_cpus();

}  // namespace moxa::grade
