#include "feedback.hpp"

#include <optional>

#include "check/tokens.hpp"
#include "compare.hpp"
#include "moxa/moxa.h"
#include "verdict.hpp"

namespace moxa::grade {

namespace {

using kontrola::Jazyk;

// The run's error message: the last line that begins as the messages of a block do, else
// the last line printed that is not blank (the one that says an error occurred, printed
// alone when there is nothing to name).
std::string_view error_line(std::string_view output) {
  constexpr std::string_view kBlock = "V bloku: ";
  std::string_view message, last;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string_view::npos) end = output.size();
    const std::string_view line = output.substr(start, end - start);
    if (line.starts_with(kBlock)) message = line;
    if (!line.empty()) last = line;
    start = end + 1;
  }
  return message.empty() ? last : message;
}

// A program with no token and no byte the scanner drops: nothing but white space and
// comments (the last one perhaps without its end).
bool empty_program(std::string_view program) {
  const kontrola::Rozklad parts = kontrola::rozloz(program);
  return parts.tokeny.size() <= 1 && parts.vynechane.empty() &&
         (parts.nedokonceno == kontrola::Nedokonceno::Nic ||
          parts.nedokonceno == kontrola::Nedokonceno::Komentar);
}

std::string line(std::string_view text) { return printable_name(text) + '\n'; }

// How the run's message for nesting past the limit ends.
constexpr std::string_view kTooDeep = "prilis hluboke vnoreni.";

}  // namespace

const Feedback::Examined& Feedback::examined() const {
  std::call_once(once_, [this] {
    examined_.empty = empty_program(program_);
    if (!examined_.empty) examined_.check = kontrola::zkontroluj(program_, language_);
    done_ = true;
  });
  return examined_;
}

std::string Feedback::why(const TestCase& test, int status, int stopped_by,
                          std::string_view output) const {
  using kontrola::slovo;
  if (status == MOXA_STOPPED) {
    // The verdict's own account names the limit in English; a Czech student reads it in
    // Czech first.
    if (language_ != Jazyk::Cs) return {};
    switch (stopped_by) {
      case MOXA_STOP_OUTPUT:
        return line(slovo("grade_output", language_, {std::to_string(test.limits.max_output)}));
      case MOXA_STOP_TIME:
        return line(slovo("grade_time", language_, {std::to_string(test.limits.max_time)}));
      case MOXA_STOP_MEMORY:
        return line(slovo("grade_memory", language_, {mebibytes(test.limits.max_memory)}));
      default:
        return line(slovo("grade_steps", language_, {std::to_string(test.limits.max_steps)}));
    }
  }
  if (status != MOXA_ERROR) return {};
  const std::string_view message = error_line(output);
  // A program nested past the limit is not read again by the checker, which would have to
  // go as deep: the run's message already names the line, and the explanation follows.
  const bool too_deep = message.ends_with(kTooDeep);
  if (too_deep) {
    std::call_once(too_deep_once_, [&] {
      too_deep_ = message;
      too_deep_seen_ = true;
    });
  }
  const Examined* found = too_deep ? nullptr : &examined();
  if (found != nullptr && found->empty) return line(slovo("grade_empty", language_));
  const kontrola::Zjisteni* cause =
      found != nullptr && found->check.ma_chybu() ? &found->check.zjisteni.front() : nullptr;
  std::string_view code = kontrola::kod_hlasky(message);
  if (code.empty() && cause != nullptr) code = cause->kod;
  const std::optional<kontrola::Popis> words =
      code.empty() ? std::nullopt : kontrola::popis_kodu(code, language_);
  // An error the run finds in the values (not a number, a value too long) is a runtime
  // error; every other one stops the reading of the program.
  const bool syntax = words ? words->kdo_vidi != "run" : cause != nullptr;
  std::string text =
      line(slovo(syntax ? "grade_syntax" : "grade_runtime", language_, {std::string(message)}));
  if (words) text += line(std::string(words->kod) + ": " + std::string(words->vysvetleni));
  if (syntax && cause != nullptr) {
    const std::string at = std::to_string(cause->misto.radek);
    text += line(cause->text == message ? slovo("grade_cause_at", language_, {at})
                                        : slovo("grade_cause", language_, {at, cause->text}));
  }
  return text;
}

TestResult judge_with_feedback(const TestCase& test, int status, int stopped_by,
                               std::string_view output, const Feedback* feedback) {
  TestResult result = judge_run(test, status, stopped_by, output);
  if (feedback == nullptr || status == MOXA_OK || result.verdict == Verdict::passed) return result;
  // What the program printed, without the closing banner that follows its last line.
  std::string_view printed = output;
  if (status != MOXA_STOPPED && printed.ends_with(kBye)) printed.remove_suffix(kBye.size());
  result.message.insert(0, feedback->why(test, status, stopped_by, printed));
  return result;
}

std::string Feedback::summary() const {
  if (too_deep_seen_ && !done_) {
    // The line the run's message names: "... na radku: N nastala chyba ...".
    constexpr std::string_view kLine = "na radku: ";
    const std::size_t at = too_deep_.find(kLine);
    const std::size_t from = at == std::string::npos ? 0 : at + kLine.size();
    const std::string number = too_deep_.substr(from, too_deep_.find(' ', from) - from);
    return printable_name(kontrola::slovo("grade_syntax_line", language_, {number, too_deep_}));
  }
  if (!done_) return {};
  if (examined_.empty) return printable_name(kontrola::slovo("grade_empty", language_));
  if (!examined_.check.ma_chybu()) return {};
  const kontrola::Zjisteni& cause = examined_.check.zjisteni.front();
  return printable_name(kontrola::slovo("grade_syntax_line", language_,
                                        {std::to_string(cause.misto.radek), cause.text}));
}

}  // namespace moxa::grade
