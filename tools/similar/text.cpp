// The text side: submissions read, their tokens normalised, the template taken out, and
// greedy string tiling of two token sequences.
#include <algorithm>
#include <system_error>

#include "grade/assignment.hpp"
#include "grade/run.hpp"
#include "lexer/token.hpp"
#include "similar.hpp"

namespace moxa::similar {

namespace fs = std::filesystem;

namespace {

// Fixed classes of tokens whose text does not count.
enum : std::int32_t { kName, kNumber, kString, kCall, kDeclaration, kFirstWord };

std::uint64_t mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  x ^= x >> 31;
  return x;
}

std::uint64_t hash_ids(const std::int32_t* ids, std::size_t n) {
  std::uint64_t h = 0x243f6a8885a308d3ULL;
  for (std::size_t i = 0; i < n; ++i)
    h = mix(h ^ static_cast<std::uint64_t>(static_cast<std::uint32_t>(ids[i])));
  return h;
}

}  // namespace

std::int32_t Vocabulary::id(const kontrola::TokenZdroje& token) {
  switch (token.kind) {
    case T_PROMENNA: return kName;
    case T_CISLO: return kNumber;
    case T_RETEZEC: return kString;
    case T_VOLANI: return kCall;
    case T_DEKLARACE: return kDeclaration;
    default: break;
  }
  // Keywords and operators are few: a short list searched in order is quick enough and
  // keeps the numbers in the order the words were first seen.
  std::string key = std::to_string(token.kind) + ' ' + token.text;
  for (const auto& [word, id] : words_)
    if (word == key) return id;
  const auto id = static_cast<std::int32_t>(kFirstWord + words_.size());
  words_.emplace_back(std::move(key), id);
  return id;
}

void tokenise(Program& program, Vocabulary& vocabulary) {
  const kontrola::Rozklad parts = kontrola::rozloz(program.text);
  program.ids.clear();
  program.spans.clear();
  for (const kontrola::TokenZdroje& token : parts.tokeny) {
    if (token.kind == T_KONEC) continue;
    program.ids.push_back(vocabulary.id(token));
    program.spans.push_back(token.usek);
  }
  program.counted = program.ids.size();
}

Program load_program(const fs::path& argument, const Settings& settings, Vocabulary& vocabulary) {
  const grade::Submission found = grade::find_submission(argument);
  Program program;
  program.name = found.name;
  program.file = found.file;
  program.problem = found.problem;
  if (!program.problem.empty()) return program;
  std::error_code error;
  const std::uintmax_t size = fs::file_size(found.file, error);
  if (!error && size > settings.max_size) {
    program.problem = "larger than " + std::to_string(settings.max_size) + " bytes";
    return program;
  }
  try {
    program.text = grade::read_file(found.file);
  } catch (const std::exception& e) {
    program.problem = std::string("cannot read it: ") + e.what();
    return program;
  }
  if (program.text.size() > settings.max_size) {  // grew while it was read
    program.text.clear();
    program.problem = "larger than " + std::to_string(settings.max_size) + " bytes";
    return program;
  }
  tokenise(program, vocabulary);
  return program;
}

void index_program(Program& program, std::size_t min_match) {
  program.grams.clear();
  program.whole = hash_ids(program.ids.data(), program.ids.size());
  const std::size_t n = program.ids.size();
  if (min_match == 0 || n < min_match) return;
  std::size_t clean = 0;  // tokens before i that are not the template's, counted back
  for (std::size_t i = 0; i < n; ++i) {
    clean = program.ids[i] == kTemplate ? 0 : clean + 1;
    if (clean >= min_match) {
      const std::size_t start = i + 1 - min_match;
      program.grams.push_back((hash_ids(&program.ids[start], min_match) & ~0xffffffffULL) |
                              static_cast<std::uint32_t>(start));
    }
  }
  std::sort(program.grams.begin(), program.grams.end());
}

namespace {

// Reused by the tiling of every pair on one thread.
struct Scratch {
  std::vector<char> marked_a, marked_b;
  std::vector<Tile> matches;
};

thread_local Scratch scratch;

// The most starting points one pair looks at; a submission that repeats one statement
// thousands of times must not make its pairs quadratic.
constexpr std::size_t kSeedsPerToken = 16;

}  // namespace

