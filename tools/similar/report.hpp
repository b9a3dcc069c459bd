// The comparison as a person or a program reads it: a table, JSON, CSV, or a page of HTML
// with each pair's two programs side by side.
#pragma once

#include <ostream>
#include <string>

#include "similar.hpp"

namespace moxa::similar {

enum class Format { table, json, csv, html };

// What a comparison was asked for, for the report's heading.
struct Context {
  std::string base;        // the template's file, empty without one
  std::string assignment;  // the assignment's name, empty without one
  std::size_t tests = 0;   // its tests
};

void write_report(const Comparison& comparison, const Context& context, Format format,
                  std::ostream& out);

// A region of a pair in the bytes and lines of its two programs.
struct Region {
  kontrola::Usek first, second;
  std::uint64_t first_lines[2] = {0, 0};
  std::uint64_t second_lines[2] = {0, 0};
  std::uint32_t tokens = 0;
};

std::vector<Region> regions(const Comparison& comparison, const Pair& pair);

}  // namespace moxa::similar
