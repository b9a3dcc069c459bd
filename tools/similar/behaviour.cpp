// The behaviour side: a submission run on the assignment's inputs with the run's trace, and
// what its variables went through, kept as one hash and a length per variable and test.
#include <algorithm>
#include <nlohmann/json.hpp>
#include <string_view>
#include <unordered_map>

#include "grade/run.hpp"
#include "moxa/moxa.h"
#include "similar.hpp"

namespace moxa::similar {

namespace {

std::uint64_t hash_text(std::string_view text) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  for (const char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001b3ULL;
  }
  return mix(h);
}

// One variable or one condition during one run: the values so far, as a running hash, and
// the last one.
struct Course {
  std::uint64_t hash = 0x9e3779b97f4a7c15ULL;
  std::uint64_t length = 0;
  std::string last;
  bool varied = false;  // it has had two different values
};

struct Watch {
  std::unordered_map<std::string, Course> variables;
  // Every conditional's and loop's test, by where it stands: the values it gave in turn.
  std::unordered_map<std::string, Course> conditions;
};

constexpr std::string_view kAssign = "\"kind\": \"assign\"";
constexpr std::string_view kRead = "\"kind\": \"read\"";
constexpr std::string_view kIf = "\"kind\": \"if\"";
constexpr std::string_view kWhile = "\"kind\": \"while\"";

// A test's values in turn, a repeated value counted once as for a variable: a loop's test is
// then 1, 0 however often it held, and the two loops of a loop split in two give it twice,
// which counts once.
void on_test(Watch& watch, std::string_view text) {
  const nlohmann::json step = nlohmann::json::parse(text, nullptr, false);
  if (!step.is_object() || !step.contains("taken")) return;
  const auto line = step.find("line");
  const auto col = step.find("col");
  const auto value = step.find("value");
  if (line == step.end() || col == step.end() || value == step.end() || !value->is_string()) return;
  Course& course = watch.conditions[line->dump() + ':' + col->dump()];
  const std::string& now = value->get_ref<const std::string&>();
  if (course.length > 0 && course.last != now) course.varied = true;
  if (course.length > 0 && course.last == now) return;
  course.hash = mix(course.hash ^ hash_text(now));
  ++course.length;
  course.last = now;
}

void on_step(void* user, const char* line, std::size_t length) {
  const std::string_view text(line, length);
  if (text.find(kIf) != std::string_view::npos || text.find(kWhile) != std::string_view::npos) {
    on_test(*static_cast<Watch*>(user), text);
    return;
  }
  // Otherwise only the steps that give a variable a value matter; the rest are not parsed.
  if (text.find(kAssign) == std::string_view::npos && text.find(kRead) == std::string_view::npos)
    return;
  const nlohmann::json step = nlohmann::json::parse(text, nullptr, false);
  if (!step.is_object()) return;
  const auto var = step.find("var");
  const auto value = step.find("value");
  if (var == step.end() || value == step.end() || !var->is_string() || !value->is_string()) return;
  Course& course = static_cast<Watch*>(user)->variables[var->get<std::string>()];
  const std::string& now = value->get_ref<const std::string&>();
  if (course.length > 0 && course.last == now) return;
  course.hash = mix(course.hash ^ hash_text(now));
  ++course.length;
  course.last = now;
}

}  // namespace

Behaviour behaviour_of(const std::string& program, const grade::Assignment& assignment) {
  Behaviour behaviour;
  for (std::size_t t = 0; t < assignment.tests.size(); ++t) {
    const grade::TestCase& test = assignment.tests[t];
    Watch watch;
    // The grader's limits, as it runs the test.
    moxa_options options = grade::run_options(test.limits);
    options.trace = on_step;
    options.trace_user = &watch;
    const int status = moxa_run_with(program.data(), program.size(), test.input.data(),
                                     test.input.size(), &options, nullptr, nullptr);
    if (status == MOXA_STOPPED) ++behaviour.stopped;
    if (status == MOXA_ERROR) ++behaviour.failed;
    for (const auto& [name, course] : watch.variables)
      behaviour.sequences.push_back({mix(course.hash ^ mix(t + 1)), course.length});
    // A test that always gave one value says little, and dead code's `i2 (0)` nothing.
    for (const auto& [where, course] : watch.conditions)
      if (course.varied)
        behaviour.sequences.push_back({mix(course.hash ^ mix(~(t + 1))), course.length});
  }
  std::sort(behaviour.sequences.begin(), behaviour.sequences.end());
  // Two sequences alike count as one: the tests of the two halves of a loop split in two,
  // two counters that went through the same values.
  behaviour.sequences.erase(
      std::unique(behaviour.sequences.begin(), behaviour.sequences.end(),
                  [](const Behaviour::Sequence& p, const Behaviour::Sequence& q) {
                    return p.hash == q.hash;
                  }),
      behaviour.sequences.end());
  for (const Behaviour::Sequence& s : behaviour.sequences)
    behaviour.weight += s.length;
  return behaviour;
}

double behaviour_score(const Behaviour& a, const Behaviour& b) {
  if (a.weight + b.weight == 0) return 0;
  std::uint64_t shared = 0;
  auto i = a.sequences.begin();
  auto j = b.sequences.begin();
  while (i != a.sequences.end() && j != b.sequences.end()) {
    if (i->hash < j->hash) {
      ++i;
    } else if (j->hash < i->hash) {
      ++j;
    } else {
      shared += i->length;
      ++i;
      ++j;
    }
  }
  return 200.0 * static_cast<double>(shared) / static_cast<double>(a.weight + b.weight);
}

}  // namespace moxa::similar
