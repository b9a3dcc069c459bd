// An assignment bundle: one JSON file that carries what a student may see of an assignment
// (the task text, the settings, the visible tests with their inputs and expected outputs) to
// the playground, which runs those tests in the browser. Hidden tests stay out of it; only
// their number and points go in.
#pragma once

#include <filesystem>
#include <string>

#include "assignment.hpp"

namespace moxa::grade {

// The version of the bundle's layout; a reader refuses a bundle of another version.
inline constexpr int kBundleVersion = 1;

// The bytes a task text may have.
inline constexpr std::uintmax_t kMostTaskBytes = 1u << 20;

// True for the tests a bundle carries: those marked visible. Every other visibility
// (hidden, after_due_date, after_published) keeps the test out of the student's sight.
bool shown_in_bundle(const TestCase& test);

// The bundle of the assignment in `folder` as JSON text (ending with a line end). Throws
// UnusableAssignment when the assignment is unusable, when `folder`/task.md is missing or
// unreadable, or when a text it would carry is not UTF-8.
std::string make_bundle(const std::filesystem::path& folder);

}  // namespace moxa::grade
