// moxa-grade: grades submissions of .mox programs against an assignment's tests, running
// them in this process through the moxa library on all cores, and reports the results as a
// table or in the files that grading platforms, CI systems and spreadsheets read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "assignment.hpp"
#include "bundle.hpp"
#include "interrupt.hpp"
#include "moxa/moxa.h"
#include "report.hpp"
#include "report_file.hpp"
#include "run.hpp"
#include "tools/common/command_line.hpp"

namespace {

using namespace moxa::grade;
namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: moxa-grade [OPTIONS] ASSIGNMENT SUBMISSION...\n"
    "       moxa-grade --bundle ASSIGNMENT [-o FILE.json]\n"
    "\n"
    "Runs every SUBMISSION (a .mox file, or a folder holding one) against every test of\n"
    "ASSIGNMENT (a folder of NAME.in and NAME.out files, with grading.json or grading.toml\n"
    "for points, comparison modes, visibility and limits), and reports the scores.\n"
    "\n"
    "options:\n"
    "  -j, --jobs N       runs at once (default: one per CPU this process may use)\n"
    "  -f, --format FMT   table (the default), gradescope, junit, tap or csv\n"
    "  -o, --out PATH     gradescope: a folder that gets NAME/results.json per submission;\n"
    "                     other formats: the file to write instead of standard output\n"
    "  -d, --details      table: below each row, how each failed test went\n"
    "      --lang cs|en   the language of a failed test's feedback (default: Czech when\n"
    "                     LC_ALL, LC_MESSAGES or LANG starts with cs, else English)\n"
    "      --bundle ASSIGNMENT\n"
    "                     writes the assignment's bundle for the playground instead: the\n"
    "                     task (ASSIGNMENT/task.md), the settings and the visible tests\n"
    "                     (to the file -o names, else to standard output)\n"
    "      --max-program BYTES\n"
    "                     the largest program graded (default: max_program of the\n"
    "                     settings, else 1048576; 0: any size)\n"
    "  -h, --help         this text\n"
    "      --version      the version of moxa-grade and of the library\n"
    "\n"
    "Exit status: 0 when the grading ran (whatever the scores), 1 when the report could not\n"
    "be written, 2 when the assignment or the options are unusable; stopped by SIGINT,\n"
    "SIGTERM or SIGHUP, it ends by that signal. See moxa-grade(1).\n";

struct Options {
  ReportSettings report;
  std::optional<fs::path> out;
  unsigned jobs = 0;
  std::optional<std::uintmax_t> max_program;
  std::vector<std::string> operands;
  std::optional<std::string> bundle;  // the assignment to bundle
  moxa::kontrola::Jazyk language = moxa::kontrola::jazyk_prostredi();
};

[[noreturn]] void bad_usage(const std::string& message) {
  moxa::tools::bad_usage("moxa-grade", message);
}

Options parse_options(int argc, char** argv) {
  Options options;
  moxa::tools::CommandLine args(
      argc, argv, {.double_dash = true, .attached_values = true, .brief_refusal = true});
  while (args.next()) {
    if (!args.option()) {
      options.operands.emplace_back(args.name());
      continue;
    }
    const std::string& name = args.name();
    auto take_value = [&]() -> std::string {
      auto value = args.value();
      if (!value) bad_usage(name + " needs a value");
      return *value;
    };
    if (name == "--version") {
      std::cout << "moxa-grade " << moxa_version() << " (library " << moxa_version() << ")\n";
      std::exit(0);
    } else if (name == "-j" || name == "--jobs") {
      const std::string text = take_value();
      const auto jobs = moxa::tools::whole_number(text, 1, 1024);
      if (!jobs) bad_usage("--jobs takes a number from 1 to 1024, not '" + text + "'");
      options.jobs = static_cast<unsigned>(*jobs);
    } else if (name == "-f" || name == "--format") {
      const std::string format = take_value();
      if (format == "table") {
        options.report.format = Format::table;
      } else if (format == "gradescope") {
        options.report.format = Format::gradescope;
      } else if (format == "junit") {
        options.report.format = Format::junit;
      } else if (format == "tap") {
        options.report.format = Format::tap;
      } else if (format == "csv") {
        options.report.format = Format::csv;
      } else {
        bad_usage("unknown format '" + format + "' (table, gradescope, junit, tap, csv)");
      }
    } else if (name == "-o" || name == "--out") {
      options.out = fs::path(take_value());
    } else if (name == "--max-program") {
      const std::string text = take_value();
      const auto bytes = moxa::tools::whole_number(text, 0, UINTMAX_MAX);
      if (!bytes) bad_usage("--max-program takes a number of bytes, not '" + text + "'");
      options.max_program = *bytes;
    } else if (name == "--bundle") {
      options.bundle = take_value();
    } else if (name == "--lang") {
      const std::string language = take_value();
      if (language != "cs" && language != "en")
        bad_usage("unknown language '" + language + "' (cs, en)");
      options.language = language == "cs" ? moxa::kontrola::Jazyk::Cs : moxa::kontrola::Jazyk::En;
    } else if (name == "-d" || name == "--details") {
      options.report.details = true;
    } else {
      std::exit(*args.unclaimed("moxa-grade", kUsage));
    }
  }
  if (options.bundle) {
    if (!options.operands.empty()) bad_usage("--bundle takes no submissions");
    return options;
  }
  if (options.operands.size() < 2) bad_usage("an assignment and at least one submission needed");
  return options;
}

// Writes the bundle of `assignment` to `out`, or to the standard output; the exit status.
int write_bundle(const std::string& assignment, const std::optional<fs::path>& out) {
  std::string bundle;
  try {
    bundle = make_bundle(assignment);
  } catch (const UnusableAssignment& e) {
    std::cerr << "moxa-grade: " << e.message << '\n';
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "moxa-grade: " << assignment << ": " << e.what() << '\n';
    return 2;
  }
  try {
    if (out) {
      ReportFile file(*out);
      file.stream() << bundle;
      file.keep();
    } else {
      std::cout << bundle;
      std::cout.flush();
      if (!std::cout) throw std::runtime_error("the bundle could not be written");
    }
  } catch (const std::exception& e) {
    std::cerr << "moxa-grade: " << e.what() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Before any thread is started, so that every thread leaves the signals to it.
  Interruption interruption;
  std::ios::sync_with_stdio(false);
  Options options = parse_options(argc, argv);
  if (options.bundle) return write_bundle(*options.bundle, options.out);
  if (options.jobs == 0) options.jobs = usable_cpus();

  Assignment assignment;
  try {
    assignment = load_assignment(options.operands[0]);
  } catch (const UnusableAssignment& e) {
    std::cerr << "moxa-grade: " << e.message << '\n';
    return 2;
  } catch (const std::exception& e) {  // a folder that fails while it is listed
    std::cerr << "moxa-grade: " << options.operands[0] << ": " << e.what() << '\n';
    return 2;
  }
  if (options.max_program) assignment.max_program = *options.max_program;
  std::vector<Submission> submissions;
  for (std::size_t i = 1; i < options.operands.size(); ++i)
    submissions.push_back(find_submission(options.operands[i]));

  std::unique_ptr<ReportFile> file;
  std::ostream* out = &std::cout;
  if (options.report.format == Format::gradescope) {
    if (options.out) {
      options.report.out_dir = options.out;
      std::set<std::string> names;
      for (const Submission& submission : submissions) {
        if (submission.name.empty() || submission.name == "." || submission.name == "..")
          bad_usage("a submission's name must make a folder name: '" + submission.name + "'");
        if (!names.insert(submission.name).second)
          bad_usage("two submissions are named '" + submission.name +
                    "'; their results.json would share a folder");
      }
    } else if (submissions.size() > 1) {
      bad_usage("--format gradescope with several submissions needs --out DIR");
    }
  } else if (options.out) {
    try {
      file = std::make_unique<ReportFile>(*options.out);
    } catch (const std::exception& e) {
      std::cerr << "moxa-grade: " << e.what() << '\n';
      return 1;
    }
    ReportFile* report_file = file.get();
    interruption.at_second_signal([report_file] { report_file->discard(); });
    out = &file->stream();
  }

  std::size_t reported = 0;
  try {
    std::unique_ptr<Report> report = make_report(options.report, assignment, submissions, *out);
    report->begin();
    const bool complete = grade_all(
        assignment, submissions, options.jobs,
        [&](std::size_t index, const GradedSubmission& graded) {
          report->submission(submissions[index], graded);
          ++reported;
        },
        interruption.stop_token(), options.language);
    if (!complete) {
      // Stopped by a signal. A report file is left as it was; a report on the standard
      // output, which cannot be taken back, is ended after the last submission in it.
      const std::string signal = signal_name(interruption.signal());
      if (file) {
        file->discard();
        std::cerr << "moxa-grade: stopped by " << signal << "; " << file->path().string()
                  << " was not written\n";
      } else {
        const std::string why = "stopped by " + signal + " after " + std::to_string(reported) +
                                " of " + std::to_string(submissions.size()) + " submissions";
        if (options.report.format != Format::gradescope) {
          report->stopped(why);
          report->end();
        }
        out->flush();
        std::cerr << "moxa-grade: " << why << "\n";
      }
      interruption.end_by_signal();
    }
    report->end();
    if (file) {
      file->keep();
    } else {
      out->flush();
    }
  } catch (const std::exception& e) {
    std::cerr << "moxa-grade: " << e.what() << '\n';
    return 1;
  }
  if (!*out) {
    std::cerr << "moxa-grade: the report could not be written\n";
    return 1;
  }
  if (interruption.signal() != 0) {
    // The signal came after the last run: the report is whole.
    std::cerr << "moxa-grade: " << signal_name(interruption.signal())
              << " came after the grading; the report is complete\n";
    interruption.end_by_signal();
  }
  return 0;
}
