// What a student reads about a failed test beyond its verdict, in the student's language:
// that the submission is empty, its syntax error with the explanation and the line of the
// cause as the checker finds it, a runtime error with its explanation, or, in Czech, which
// limit stopped the run. The words come from the checker's table (check/diagnostics.json).
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "assignment.hpp"
#include "check/check.hpp"
#include "verdict.hpp"

namespace moxa::grade {

// The account of one submission's failed runs. The program is looked at once, when a run
// first ends at an error, and what is found there serves the runs of every test; the runs
// of one submission may ask from several threads at once.
class Feedback {
 public:
  Feedback(const std::string& program, kontrola::Jazyk language)
      : program_(program), language_(language) {}

  // The lines put before the verdict's own account of a failed run of `test` that ended with
  // `status` (`stopped_by` the limit that stopped it) after printing `output`; empty when
  // there is nothing to add.
  std::string why(const TestCase& test, int status, int stopped_by, std::string_view output) const;

  // One line about the whole program, once a run has ended at its error: that it is empty,
  // or its syntax error on the cause's line. Empty when no run needed it or it has neither.
  std::string summary() const;

 private:
  struct Examined {
    bool empty = false;
    kontrola::Vysledek check;  // the checker's findings, the error (if any) first
  };
  const Examined& examined() const;

  const std::string& program_;
  kontrola::Jazyk language_;
  mutable std::once_flag once_;
  mutable Examined examined_;
  mutable std::atomic<bool> done_ = false;  // whether examined_ holds what was found
  // The run's message when it ended nested past the limit, which the checker does not read.
  mutable std::once_flag too_deep_once_;
  mutable std::string too_deep_;
  mutable std::atomic<bool> too_deep_seen_ = false;
};

// The verdict of a run (as `judge_run` gives it, from the same `output`, banners included)
// with, for a test that did not pass, why it failed put first, when `feedback` is given.
// The grader and the playground both judge a run so.
TestResult judge_with_feedback(const TestCase& test, int status, int stopped_by,
                               std::string_view output, const Feedback* feedback);

}  // namespace moxa::grade
