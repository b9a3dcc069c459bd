// Every pair of submissions compared, and the best kept.
#include <algorithm>
#include <atomic>
#include <thread>

#include "similar.hpp"

namespace moxa::similar {

namespace fs = std::filesystem;

namespace {

// Better first: the higher score, then the order the submissions were given in.
bool ranks_before(const Pair& p, const Pair& q) {
  if (p.score != q.score) return p.score > q.score;
  if (p.first != q.first) return p.first < q.first;
  return p.second < q.second;
}

// The file a submission names, to see the same file given twice.
std::string identity(const Program& program) {
  std::error_code error;
  const fs::path real = fs::canonical(program.file, error);
  return error ? program.file.lexically_normal().string() : real.string();
}

void run_all(std::vector<Program>& programs, const grade::Assignment& assignment, unsigned jobs) {
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    for (std::size_t i = next++; i < programs.size(); i = next++) {
      if (programs[i].problem.empty())
        programs[i].behaviour = behaviour_of(programs[i].text, assignment);
    }
  };
  std::vector<std::jthread> threads;
  const unsigned count =
      std::max(1u, std::min<unsigned>(jobs, static_cast<unsigned>(programs.size())));
  for (unsigned t = 1; t < count; ++t)
    threads.emplace_back(worker);
  worker();
}

}  // namespace

Comparison compare(const std::vector<fs::path>& submissions, const std::optional<fs::path>& base,
                   const grade::Assignment* assignment, const Settings& settings) {
  Comparison result;
  result.settings = settings;
  result.with_behaviour = assignment != nullptr;
  const std::size_t min_match = std::max<std::size_t>(settings.min_match, 1);
  Vocabulary vocabulary;
  for (const fs::path& submission : submissions)
    result.programs.push_back(load_program(submission, settings, vocabulary));

  if (base) {
    Program pattern = load_program(*base, settings, vocabulary);
    if (!pattern.problem.empty())
      throw std::runtime_error("the template " + base->string() + ": " + pattern.problem);
    index_program(pattern, min_match);
    result.template_tokens = pattern.ids.size();
    for (Program& program : result.programs) {
      if (!program.problem.empty()) continue;
      index_program(program, min_match);
      remove_template(program, pattern, min_match);
    }
  }
  for (Program& program : result.programs)
    if (program.problem.empty()) index_program(program, min_match);

  if (assignment) run_all(result.programs, *assignment, settings.jobs);

  std::vector<std::string> files;
  for (const Program& program : result.programs)
    files.push_back(identity(program));

  // The best pairs so far, kept as a heap whose top is the worst of them.
  std::vector<Pair>& kept = result.pairs;
  const std::size_t limit = settings.top;
  for (std::size_t i = 0; i < result.programs.size(); ++i) {
    const Program& a = result.programs[i];
    if (!a.problem.empty()) continue;
    for (std::size_t j = i + 1; j < result.programs.size(); ++j) {
      const Program& b = result.programs[j];
      if (!b.problem.empty() || files[i] == files[j]) continue;
      ++result.compared;
      Pair pair;
      pair.first = i;
      pair.second = j;
      std::vector<Tile> tiles = tile(a, b, min_match);
      std::size_t covered = 0;
      for (const Tile& t : tiles)
        covered += t.length;
      if (a.counted + b.counted > 0)
        pair.text =
            200.0 * static_cast<double>(covered) / static_cast<double>(a.counted + b.counted);
      pair.score = pair.text;
      if (a.behaviour && b.behaviour) {
        pair.behaviour = behaviour_score(*a.behaviour, *b.behaviour);
        // Runs are the stronger evidence: a copier can change the text at will but not what
        // the program does, while independent solutions of one small task share much of
        // their text. The text breaks ties.
        pair.score = (9 * *pair.behaviour + pair.text) / 10;
      }
      if (pair.score <= settings.min_score) continue;
      if (limit != 0 && kept.size() == limit) {
        if (!ranks_before(pair, kept.front())) continue;
        std::pop_heap(kept.begin(), kept.end(), ranks_before);
        kept.pop_back();
      }
      pair.tiles = std::move(tiles);
      kept.push_back(std::move(pair));
      std::push_heap(kept.begin(), kept.end(), ranks_before);
    }
  }
  std::sort(kept.begin(), kept.end(), ranks_before);
  return result;
}

}  // namespace moxa::similar
