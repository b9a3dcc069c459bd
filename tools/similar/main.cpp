// moxa-similar: finds submissions that were copied, from their tokens and, with an
// assignment, from what their runs do, and reports the pairs side by side.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "grade/assignment.hpp"
#include "moxa/moxa.h"
#include "report.hpp"
#include "similar.hpp"
#include "tools/common/command_line.hpp"

namespace {

using namespace moxa::similar;
namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: moxa-similar [OPTIONS] SUBMISSION...\n"
    "\n"
    "Compares every SUBMISSION (a .mox file, or a folder holding one) with every other and\n"
    "lists the pairs that look alike, best first: their text as the scanner reads it, names,\n"
    "literals, comments and layout left aside, and with --assignment what their runs do.\n"
    "\n"
    "options:\n"
    "  -f, --format FMT     table (the default), json, csv or html\n"
    "  -o, --out FILE       write the report to FILE instead of standard output\n"
    "  -b, --base FILE      template code handed out: its tokens count in no match\n"
    "  -a, --assignment DIR also run every submission on the tests of DIR (as moxa-grade\n"
    "                       takes them, under their limits) and compare what it does\n"
    "      --min SCORE      list only pairs that score more than SCORE percent (default 0)\n"
    "      --top N          list at most N pairs (default 100; 0: all)\n"
    "  -m, --min-match N    the shortest run of tokens that counts as a match (default 9)\n"
    "      --max-size BYTES leave out a submission larger than this (default 1048576)\n"
    "  -j, --jobs N         runs at once, with --assignment (default: one per core)\n"
    "  -h, --help           this text\n"
    "      --version        the version of moxa-similar and of the library\n"
    "\n"
    "Exit status: 0 when the comparison ran, 1 when the report could not be written, 2 when\n"
    "the options, the template or the assignment are unusable. See moxa-similar(1).\n";

[[noreturn]] void bad_usage(const std::string& message) {
  moxa::tools::bad_usage("moxa-similar", message);
}

unsigned long long number(const std::string& option, const std::string& text,
                          unsigned long long lowest, unsigned long long highest) {
  const auto value = moxa::tools::whole_number(text, lowest, highest);
  if (!value)
    bad_usage(option + " takes a number from " + std::to_string(lowest) + " to " +
              std::to_string(highest) + ", not '" + text + "'");
  return *value;
}

struct Options {
  Settings settings;
  Format format = Format::table;
  std::optional<fs::path> out, base, assignment;
  std::vector<fs::path> submissions;
};

Options parse_options(int argc, char** argv) {
  Options options;
  options.settings.jobs = std::max(1u, std::thread::hardware_concurrency());
  moxa::tools::CommandLine args(
      argc, argv, {.double_dash = true, .attached_values = true, .brief_refusal = true});
  while (args.next()) {
    if (!args.option()) {
      options.submissions.emplace_back(args.name());
      continue;
    }
    const std::string& name = args.name();
    auto take_value = [&]() -> std::string {
      auto value = args.value();
      if (!value) bad_usage(name + " needs a value");
      return *value;
    };
    if (name == "--version") {
      std::cout << "moxa-similar " << moxa_version() << " (library " << moxa_version() << ")\n";
      std::exit(0);
    } else if (name == "-f" || name == "--format") {
      const std::string format = take_value();
      if (format == "table") {
        options.format = Format::table;
      } else if (format == "json") {
        options.format = Format::json;
      } else if (format == "csv") {
        options.format = Format::csv;
      } else if (format == "html") {
        options.format = Format::html;
      } else {
        bad_usage("unknown format '" + format + "' (table, json, csv, html)");
      }
    } else if (name == "-o" || name == "--out") {
      options.out = fs::path(take_value());
    } else if (name == "-b" || name == "--base") {
      options.base = fs::path(take_value());
    } else if (name == "-a" || name == "--assignment") {
      options.assignment = fs::path(take_value());
    } else if (name == "--min") {
      const std::string text = take_value();
      char* end = nullptr;
      const double score = std::strtod(text.c_str(), &end);
      if (text.empty() || *end != '\0' || !(score >= 0 && score <= 100))
        bad_usage("--min takes a percentage from 0 to 100, not '" + text + "'");
      options.settings.min_score = score;
    } else if (name == "--top") {
      options.settings.top = number(name, take_value(), 0, 1'000'000'000);
    } else if (name == "-m" || name == "--min-match") {
      options.settings.min_match = number(name, take_value(), 1, 1000);
    } else if (name == "--max-size") {
      options.settings.max_size = number(name, take_value(), 1, 1ULL << 32);
    } else if (name == "-j" || name == "--jobs") {
      options.settings.jobs = static_cast<unsigned>(number(name, take_value(), 1, 1024));
    } else {
      std::exit(*args.unclaimed("moxa-similar", kUsage));
    }
  }
  if (options.submissions.empty()) bad_usage("no submission given");
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const Options options = parse_options(argc, argv);
  Context context;
  std::optional<moxa::grade::Assignment> assignment;
  if (options.assignment) {
    try {
      assignment = moxa::grade::load_assignment(*options.assignment);
    } catch (const moxa::grade::UnusableAssignment& e) {
      std::cerr << "moxa-similar: " << e.message << '\n';
      return 2;
    } catch (const std::exception& e) {
      std::cerr << "moxa-similar: " << options.assignment->string() << ": " << e.what() << '\n';
      return 2;
    }
    context.assignment = assignment->name;
    context.tests = assignment->tests.size();
  }
  if (options.base) context.base = options.base->string();

  Comparison comparison;
  try {
    comparison = compare(options.submissions, options.base, assignment ? &*assignment : nullptr,
                         options.settings);
  } catch (const std::runtime_error& e) {
    std::cerr << "moxa-similar: " << e.what() << '\n';
    return 2;
  }

  std::ofstream file;
  std::ostream* out = &std::cout;
  if (options.out) {
    file.open(*options.out, std::ios::binary | std::ios::trunc);
    if (!file) {
      std::cerr << "moxa-similar: cannot write " << options.out->string() << '\n';
      return 1;
    }
    out = &file;
  }
  write_report(comparison, context, options.format, *out);
  out->flush();
  if (!*out) {
    std::cerr << "moxa-similar: the report could not be written\n";
    return 1;
  }
  return 0;
}
