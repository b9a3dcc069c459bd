#include "run.hpp"

#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "compare.hpp"
#include "moxa/moxa.h"

namespace moxa::grade {

namespace fs = std::filesystem;

Submission find_submission(const fs::path& argument) {
  Submission submission;
  std::error_code error;
  const fs::file_status status = fs::status(argument, error);
  fs::path normal = argument.lexically_normal();
  if (normal.filename().empty()) normal = normal.parent_path();
  submission.name = (normal.extension() == ".mox" ? normal.stem() : normal.filename()).string();
  if (status.type() == fs::file_type::not_found || (error && !fs::exists(status))) {
    submission.problem = "no such file or folder: " + argument.string();
    return submission;
  }
  if (fs::is_directory(status)) {
    std::vector<fs::path> programs;
    try {
      for (const fs::directory_entry& entry : fs::directory_iterator(argument)) {
        std::error_code kind_error;
        if (entry.path().extension() == ".mox" && !entry.is_directory(kind_error))
          programs.push_back(entry.path());
      }
    } catch (const fs::filesystem_error& e) {
      submission.problem =
          "cannot read the folder " + argument.string() + ": " + e.code().message();
      return submission;
    }
    std::sort(programs.begin(), programs.end());
    if (programs.empty()) {
      submission.problem = "no .mox file in the folder " + argument.string();
    } else if (programs.size() > 1) {
      submission.problem = "several .mox files in the folder (";
      for (std::size_t i = 0; i < programs.size(); ++i)
        submission.problem += (i ? ", " : "") + programs[i].filename().string();
      submission.problem += "); none graded";
    } else {
      submission.file = programs.front();
    }
    return submission;
  }
  submission.file = argument;
  return submission;
}

namespace {

void collect(void* user, const char* bytes, std::size_t length) {
  static_cast<std::string*>(user)->append(bytes, length);
}

}  // namespace

moxa_options run_options(const RunLimits& limits) {
  moxa_options options{};
  options.size = sizeof options;
  options.max_steps = limits.max_steps;
  options.max_output = limits.max_output;
  options.max_memory = limits.max_memory;
  options.max_time = limits.max_time;
  options.time_clock = MOXA_CPU_CLOCK;
  return options;
}

TestResult run_test(const std::string& program, const TestCase& test, const Feedback* feedback) {
  std::string output(kHello);  // the command prints its opening banner before the program runs
  moxa_options options = run_options(test.limits);
  int stopped_by = MOXA_STOP_NONE;
  options.stopped_by = &stopped_by;
  const auto start = std::chrono::steady_clock::now();
  const int status = moxa_run_with(program.data(), program.size(), test.input.data(),
                                   test.input.size(), &options, collect, &output);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (status != MOXA_STOPPED) output += kBye;
  TestResult result = judge_with_feedback(test, status, stopped_by, output, feedback);
  result.seconds = seconds;
  return result;
}

namespace {

// One submission while it is being graded.
struct Slot {
  explicit Slot(std::size_t tests) : results(tests), remaining(tests) {}
  std::once_flag loaded;
  std::string program;
  std::string problem;
  std::optional<Feedback> feedback;  // made once the program is read
  std::vector<TestResult> results;
  std::size_t remaining;
};

}  // namespace

bool grade_all(const Assignment& assignment, const std::vector<Submission>& submissions,
               unsigned jobs,
               const std::function<void(std::size_t, const GradedSubmission&)>& report,
               std::stop_token stop, kontrola::Jazyk language) {
  const std::size_t tests = assignment.tests.size();
  const std::size_t total = submissions.size() * tests;
  jobs = std::max(1u, jobs);
  // Threads run ahead of the report by at most this many submissions, and the slots of the
  // submissions in that window are all that is held: submission s lives in slot s % ahead,
  // which gets a fresh one when the submission `ahead` places before it has been reported.
  const std::size_t ahead = 4 * static_cast<std::size_t>(jobs) + 2;
  std::vector<std::unique_ptr<Slot>> slots(std::min(ahead, submissions.size()));
  for (std::unique_ptr<Slot>& slot : slots)
    slot = std::make_unique<Slot>(tests);
  std::mutex mutex;
  std::condition_variable_any work_allowed, submission_done;
  std::size_t next = 0;      // the next (submission, test) pair to take
  std::size_t reported = 0;  // submissions handed to `report`

  auto worker = [&] {
    for (;;) {
      std::size_t unit = 0;
      Slot* taken = nullptr;
      {
        std::unique_lock lock(mutex);
        work_allowed.wait(lock, stop,
                          [&] { return next >= total || next / tests < reported + ahead; });
        if (next >= total || stop.stop_requested()) return;
        unit = next++;
        taken = slots[unit / tests % ahead].get();
      }
      const std::size_t s = unit / tests;
      Slot& slot = *taken;
      std::call_once(slot.loaded, [&] {
        slot.problem = printable_name(submissions[s].problem);
        if (!slot.problem.empty()) return;
        const std::string file = submissions[s].file.string();
        try {
          slot.program = read_file(submissions[s].file, assignment.max_program);
        } catch (const FileTooLarge& e) {
          slot.problem = printable_name(file + ": " + e.what() +
                                        ", the most a program may have (max_program)");
        } catch (const std::exception& e) {
          slot.problem = printable_name("cannot read " + file + ": " + e.what());
        }
        if (slot.problem.empty()) slot.feedback.emplace(slot.program, language);
      });
      TestResult result;
      if (slot.problem.empty()) {
        try {
          result = run_test(slot.program, assignment.tests[unit % tests], &*slot.feedback);
        } catch (const std::exception& e) {  // out of memory while collecting the output
          result.verdict = Verdict::not_graded;
          result.message = std::string("the grader could not run the test: ") + e.what();
        }
      } else {
        result.message = slot.problem;
      }
      std::lock_guard lock(mutex);
      slot.results[unit % tests] = std::move(result);
      if (--slot.remaining == 0) submission_done.notify_all();
    }
  };

  std::vector<std::jthread> threads;
  const std::size_t count = std::min<std::size_t>(jobs, std::max<std::size_t>(total, 1));
  for (std::size_t i = 0; i < count; ++i)
    threads.emplace_back(worker);

  for (std::size_t s = 0; s < submissions.size(); ++s) {
    Slot& slot = *slots[s % ahead];
    {
      std::unique_lock lock(mutex);
      if (!submission_done.wait(lock, stop, [&] { return slot.remaining == 0; })) {
        next = total;  // the workers end after the run each has under way
        return false;
      }
    }
    GradedSubmission graded;
    graded.tests = std::move(slot.results);
    graded.problem = slot.problem;
    if (slot.feedback) graded.feedback = slot.feedback->summary();
    for (const TestResult& result : graded.tests) {
      graded.score += result.score;
      graded.seconds += result.seconds;
    }
    try {
      report(s, graded);
    } catch (...) {
      // The threads must not wait for a report that will never come.
      {
        std::lock_guard lock(mutex);
        next = total;
      }
      work_allowed.notify_all();
      throw;
    }
    {
      std::lock_guard lock(mutex);
      ++reported;
      if (s + ahead < submissions.size()) {
        slots[s % ahead] = std::make_unique<Slot>(tests);
      } else {
        slots[s % ahead].reset();
      }
    }
    work_allowed.notify_all();
  }
  return true;
}

namespace {

// The processors a CPU quota of the process's control group grants, rounded up: the least
// quota of its group and the groups above it. None when no group sets one (or there are no
// control groups of version 2 to read).
std::optional<unsigned> cgroup_quota() {
  std::ifstream groups("/proc/self/cgroup");
  std::string path;
  for (std::string line; std::getline(groups, line);) {
    if (line.starts_with("0::")) path = line.substr(3);
  }
  // A group outside the process's view (a path climbing with "..") is not read.
  if (!path.starts_with("/") || path.find("/..") != std::string::npos || path == "/") path.clear();
  const std::string root = "/sys/fs/cgroup";
  std::string group = root + path;
  std::optional<unsigned> least;
  for (;;) {
    std::ifstream file(group + "/cpu.max");
    std::string quota;
    unsigned long long period = 0;
    if (file >> quota >> period && quota != "max" && period != 0) {
      char* end = nullptr;
      const unsigned long long micros = std::strtoull(quota.c_str(), &end, 10);
      if (*end == '\0' && !quota.empty()) {
        const unsigned long long cpus = std::max(1ull, micros / period + (micros % period != 0));
        const auto count = static_cast<unsigned>(std::min<unsigned long long>(cpus, 1u << 20));
        least = least ? std::min(*least, count) : count;
      }
    }
    if (group.size() <= root.size()) break;
    group.resize(group.rfind('/'));
  }
  return least;
}

}  // namespace

unsigned usable_cpus() {
  unsigned count = std::thread::hardware_concurrency();
  // The affinity mask, in a set large enough for any machine.
  for (std::size_t cpus = 1024; cpus <= (1u << 20); cpus *= 2) {
    cpu_set_t* set = CPU_ALLOC(cpus);
    if (set == nullptr) break;
    const std::size_t size = CPU_ALLOC_SIZE(cpus);
    const int status = sched_getaffinity(0, size, set);
    if (status == 0) count = static_cast<unsigned>(CPU_COUNT_S(size, set));
    CPU_FREE(set);
    if (status == 0 || errno != EINVAL) break;
  }
  if (const std::optional<unsigned> quota = cgroup_quota()) count = std::min(count, *quota);
  return std::max(1u, count);
}

}  // namespace moxa::grade
