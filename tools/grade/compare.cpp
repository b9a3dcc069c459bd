#include "compare.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "check/escape.hpp"

namespace moxa::grade {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool is_digit(char c) { return c >= '0' && c <= '9'; }

struct Line {
  std::string_view text;   // without its line end
  bool ended = true;       // a line end follows
  std::size_t offset = 0;  // where the line starts in the output
};

std::vector<Line> split_lines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines.push_back({text.substr(start), false, start});
      break;
    }
    lines.push_back({text.substr(start, end - start), true, start});
    start = end + 1;
  }
  return lines;
}

std::string_view without_trailing_blanks(std::string_view line) {
  while (!line.empty() && is_blank(line.back()))
    line.remove_suffix(1);
  return line;
}

// Lines as the mode compares them: all of a line in exact mode; in trailing mode its text
// without blanks at the end, and whether a line end follows does not count.
bool same_line(const Line& a, const Line& b, Mode mode) {
  if (mode == Mode::trailing)
    return without_trailing_blanks(a.text) == without_trailing_blanks(b.text);
  return a.text == b.text && a.ended == b.ended;
}

struct Word {
  std::string_view text;
  std::size_t offset;
};

std::vector<Word> split_words(std::string_view text) {
  std::vector<Word> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && is_space(text[i]))
      ++i;
    const std::size_t start = i;
    while (i < text.size() && !is_space(text[i]))
      ++i;
    if (i > start) words.push_back({text.substr(start, i - start), start});
  }
  return words;
}

// A decimal number and nothing else: [+-] digits [. digits] [e [+-] digits], or with the
// digits only after the point.
std::optional<double> as_number(std::string_view word) {
  std::size_t i = 0;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) ++i;
  const std::size_t body = i;
  bool digits = false;
  while (i < word.size() && is_digit(word[i]))
    ++i, digits = true;
  if (i < word.size() && word[i] == '.') {
    ++i;
    while (i < word.size() && is_digit(word[i]))
      ++i, digits = true;
  }
  if (!digits) return std::nullopt;
  if (i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
    ++i;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) ++i;
    if (i == word.size() || !is_digit(word[i])) return std::nullopt;
    while (i < word.size() && is_digit(word[i]))
      ++i;
  }
  if (i != word.size()) return std::nullopt;
  double value = 0;
#if MOXA_CHARCONV_CTENI
  const auto [end, error] = std::from_chars(word.data() + body, word.data() + word.size(), value);
  if (end != word.data() + word.size()) {
    if (error != std::errc::result_out_of_range) return std::nullopt;
    value = HUGE_VAL;  // out of range: as far out as a double goes
  }
#else
  // Where <charconv> reads no doubles (WebAssembly's libc++), the C library reads the word,
  // which is checked above to be a plain decimal number; a number out of a double's range
  // reads as 0, as from_chars leaves it.
  const std::string text(word.substr(body));
  errno = 0;
  value = std::strtod(text.c_str(), nullptr);
  if (errno == ERANGE) value = 0;
#endif
  return word[0] == '-' ? -value : value;
}

bool same_word(std::string_view a, std::string_view b, Mode mode) {
  if (a == b) return true;
  if (mode != Mode::numbers) return false;
  const std::optional<double> x = as_number(a);
  const std::optional<double> y = as_number(b);
  if (!x || !y) return false;
  if (*x == *y) return true;
  return std::fabs(*x - *y) <= 1e-6 * std::max(std::fabs(*x), std::fabs(*y));
}

