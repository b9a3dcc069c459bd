#include "report.hpp"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "grade/compare.hpp"

namespace moxa::similar {

namespace {

std::string percent(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string lines(const std::uint64_t (&range)[2]) {
  return range[0] == range[1] ? std::to_string(range[0])
                              : std::to_string(range[0]) + "-" + std::to_string(range[1]);
}

std::size_t listed_problems(const Comparison& comparison) {
  return static_cast<std::size_t>(
      std::count_if(comparison.programs.begin(), comparison.programs.end(),
                    [](const Program& p) { return !p.problem.empty(); }));
}

std::string count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

std::string heading(const Comparison& comparison, const Context& context) {
  std::string text = count(comparison.programs.size(), "submission", "submissions") + ", " +
                     count(comparison.compared, "pair", "pairs") + " compared, " +
                     std::to_string(comparison.pairs.size()) + " listed; matches of at least " +
                     std::to_string(comparison.settings.min_match) + " tokens";
  if (!context.base.empty())
    text += "; template " + grade::printable(context.base) + " (" +
            std::to_string(comparison.template_tokens) + " tokens) removed";
  if (!context.assignment.empty())
    text += "; behaviour on the " + std::to_string(context.tests) + " tests of " +
            grade::printable(context.assignment);
  return text;
}

// ---- table

void write_table(const Comparison& comparison, const Context& context, std::ostream& out) {
  std::size_t width = 5;
  for (const Pair& pair : comparison.pairs)
    width = std::max(width, grade::printable(comparison.programs[pair.first].name).size());
  out << heading(comparison, context) << "\n\n";
  char row[128];
  std::snprintf(row, sizeof row, "%4s  %5s  %5s  %9s  ", "rank", "score", "text", "behaviour");
  out << row << "first" << std::string(width - 5, ' ') << "  second\n";
  std::size_t rank = 0;
  for (const Pair& pair : comparison.pairs) {
    const std::string first = grade::printable(comparison.programs[pair.first].name);
    std::snprintf(row, sizeof row, "%4zu  %5s  %5s  %9s  ", ++rank, percent(pair.score).c_str(),
                  percent(pair.text).c_str(),
                  pair.behaviour ? percent(*pair.behaviour).c_str() : "-");
    out << row << first << std::string(width - first.size(), ' ') << "  "
        << grade::printable(comparison.programs[pair.second].name) << '\n';
    for (const Region& r : regions(comparison, pair))
      out << "      lines " << lines(r.first_lines) << " ~ " << lines(r.second_lines) << " ("
          << r.tokens << " tokens)\n";
  }
  for (const Program& program : comparison.programs)
    if (!program.problem.empty())
      out << "not compared: " << grade::printable(program.name) << ": "
          << grade::printable(program.problem) << '\n';
}

// ---- JSON

nlohmann::json side(const kontrola::Usek& bytes, const std::uint64_t (&range)[2]) {
  return {{"from", bytes.od}, {"to", bytes.po}, {"line_from", range[0]}, {"line_to", range[1]}};
}

void write_json(const Comparison& comparison, const Context& context, std::ostream& out) {
  nlohmann::json doc;
  doc["min_match"] = comparison.settings.min_match;
  doc["compared"] = comparison.compared;
  doc["template"] = context.base.empty() ? nlohmann::json() : nlohmann::json(context.base);
  doc["assignment"] =
      context.assignment.empty() ? nlohmann::json() : nlohmann::json(context.assignment);
  nlohmann::json& submissions = doc["submissions"] = nlohmann::json::array();
  for (const Program& program : comparison.programs) {
    nlohmann::json s{{"name", program.name}, {"file", program.file.string()}};
    if (program.problem.empty()) {
      s["tokens"] = program.counted;
      if (program.behaviour) {
        s["stopped_runs"] = program.behaviour->stopped;
        s["failed_runs"] = program.behaviour->failed;
      }
    } else {
      s["problem"] = program.problem;
    }
    submissions.push_back(std::move(s));
  }
  nlohmann::json& pairs = doc["pairs"] = nlohmann::json::array();
  for (const Pair& pair : comparison.pairs) {
    nlohmann::json p{
        {"first", comparison.programs[pair.first].name},
        {"second", comparison.programs[pair.second].name},
        {"score", pair.score},
        {"text", pair.text},
        {"behaviour", pair.behaviour ? nlohmann::json(*pair.behaviour) : nlohmann::json()}};
    nlohmann::json& list = p["regions"] = nlohmann::json::array();
    for (const Region& r : regions(comparison, pair))
      list.push_back({{"first", side(r.first, r.first_lines)},
                      {"second", side(r.second, r.second_lines)},
                      {"tokens", r.tokens}});
    pairs.push_back(std::move(p));
  }
  out << doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

// ---- CSV

std::string csv_field(const std::string& text) {
  const std::string safe = grade::printable(text);
  if (safe.find_first_of(",\"") == std::string::npos) return safe;
  std::string quoted = "\"";
  for (const char c : safe) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

void write_csv(const Comparison& comparison, std::ostream& out) {
  out << "rank,first,second,score,text,behaviour,regions\n";
  std::size_t rank = 0;
  for (const Pair& pair : comparison.pairs) {
    std::string list;
    for (const Region& r : regions(comparison, pair)) {
      if (!list.empty()) list += ' ';
      list += lines(r.first_lines) + ":" + lines(r.second_lines);
    }
    out << ++rank << ',' << csv_field(comparison.programs[pair.first].name) << ','
        << csv_field(comparison.programs[pair.second].name) << ',' << percent(pair.score) << ','
        << percent(pair.text) << ',' << (pair.behaviour ? percent(*pair.behaviour) : "") << ','
        << list << '\n';
  }
}

// ---- HTML

// The text made safe in HTML: the five special characters as entities, a byte sequence
// that is not UTF-8 and every control byte but tab and line feed as U+FFFD.
void escape(std::string_view text, std::string& out) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
          if (c < 0x20 && c != '\t' && c != '\n')
            out += "\xEF\xBF\xBD";
          else if (c == 0x7f)
            out += "\xEF\xBF\xBD";
          else
            out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    // A UTF-8 sequence: its length from the first byte, every later byte 10xxxxxx, no
    // overlong form, no surrogate, nothing above U+10FFFF.
    std::size_t n = 0;
    std::uint32_t code = 0;
    if (c >= 0xc2 && c <= 0xdf) {
      n = 2;
      code = c & 0x1f;
    } else if (c >= 0xe0 && c <= 0xef) {
      n = 3;
      code = c & 0x0f;
    } else if (c >= 0xf0 && c <= 0xf4) {
      n = 4;
      code = c & 0x07;
    }
    bool valid = n != 0 && i + n <= text.size();
    for (std::size_t k = 1; valid && k < n; ++k) {
      const auto d = static_cast<unsigned char>(text[i + k]);
      valid = (d & 0xc0) == 0x80;
      code = (code << 6) | (d & 0x3f);
    }
    if (valid) {
      valid = !(n == 3 && code < 0x800) && !(n == 4 && (code < 0x10000 || code > 0x10ffff)) &&
              !(code >= 0xd800 && code <= 0xdfff);
    }
    if (valid) {
      out.append(text.substr(i, n));
      i += n;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
}

std::string escaped(std::string_view text) {
  std::string out;
  escape(text, out);
  return out;
}

constexpr int kColours = 8;

constexpr const char* kStyle =
    R"(body{font-family:system-ui,sans-serif;margin:1.5em;color:#111;background:#fff}
table.pairs{border-collapse:collapse}
table.pairs th,table.pairs td{padding:.2em .7em;border-bottom:1px solid #ccc;text-align:left}
table.pairs td.n{text-align:right;font-variant-numeric:tabular-nums}
.side{display:grid;grid-template-columns:1fr 1fr;gap:1em}
.side figure{margin:0;min-width:0}
.side figcaption{font-weight:bold;margin-bottom:.3em}
pre{margin:0;padding:.5em;background:#f6f6f6;border:1px solid #ccc;overflow:auto;font-size:.85em;line-height:1.35}
mark{color:#000;border-radius:2px}
mark.m0{background:#ffd54f}mark.m1{background:#81d4fa}mark.m2{background:#a5d6a7}
mark.m3{background:#f48fb1}mark.m4{background:#ce93d8}mark.m5{background:#ffab91}
mark.m6{background:#80cbc4}mark.m7{background:#e6ee9c}
section{margin-top:2em}
)";

// The program's text with every region marked: region r as <mark class="m(r mod 8)"
// data-region="r">, in both programs of a pair alike.
std::string marked(const std::string& text,
                   const std::vector<std::pair<kontrola::Usek, int>>& marks) {
  std::string out;
  std::size_t at = 0;
  for (const auto& [bytes, index] : marks) {
    if (bytes.od < at || bytes.po > text.size()) continue;
    escape(std::string_view(text).substr(at, bytes.od - at), out);
    out += "<mark class=\"m" + std::to_string(index % kColours) + "\" data-region=\"" +
           std::to_string(index + 1) + "\" title=\"match " + std::to_string(index + 1) + "\">";
    escape(std::string_view(text).substr(bytes.od, bytes.po - bytes.od), out);
    out += "</mark>";
    at = bytes.po;
  }
  escape(std::string_view(text).substr(std::min(at, text.size())), out);
  return out;
}

void write_html(const Comparison& comparison, const Context& context, std::ostream& out) {
  out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
         "style-src 'unsafe-inline'\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<title>Similar submissions</title>\n<style>"
      << kStyle << "</style>\n</head>\n<body>\n<main>\n<h1>Similar submissions</h1>\n<p>"
      << escaped(heading(comparison, context)) << "</p>\n";
  if (listed_problems(comparison) != 0) {
    out << "<p>Not compared:</p>\n<ul>\n";
    for (const Program& program : comparison.programs)
      if (!program.problem.empty())
        out << "<li>" << escaped(grade::printable(program.name)) << ": "
            << escaped(grade::printable(program.problem)) << "</li>\n";
    out << "</ul>\n";
  }
  out << "<table class=\"pairs\">\n<thead><tr><th scope=\"col\">Rank</th><th "
         "scope=\"col\">Score</th><th scope=\"col\">Text</th><th "
         "scope=\"col\">Behaviour</th><th scope=\"col\">First</th><th "
         "scope=\"col\">Second</th><th scope=\"col\">Matches</th></tr></thead>\n<tbody>\n";
  std::size_t rank = 0;
  for (const Pair& pair : comparison.pairs) {
    ++rank;
    out << "<tr><td class=\"n\"><a href=\"#pair-" << rank << "\">" << rank
        << "</a></td><td class=\"n\">" << percent(pair.score) << "</td><td class=\"n\">"
        << percent(pair.text) << "</td><td class=\"n\">"
        << (pair.behaviour ? percent(*pair.behaviour) : "-") << "</td><td>"
        << escaped(grade::printable(comparison.programs[pair.first].name)) << "</td><td>"
        << escaped(grade::printable(comparison.programs[pair.second].name))
        << "</td><td class=\"n\">" << pair.tiles.size() << "</td></tr>\n";
  }
  out << "</tbody>\n</table>\n";
  rank = 0;
  for (const Pair& pair : comparison.pairs) {
    ++rank;
    const Program& a = comparison.programs[pair.first];
    const Program& b = comparison.programs[pair.second];
    const std::vector<Region> list = regions(comparison, pair);
    std::vector<std::pair<kontrola::Usek, int>> in_a, in_b;
    for (std::size_t r = 0; r < list.size(); ++r) {
      in_a.emplace_back(list[r].first, static_cast<int>(r));
      in_b.emplace_back(list[r].second, static_cast<int>(r));
    }
    auto by_start = [](const auto& p, const auto& q) { return p.first.od < q.first.od; };
    std::sort(in_a.begin(), in_a.end(), by_start);
    std::sort(in_b.begin(), in_b.end(), by_start);
    out << "<section id=\"pair-" << rank << "\" class=\"pair\">\n<h2>" << rank << ". "
        << escaped(grade::printable(a.name)) << " and " << escaped(grade::printable(b.name)) << ": "
        << percent(pair.score) << "%</h2>\n<p>Text " << percent(pair.text) << "%";
    if (pair.behaviour) out << ", behaviour " << percent(*pair.behaviour) << "%";
    out << "; " << list.size() << (list.size() == 1 ? " match" : " matches")
        << ", each marked in one colour in both programs.</p>\n<div class=\"side\">\n";
    for (const auto* side : {&a, &b}) {
      out << "<figure><figcaption>" << escaped(grade::printable(side->name)) << " <small>("
          << escaped(grade::printable(side->file.string()))
          << ")</small></figcaption><pre "
             "tabindex=\"0\"><code>"
          << marked(side->text, side == &a ? in_a : in_b) << "</code></pre></figure>\n";
    }
    out << "</div>\n<p><a href=\"#\">Back to the list</a></p>\n</section>\n";
  }
  out << "</main>\n</body>\n</html>\n";
}

}  // namespace

std::vector<Region> regions(const Comparison& comparison, const Pair& pair) {
  const Program& a = comparison.programs[pair.first];
  const Program& b = comparison.programs[pair.second];
  const kontrola::Radky lines_a(a.text), lines_b(b.text);
  std::vector<Region> list;
  for (const Tile& t : pair.tiles) {
    Region r;
    r.first = {a.spans[t.first].od, a.spans[t.first + t.length - 1].po};
    r.second = {b.spans[t.second].od, b.spans[t.second + t.length - 1].po};
    r.first_lines[0] = lines_a.radek(r.first.od);
    r.first_lines[1] = lines_a.radek(r.first.po - 1);
    r.second_lines[0] = lines_b.radek(r.second.od);
    r.second_lines[1] = lines_b.radek(r.second.po - 1);
    r.tokens = t.length;
    list.push_back(r);
  }
  return list;
}

void write_report(const Comparison& comparison, const Context& context, Format format,
                  std::ostream& out) {
  switch (format) {
    case Format::table: write_table(comparison, context, out); break;
    case Format::json: write_json(comparison, context, out); break;
    case Format::csv: write_csv(comparison, out); break;
    case Format::html: write_html(comparison, context, out); break;
  }
}

}  // namespace moxa::similar
