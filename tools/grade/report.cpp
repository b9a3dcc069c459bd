#include "report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <sstream>
#include <stdexcept>

#include "compare.hpp"
#include "report_file.hpp"

namespace moxa::grade {

namespace fs = std::filesystem;

std::string points_text(double points) {
  char text[64];
  if (points == std::floor(points) && std::fabs(points) < 1e15) {
    std::snprintf(text, sizeof text, "%.0f", points);
  } else {
    std::snprintf(text, sizeof text, "%g", points);
  }
  return text;
}

namespace {

std::string seconds_text(double seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

// The first line of a message, for the places that take one line.
std::string first_line(const std::string& message) { return message.substr(0, message.find('\n')); }

std::size_t display_width(const std::string& text) {
  // A character a column: the marks for a space and a tab and the letters of a name, which
  // are all that a visible text holds beyond ASCII.
  std::size_t width = 0;
  for (const char c : text)
    if ((static_cast<unsigned char>(c) & 0xc0) != 0x80) ++width;
  return width;
}

std::string pad_right(const std::string& text, std::size_t width) {
  return text + std::string(width - std::min(width, display_width(text)), ' ');
}

std::string pad_left(const std::string& text, std::size_t width) {
  return std::string(width - std::min(width, display_width(text)), ' ') + text;
}

class TableReport final : public Report {
 public:
  TableReport(const Assignment& assignment, const std::vector<Submission>& submissions,
              bool details, std::ostream& out)
      : assignment_(assignment), details_(details), out_(out) {
    name_width_ = display_width(std::string("submission"));
    for (const Submission& submission : submissions)
      name_width_ = std::max(name_width_, display_width(printable_name(submission.name)));
    for (const TestCase& test : assignment.tests)
      widths_.push_back(std::max<std::size_t>(6, display_width(printable_name(test.name))));
    total_width_ = std::max<std::size_t>(5, points_text(assignment.max_score()).size() * 2 + 1);
  }

  void begin() override {
    std::string header = pad_right("submission", name_width_);
    std::string points = pad_right("(points)", name_width_);
    for (std::size_t t = 0; t < assignment_.tests.size(); ++t) {
      header += "  " + pad_left(printable_name(assignment_.tests[t].name), widths_[t]);
      points += "  " + pad_left(points_text(assignment_.tests[t].points), widths_[t]);
    }
    header += "  " + pad_left("total", total_width_);
    points += "  " + pad_left(points_text(assignment_.max_score()), total_width_);
    out_ << header << '\n' << points << '\n';
  }

  void submission(const Submission& submission, const GradedSubmission& graded) override {
    std::string row = pad_right(printable_name(submission.name), name_width_);
    if (!graded.problem.empty()) {
      ++not_graded_;
      out_ << row << "  not graded: " << graded.problem << '\n';
      return;
    }
    ++graded_;
    score_sum_ += graded.score;
    if (graded.score == assignment_.max_score()) ++full_;
    for (std::size_t t = 0; t < graded.tests.size(); ++t) {
      const TestResult& result = graded.tests[t];
      const std::string cell = result.verdict == Verdict::passed ? points_text(result.score)
                                                                 : verdict_word(result.verdict);
      row += "  " + pad_left(cell, widths_[t]);
    }
    row += "  " + pad_left(points_text(graded.score) + "/" + points_text(assignment_.max_score()),
                           total_width_);
    out_ << row << '\n';
    if (!details_) return;
    for (std::size_t t = 0; t < graded.tests.size(); ++t) {
      const TestResult& result = graded.tests[t];
      if (result.verdict == Verdict::passed) continue;
      out_ << "  " << printable_name(assignment_.tests[t].name) << ": "
           << verdict_word(result.verdict) << '\n';
      std::istringstream lines(result.message);
      for (std::string line; std::getline(lines, line);)
        out_ << "    " << line << '\n';
    }
  }

  void stopped(const std::string& why) override { out_ << '\n' << why << '\n'; }

  void end() override {
    out_ << '\n' << graded_ << (graded_ == 1 ? " submission" : " submissions") << " graded";
    if (not_graded_ != 0) out_ << ", " << not_graded_ << " not graded";
    out_ << "; " << full_ << " with full points";
    if (graded_ != 0) {
      char mean[64];
      std::snprintf(mean, sizeof mean, "%.2f", score_sum_ / static_cast<double>(graded_));
      out_ << "; mean score " << mean << " of " << points_text(assignment_.max_score());
    }
    out_ << '\n';
  }

 private:
  const Assignment& assignment_;
  bool details_;
  std::ostream& out_;
  std::size_t name_width_ = 0;
  std::vector<std::size_t> widths_;
  std::size_t total_width_ = 0;
  std::size_t graded_ = 0, not_graded_ = 0, full_ = 0;
  double score_sum_ = 0;
};

// Gradescope's results.json: score, execution_time, output, and tests[] with name, score,
// max_score, status, output, visibility.
class GradescopeReport final : public Report {
 public:
  GradescopeReport(const Assignment& assignment, std::optional<fs::path> out_dir, std::ostream& out)
      : assignment_(assignment), out_dir_(std::move(out_dir)), out_(out) {}

  void submission(const Submission& submission, const GradedSubmission& graded) override {
    using nlohmann::ordered_json;
    ordered_json result;
    // The summary is the student's: the tests the student may see, and of the others only
    // how many there are and what they are worth.
    std::size_t passed = 0, shown = 0, hidden = 0;
    double score = 0, most = 0, hidden_points = 0;
    for (std::size_t t = 0; t < graded.tests.size(); ++t) {
      const TestCase& test = assignment_.tests[t];
      if (test.visibility != "visible") {
        ++hidden;
        hidden_points += test.points;
        continue;
      }
      ++shown;
      passed += graded.tests[t].verdict == Verdict::passed;
      score += graded.tests[t].score;
      most += test.points;
    }
    result["score"] = graded.score;
    result["execution_time"] = std::round(graded.seconds * 1e6) / 1e6;  // to the microsecond
    if (!graded.problem.empty()) {
      result["output"] = "not graded: " + graded.problem;
    } else {
      std::string output = std::to_string(passed) + " of " + std::to_string(shown) +
                           " tests passed; " + points_text(score) + " of " + points_text(most) +
                           " points";
      if (hidden != 0)
        output += "; " + std::to_string(hidden) + (hidden == 1 ? " hidden test" : " hidden tests") +
                  " (" + points_text(hidden_points) +
                  (hidden_points == 1 ? " point)" : " points)") + " not counted here";
      if (!graded.feedback.empty()) output += "\n" + graded.feedback;
      result["output"] = output;
    }
    ordered_json tests = ordered_json::array();
    for (std::size_t t = 0; t < graded.tests.size(); ++t) {
      const TestCase& test = assignment_.tests[t];
      const TestResult& outcome = graded.tests[t];
      ordered_json entry;
      entry["name"] = printable_name(test.name);
      entry["score"] = outcome.score;
      entry["max_score"] = test.points;
      entry["status"] = outcome.verdict == Verdict::passed ? "passed" : "failed";
      entry["output"] = outcome.message;
      entry["visibility"] = test.visibility;
      tests.push_back(std::move(entry));
    }
    result["tests"] = std::move(tests);
    const std::string text = result.dump(2) + "\n";
    if (!out_dir_) {
      out_ << text;
      return;
    }
    // Each file is there whole or not at all, whenever the grading stops.
    const fs::path folder = *out_dir_ / submission.name;
    fs::create_directories(folder);
    ReportFile file(folder / "results.json");
    file.stream() << text;
    file.keep();
  }

 private:
  const Assignment& assignment_;
  std::optional<fs::path> out_dir_;
  std::ostream& out_;
};

// JUnit XML: a test suite per submission, a test case per test, a failure for a test that
// did not pass, an error for each test of a submission that could not be run. The points
// go into each suite's properties.
class JunitReport final : public Report {
 public:
  JunitReport(const Assignment& assignment, std::ostream& out)
      : assignment_(assignment), out_(out) {}

  void begin() override {
    // Written open by hand, so that the suites follow one by one as they are graded.
    std::string name;
    for (const char c : printable_name(assignment_.name)) {
      switch (c) {
        case '&': name += "&amp;"; break;
        case '<': name += "&lt;"; break;
        case '>': name += "&gt;"; break;
        case '"': name += "&quot;"; break;
        default: name += c;
      }
    }
    out_ << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"" << name << "\">\n";
  }

  void submission(const Submission& submission, const GradedSubmission& graded) override {
    pugi::xml_document document;
    pugi::xml_node suite = document.append_child("testsuite");
    const std::string name = printable_name(submission.name);
    std::size_t failures = 0, errors = 0;
    for (const TestResult& result : graded.tests) {
      if (result.verdict == Verdict::not_graded) {
        ++errors;
      } else if (result.verdict != Verdict::passed) {
        ++failures;
      }
    }
    suite.append_attribute("name") = name.c_str();
    suite.append_attribute("tests") = static_cast<unsigned long long>(graded.tests.size());
    suite.append_attribute("failures") = static_cast<unsigned long long>(failures);
    suite.append_attribute("errors") = static_cast<unsigned long long>(errors);
    suite.append_attribute("time") = seconds_text(graded.seconds).c_str();
    pugi::xml_node properties = suite.append_child("properties");
    auto property = [&properties](const char* key, const std::string& value) {
      pugi::xml_node node = properties.append_child("property");
      node.append_attribute("name") = key;
      node.append_attribute("value") = value.c_str();
    };
    property("score", points_text(graded.score));
    property("max_score", points_text(assignment_.max_score()));
    for (std::size_t t = 0; t < graded.tests.size(); ++t) {
      const TestResult& result = graded.tests[t];
      pugi::xml_node testcase = suite.append_child("testcase");
      testcase.append_attribute("name") = printable_name(assignment_.tests[t].name).c_str();
      testcase.append_attribute("classname") = name.c_str();
      testcase.append_attribute("time") = seconds_text(result.seconds).c_str();
      if (result.verdict == Verdict::passed) continue;
      pugi::xml_node fault =
          testcase.append_child(result.verdict == Verdict::not_graded ? "error" : "failure");
      fault.append_attribute("message") = first_line(result.message).c_str();
      fault.append_attribute("type") = verdict_word(result.verdict);
      fault.text() = result.message.c_str();
    }
    suite.print(out_, "  ", pugi::format_default, pugi::encoding_utf8, 1);
  }

  void end() override { out_ << "</testsuites>\n"; }

 private:
  const Assignment& assignment_;
  std::ostream& out_;
};

// TAP version 13: a test point per submission and test, with a YAML block saying what went
// wrong for one that failed.
class TapReport final : public Report {
 public:
  TapReport(const Assignment& assignment, std::size_t submissions, std::ostream& out)
      : assignment_(assignment), count_(submissions), out_(out) {}

  void begin() override {
    out_ << "TAP version 13\n1.." << count_ * assignment_.tests.size() << '\n';
  }

  void submission(const Submission& submission, const GradedSubmission& graded) override {
    const std::string name = description(submission.name);
    for (std::size_t t = 0; t < graded.tests.size(); ++t) {
      const TestResult& result = graded.tests[t];
      const TestCase& test = assignment_.tests[t];
      const bool passed = result.verdict == Verdict::passed;
      out_ << (passed ? "ok " : "not ok ") << ++number_ << " - " << name << ": "
           << description(test.name) << '\n';
      if (passed) continue;
      out_ << "  ---\n  verdict: " << verdict_word(result.verdict)
           << "\n  points: 0\n  max_points: " << points_text(test.points) << "\n  message: |\n";
      std::istringstream lines(result.message);
      for (std::string line; std::getline(lines, line);)
        out_ << "    " << line << '\n';
      out_ << "  ...\n";
    }
    out_ << "# " << name << ": " << points_text(graded.score) << " of "
         << points_text(assignment_.max_score()) << " points";
    if (!graded.problem.empty()) out_ << " (not graded: " << graded.problem << ")";
    out_ << '\n';
  }

  // The plan promised more test points than came: the stream ends with its reason.
  void stopped(const std::string& why) override { out_ << "Bail out! " << first_line(why) << '\n'; }

 private:
  // A name in a test point's description, where '#' would start a directive.
  static std::string description(const std::string& name) {
    std::string text;
    for (const char c : printable_name(name)) {
      if (c == '#') text += '\\';
      text += c;
    }
    return text;
  }

  const Assignment& assignment_;
  std::size_t count_;
  std::ostream& out_;
  std::size_t number_ = 0;
};

// CSV as RFC 4180 writes it: a header row, then per submission its name, the points of
// every test, the total, and a note: why it could not be graded, or that it is empty or
// where its syntax error is.
class CsvReport final : public Report {
 public:
  CsvReport(const Assignment& assignment, std::ostream& out) : assignment_(assignment), out_(out) {}

  void begin() override {
    out_ << "submission";
    for (const TestCase& test : assignment_.tests)
      out_ << ',' << field(printable_name(test.name));
    out_ << ",total,note\r\n";
  }

  void submission(const Submission& submission, const GradedSubmission& graded) override {
    out_ << field(printable_name(submission.name));
    for (const TestResult& result : graded.tests)
      out_ << ',' << points_text(result.score);
    out_ << ',' << points_text(graded.score) << ','
         << field(graded.problem.empty() ? graded.feedback : "not graded: " + graded.problem)
         << "\r\n";
  }

 private:
  static std::string field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
      if (c == '"') quoted += '"';
      quoted += c;
    }
    return quoted + "\"";
  }

  const Assignment& assignment_;
  std::ostream& out_;
};

}  // namespace

std::unique_ptr<Report> make_report(const ReportSettings& settings, const Assignment& assignment,
                                    const std::vector<Submission>& submissions, std::ostream& out) {
  switch (settings.format) {
    case Format::table:
      return std::make_unique<TableReport>(assignment, submissions, settings.details, out);
    case Format::gradescope:
      return std::make_unique<GradescopeReport>(assignment, settings.out_dir, out);
    case Format::junit: return std::make_unique<JunitReport>(assignment, out);
    case Format::tap: return std::make_unique<TapReport>(assignment, submissions.size(), out);
    case Format::csv: return std::make_unique<CsvReport>(assignment, out);
  }
  return nullptr;
}

}  // namespace moxa::grade
