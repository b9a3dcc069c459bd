// Submissions that look alike or behave alike. The text of each is read through the
// interpreter's scanner, its names and literals made anonymous, and every pair is matched by
// greedy string tiling; with an assignment, each is also run on the assignment's inputs and
// the sequences of values its variables go through are compared, whatever the variables are
// called and in whatever order independent statements stand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "check/tokens.hpp"
#include "grade/assignment.hpp"

namespace moxa::similar {

// Scatters the bits of a hash (splitmix64's finaliser), for the texts' and the runs' hashes.
inline std::uint64_t mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  x ^= x >> 31;
  return x;
}

struct Settings {
  std::size_t min_match = 9;           // the shortest run of tokens that counts as a match
  std::uintmax_t max_size = 1u << 20;  // bytes of a submission; a larger one is left out
  double min_score = 0;                // pairs listed score more than this (percent)
  std::size_t top = 100;               // the most pairs listed; 0: all
  unsigned jobs = 1;                   // runs at once, for behaviour
};

// A token stands for this in a submission when the template holds it.
inline constexpr std::int32_t kTemplate = -1;

// What a submission does, from its runs on the assignment's inputs: for every test, every
// variable's sequence of values and every test's (conditional or loop) sequence of results,
// a value repeated in a row counted once and a test that always gave one value left out. A
// sequence that two of them share counts once.
struct Behaviour {
  struct Sequence {
    std::uint64_t hash = 0;
    std::uint64_t length = 0;  // values in it: its weight
    bool operator<(const Sequence& other) const { return hash < other.hash; }
  };
  std::vector<Sequence> sequences;  // sorted by hash, each hash once
  std::uint64_t weight = 0;         // the lengths added up
  std::size_t stopped = 0;          // runs that a limit stopped
  std::size_t failed = 0;           // runs that ended in an error
};

struct Program {
  std::string name;
  std::filesystem::path file;
  std::string problem;                // why it is left out; empty when it is compared
  std::string text;                   // the source, bytes as they are
  std::vector<std::int32_t> ids;      // a token each, normalised; kTemplate for the template's
  std::vector<kontrola::Usek> spans;  // the bytes of each token in `text`
  std::size_t counted = 0;            // tokens that are not the template's
  std::uint64_t whole = 0;            // a hash of `ids`
  // Every run of min_match tokens outside the template, sorted by hash and then by the token
  // before it.
  struct Gram {
    std::uint32_t hash = 0;
    std::int32_t before = kTemplate;  // the token before it; kTemplate: none (start, template)
    std::uint32_t start = 0;
    bool operator<(const Gram& other) const {
      if (hash != other.hash) return hash < other.hash;
      if (before != other.before) return before < other.before;
      return start < other.start;
    }
  };
  std::vector<Gram> grams;
  std::optional<Behaviour> behaviour;
};

// A run of `length` tokens at `first` in one submission and at `second` in the other.
struct Tile {
  std::uint32_t first = 0;
  std::uint32_t second = 0;
  std::uint32_t length = 0;
};

struct Pair {
  std::size_t first = 0;  // indices into the programs, first < second
  std::size_t second = 0;
  double score = 0;  // percent: the text's, or with behaviour 0.9 behaviour + 0.1 text
  double text = 0;
  std::optional<double> behaviour;
  std::vector<Tile> tiles;  // in the first submission's order
};

struct Comparison {
  std::vector<Program> programs;
  std::vector<Pair> pairs;          // ranked, best first
  std::size_t compared = 0;         // pairs compared
  std::size_t template_tokens = 0;  // tokens of the template, 0 without one
  bool with_behaviour = false;
  Settings settings;
};

// Gives every token of a text the number it is compared by: all names are one, all number
// literals one, all text literals one, every keyword and operator its own. Shared by all
// programs of one comparison.
class Vocabulary {
 public:
  std::int32_t id(const kontrola::TokenZdroje& token);

 private:
  std::unordered_map<std::string, std::int32_t> words_;
};

// Reads a submission (as moxa-grade takes one) and its tokens; a problem instead when it
// cannot be read or is larger than the settings allow.
Program load_program(const std::filesystem::path& argument, const Settings& settings,
                     Vocabulary& vocabulary);

// The tokens of `text` as the comparison sees them, spans set beside them.
void tokenise(Program& program, Vocabulary& vocabulary);

// Marks the tokens of `program` that the template's tokens match as kTemplate.
void remove_template(Program& program, const Program& base, std::size_t min_match);

// Hashes of every run of min_match tokens, for the pairs' search.
void index_program(Program& program, std::size_t min_match);

// Greedy string tiling of two indexed programs: the tiles, longest first, no token in two.
std::vector<Tile> tile(const Program& a, const Program& b, std::size_t min_match);

// Runs the program on every test of the assignment, under the test's limits, and keeps what
// its variables went through.
Behaviour behaviour_of(const std::string& program, const grade::Assignment& assignment);

// Percent of the two behaviours' weight that they share.
double behaviour_score(const Behaviour& a, const Behaviour& b);

// The whole comparison: the submissions read, the template removed, behaviour added when an
// assignment is given, every pair compared and the best kept as the settings say.
Comparison compare(const std::vector<std::filesystem::path>& submissions,
                   const std::optional<std::filesystem::path>& base,
                   const grade::Assignment* assignment, const Settings& settings);

}  // namespace moxa::similar