std::vector<Tile> tile(const Program& a, const Program& b, std::size_t min_match) {
  std::vector<Tile> tiles;
  const std::vector<std::int32_t>& x = a.ids;
  const std::vector<std::int32_t>& y = b.ids;
  // Identical sequences are one match however short their runs are.
  if (a.whole == b.whole && x == y) {
    for (std::size_t i = 0; i < x.size();) {
      if (x[i] == kTemplate) {
        ++i;
        continue;
      }
      std::size_t j = i;
      while (j < x.size() && x[j] != kTemplate)
        ++j;
      tiles.push_back({static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i),
                       static_cast<std::uint32_t>(j - i)});
      i = j;
    }
    return tiles;
  }
  if (a.grams.empty() || b.grams.empty()) return tiles;

  // Maximal matches: every run of min_match tokens that both hold starts one, unless the
  // tokens just before it match too; each is extended as far as the tokens agree.
  std::vector<Tile>& matches = scratch.matches;
  matches.clear();
  const std::size_t seed_budget = kSeedsPerToken * (x.size() + y.size());
  std::size_t seeds = 0;
  const std::uint64_t* ia = a.grams.data();
  const std::uint64_t* const ea_end = ia + a.grams.size();
  const std::uint64_t* ib = b.grams.data();
  const std::uint64_t* const eb_end = ib + b.grams.size();
  while (ia != ea_end && ib != eb_end && seeds < seed_budget) {
    const std::uint64_t ha = *ia >> 32, hb = *ib >> 32;
    if (ha < hb) {
      ++ia;
    } else if (hb < ha) {
      ++ib;
    } else {
      const std::uint64_t* ea = ia;
      while (ea != ea_end && (*ea >> 32) == ha)
        ++ea;
      const std::uint64_t* eb = ib;
      while (eb != eb_end && (*eb >> 32) == ha)
        ++eb;
      for (const std::uint64_t* pa = ia; pa != ea && seeds < seed_budget; ++pa) {
        for (const std::uint64_t* pb = ib; pb != eb && seeds < seed_budget; ++pb) {
          ++seeds;
          const std::size_t i = static_cast<std::uint32_t>(*pa),
                            j = static_cast<std::uint32_t>(*pb);
          // Not the start of a maximal match (that one began earlier), or a hash that
          // only looks alike: the extension below finds out.
          if (i > 0 && j > 0 && x[i - 1] != kTemplate && x[i - 1] == y[j - 1]) continue;
          std::size_t length = 0;
          while (i + length < x.size() && j + length < y.size() && x[i + length] != kTemplate &&
                 x[i + length] == y[j + length])
            ++length;
          if (length >= min_match)
            matches.push_back({static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j),
                               static_cast<std::uint32_t>(length)});
        }
      }
      ia = ea;
      ib = eb;
    }
  }
  if (matches.empty()) return tiles;

  // Longest first: a match whose tokens are all free becomes a tile; one that an earlier
  // tile cut into goes back as the free runs of its diagonal that are still long enough.
  auto shorter = [](const Tile& p, const Tile& q) {
    if (p.length != q.length) return p.length < q.length;
    if (p.first != q.first) return p.first > q.first;
    return p.second > q.second;
  };
  std::make_heap(matches.begin(), matches.end(), shorter);
  std::vector<char>& ma = scratch.marked_a;
  std::vector<char>& mb = scratch.marked_b;
  ma.assign(x.size(), 0);
  mb.assign(y.size(), 0);
  while (!matches.empty()) {
    std::pop_heap(matches.begin(), matches.end(), shorter);
    const Tile m = matches.back();
    matches.pop_back();
    bool free = true;
    for (std::uint32_t k = 0; k < m.length && free; ++k)
      free = !ma[m.first + k] && !mb[m.second + k];
    if (free) {
      for (std::uint32_t k = 0; k < m.length; ++k)
        ma[m.first + k] = mb[m.second + k] = 1;
      tiles.push_back(m);
      continue;
    }
    std::uint32_t run = 0;
    for (std::uint32_t k = 0; k <= m.length; ++k) {
      if (k < m.length && !ma[m.first + k] && !mb[m.second + k]) {
        ++run;
        continue;
      }
      if (run >= min_match) {
        matches.push_back({m.first + k - run, m.second + k - run, run});
        std::push_heap(matches.begin(), matches.end(), shorter);
      }
      run = 0;
    }
  }
  std::sort(tiles.begin(), tiles.end(),
            [](const Tile& p, const Tile& q) { return p.first < q.first; });
  return tiles;
}

void remove_template(Program& program, const Program& base, std::size_t min_match) {
  for (const Tile& t : tile(program, base, min_match))
    for (std::uint32_t k = 0; k < t.length; ++k)
      program.ids[t.first + k] = kTemplate;
  program.counted = static_cast<std::size_t>(std::count_if(
      program.ids.begin(), program.ids.end(), [](std::int32_t id) { return id != kTemplate; }));
}

}  // namespace moxa::similar