std::size_t line_of(std::string_view text, std::size_t offset) {
  return static_cast<std::size_t>(
             std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n')) +
         1;
}

constexpr std::size_t kShownLineBytes = 160;  // a longer line is cut in a diff
constexpr std::size_t kContext = 3;           // lines shown before the first difference
constexpr std::size_t kDiffWindow = 10;       // lines of each output held in the diff

std::string shown_line(std::string_view line) {
  if (line.size() <= kShownLineBytes) return visible(line);
  return visible(line.substr(0, kShownLineBytes)) + "... (" +
         std::to_string(line.size() - kShownLineBytes) + " more bytes)";
}

std::string quoted(std::string_view text) {
  std::string out = "'";
  out += visible(text.substr(0, 60));
  out += text.size() > 60 ? "...'" : "'";
  return out;
}

// A unified diff of the lines [from, from + kDiffWindow) of both outputs, found by the longest
// common subsequence of those lines (small, so the quadratic table costs nothing).
std::string window_diff(const std::vector<Line>& want, const std::vector<Line>& have,
                        std::size_t from, Mode mode) {
  const std::size_t a0 = std::min(from, want.size());
  const std::size_t b0 = std::min(from, have.size());
  const std::size_t n = std::min(kDiffWindow, want.size() - a0);
  const std::size_t m = std::min(kDiffWindow, have.size() - b0);
  std::vector<std::vector<std::size_t>> common(n + 1, std::vector<std::size_t>(m + 1, 0));
  for (std::size_t i = n; i-- > 0;)
    for (std::size_t j = m; j-- > 0;)
      common[i][j] = same_line(want[a0 + i], have[b0 + j], mode)
                         ? common[i + 1][j + 1] + 1
                         : std::max(common[i + 1][j], common[i][j + 1]);
  auto range = [](std::size_t start, std::size_t count) {
    // A unified diff numbers lines from 1 and names an empty range by the line before it.
    return std::to_string(count == 0 ? start : start + 1) + "," + std::to_string(count);
  };
  std::string out = "--- expected\n+++ actual\n@@ -" + range(a0, n) + " +" + range(b0, m) + " @@\n";
  auto emit = [&out](char mark, const Line& line) {
    out += mark;
    out += shown_line(line.text);
    out += '\n';
    if (!line.ended) out += "\\ No newline at end of file\n";
  };
  std::size_t i = 0, j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && same_line(want[a0 + i], have[b0 + j], mode)) {
      emit(' ', have[b0 + j]);
      ++i, ++j;
    } else if (i < n && (j == m || common[i + 1][j] >= common[i][j + 1])) {
      emit('-', want[a0 + i++]);
    } else {
      emit('+', have[b0 + j++]);
    }
  }
  const bool more = a0 + n < want.size() || b0 + m < have.size();
  if (more) out += "(the diff stops here)\n";
  return out;
}

}  // namespace

bool outputs_agree(std::string_view expected, std::string_view actual, Mode mode) {
  switch (mode) {
    case Mode::exact: return expected == actual;
    case Mode::trailing: {
      const std::vector<Line> a = split_lines(expected);
      const std::vector<Line> b = split_lines(actual);
      if (a.size() != b.size()) return false;
      for (std::size_t i = 0; i < a.size(); ++i)
        if (!same_line(a[i], b[i], mode)) return false;
      return true;
    }
    case Mode::whitespace:
    case Mode::numbers: {
      const std::vector<Word> a = split_words(expected);
      const std::vector<Word> b = split_words(actual);
      if (a.size() != b.size()) return false;
      for (std::size_t i = 0; i < a.size(); ++i)
        if (!same_word(a[i].text, b[i].text, mode)) return false;
      return true;
    }
  }
  return false;
}

std::string visible(std::string_view text, bool keep_lines) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == ' ') {
      out += "\u00b7";
    } else if (c == '\t') {
      out += "\u2192";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n' && keep_lines) {
      out += '\n';
    } else if (byte < 0x20 || byte > 0x7e) {
      moxa::kontrola::pripoj_xhh(out, byte);
    } else {
      out += c;
    }
  }
  return out;
}

std::string printable(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7e) {
      moxa::kontrola::pripoj_xhh(out, byte);
    } else {
      out += c;
    }
  }
  return out;
}

