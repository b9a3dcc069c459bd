// The reports: a table for a person, and the files that grading platforms, CI systems and
// spreadsheets read (Gradescope's results.json, JUnit XML, TAP, CSV). Each takes the
// submissions one by one, in order, and keeps none of them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "assignment.hpp"
#include "run.hpp"

namespace moxa::grade {

enum class Format { table, gradescope, junit, tap, csv };

struct ReportSettings {
  Format format = Format::table;
  bool details = false;                          // the table: each failed test's account
  std::optional<std::filesystem::path> out_dir;  // gradescope: one folder per submission
};

class Report {
 public:
  virtual ~Report() = default;
  virtual void begin() {}
  virtual void submission(const Submission& submission, const GradedSubmission& graded) = 0;
  // The grading stopped before every submission was reported, for the reason given; end()
  // follows.
  virtual void stopped(const std::string& /*why*/) {}
  virtual void end() {}
};

// A report writing to `out` (or, for gradescope with an out_dir, into files there).
std::unique_ptr<Report> make_report(const ReportSettings& settings, const Assignment& assignment,
                                    const std::vector<Submission>& submissions, std::ostream& out);

// A number of points as people write it: 2, 1.5, 0.333333.
std::string points_text(double points);

}  // namespace moxa::grade
