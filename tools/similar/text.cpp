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
  // Any other word has a number of its own: keywords, operators, and the other lowercase
  // words the scanner delivers.
  std::string key = std::to_string(token.kind) + ' ';
  key += token.text;
  const auto id = static_cast<std::int32_t>(kFirstWord + words_.size());
  return words_.try_emplace(std::move(key), id).first->second;
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
      program.grams.push_back({static_cast<std::uint32_t>(hash_ids(&program.ids[start], min_match)),
                               start > 0 ? program.ids[start - 1] : kTemplate,
                               static_cast<std::uint32_t>(start)});
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

// The work one pair may take, per token of the two programs: starting points looked at,
// tokens compared while a match is extended, tokens looked at while tiles are laid. Programs
// as students write them stay far below it; one that repeats a statement thousands of times
// would otherwise make its pairs quadratic, and gets the tiles found until then.
constexpr std::size_t kWorkPerToken = 64;

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
  const std::size_t budget = kWorkPerToken * (x.size() + y.size());
  std::size_t work = 0;
  using Gram = Program::Gram;
  const Gram* ia = a.grams.data();
  const Gram* const a_end = ia + a.grams.size();
  const Gram* ib = b.grams.data();
  const Gram* const b_end = ib + b.grams.size();
  // The end of the entries from `p` on that share its hash, or its hash and the token before.
  auto same_hash = [](const Gram* p, const Gram* end) {
    const Gram* q = p;
    while (q != end && q->hash == p->hash)
      ++q;
    return q;
  };
  auto same_before = [](const Gram* p, const Gram* end) {
    const Gram* q = p;
    while (q != end && q->before == p->before)
      ++q;
    return q;
  };
  while (ia != a_end && ib != b_end && work < budget) {
    if (ia->hash < ib->hash) {
      ia = same_hash(ia, a_end);
    } else if (ib->hash < ia->hash) {
      ib = same_hash(ib, b_end);
    } else {
      const Gram* const ea = same_hash(ia, a_end);
      const Gram* const eb = same_hash(ib, b_end);
      // A match starts where the tokens before the two runs differ (or either has none):
      // the runs of one hash are grouped by the token before them, and two groups with the
      // same token before are not paired at all.
      for (const Gram* ga = ia; ga != ea && work < budget;) {
        const Gram* const ga_end = same_before(ga, ea);
        for (const Gram* gb = ib; gb != eb && work < budget;) {
          const Gram* const gb_end = same_before(gb, eb);
          ++work;
          if (ga->before == gb->before && ga->before != kTemplate) {
            gb = gb_end;
            continue;
          }
          for (const Gram* pa = ga; pa != ga_end && work < budget; ++pa) {
            for (const Gram* pb = gb; pb != gb_end && work < budget; ++pb) {
              const std::size_t i = pa->start, j = pb->start;
              std::size_t length = 0;
              while (i + length < x.size() && j + length < y.size() && x[i + length] != kTemplate &&
                     x[i + length] == y[j + length])
                ++length;
              work += 1 + length;
              if (length >= min_match)  // shorter: two runs whose hashes only look alike
                matches.push_back({static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j),
                                   static_cast<std::uint32_t>(length)});
            }
          }
          gb = gb_end;
        }
        ga = ga_end;
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
  work = 0;  // laying the tiles has a budget of its own
  while (!matches.empty() && work < budget) {
    std::pop_heap(matches.begin(), matches.end(), shorter);
    const Tile m = matches.back();
    matches.pop_back();
    work += m.length;
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