namespace {
// The length of the UTF-8 character that `text` starts with, when it is a well-formed one
// (no overlong form, no surrogate, nothing past U+10FFFF) and not a character a report must
// escape; 0 otherwise.
std::size_t plain_character(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const auto follows = [&](std::size_t i) { return i < text.size() && (byte(i) & 0xc0) == 0x80; };
  const unsigned char lead = byte(0);
  if (lead >= 0x20 && lead < 0x7f) return 1;
  if (lead >= 0xc2 && lead <= 0xdf && follows(1)) return lead == 0xc2 && byte(1) < 0xa0 ? 0 : 2;
  if (lead >= 0xe0 && lead <= 0xef && follows(1) && follows(2)) {
    if (lead == 0xe0 && byte(1) < 0xa0) return 0;                      // overlong
    if (lead == 0xed && byte(1) >= 0xa0) return 0;                     // a surrogate
    if (lead == 0xef && byte(1) == 0xbf && byte(2) >= 0xbe) return 0;  // U+FFFE, U+FFFF
    return 3;
  }
  if (lead >= 0xf0 && lead <= 0xf4 && follows(1) && follows(2) && follows(3)) {
    if (lead == 0xf0 && byte(1) < 0x90) return 0;   // overlong
    if (lead == 0xf4 && byte(1) >= 0x90) return 0;  // past U+10FFFF
    return 4;
  }
  return 0;
}
}  // namespace

std::string printable_name(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const std::size_t n = plain_character(text);
    if (n == 0) {
      moxa::kontrola::pripoj_xhh(out, static_cast<unsigned char>(text[0]));
      text.remove_prefix(1);
    } else {
      out.append(text.substr(0, n));
      text.remove_prefix(n);
    }
  }
  return out;
}

std::string describe_difference(std::string_view expected, std::string_view actual, Mode mode) {
  const std::vector<Line> want = split_lines(expected);
  const std::vector<Line> have = split_lines(actual);
  std::string where;
  std::size_t first_line = 0;  // counted from 0
  if (mode == Mode::whitespace || mode == Mode::numbers) {
    const std::vector<Word> a = split_words(expected);
    const std::vector<Word> b = split_words(actual);
    std::size_t k = 0;
    while (k < a.size() && k < b.size() && same_word(a[k].text, b[k].text, mode))
      ++k;
    const std::size_t at_line = k < b.size() ? line_of(actual, b[k].offset) : have.size() + 1;
    where = "first difference: word " + std::to_string(k + 1) + " (line " +
            std::to_string(at_line) + "): expected " +
            (k < a.size() ? quoted(a[k].text) : std::string("the end of the output")) + ", got " +
            (k < b.size() ? quoted(b[k].text) : std::string("the end of the output"));
    first_line = k < b.size() ? at_line - 1 : have.size();
    if (k < a.size()) first_line = std::min(first_line, line_of(expected, a[k].offset) - 1);
  } else {
    std::size_t k = 0;
    while (k < want.size() && k < have.size() && same_line(want[k], have[k], mode))
      ++k;
    first_line = k;
    if (k < want.size() && k < have.size()) {
      const std::string_view a = want[k].text;
      const std::string_view b = have[k].text;
      std::size_t column = 0;
      while (column < a.size() && column < b.size() && a[column] == b[column])
        ++column;
      if (column == a.size() && column == b.size()) {
        where = "first difference: line " + std::to_string(k + 1) +
                (want[k].ended ? ": the output lacks its last line end"
                               : ": the output has a line end the expected one lacks");
      } else {
        where = "first difference: line " + std::to_string(k + 1) + ", column " +
                std::to_string(column + 1);
      }
    } else if (k < want.size()) {
      where = "first difference: line " + std::to_string(k + 1) + ": the output ends early";
    } else {
      where = "first difference: line " + std::to_string(k + 1) +
              ": the output goes on after the expected end";
    }
  }
  const std::size_t from = first_line > kContext ? first_line - kContext : 0;
  return where + "\n" + window_diff(want, have, from, mode);
}

std::string partial_output(std::string_view output, std::size_t cut) {
  if (output.size() <= cut) return visible(output, true);
  return visible(output.substr(0, cut), true) + "\n... (cut: " + std::to_string(cut) + " of " +
         std::to_string(output.size()) + " bytes shown)";
}

}  // namespace moxa::grade
