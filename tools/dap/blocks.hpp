// Where a run is in its program: the blocks that enclose each place (loops, the branches of
// conditionals, declarations and the main block) and the lines on which a step can stand,
// read from the program's tokens as the scanner delivers them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace moxa::dap {

class Mapa {
 public:
  enum class Druh : std::uint8_t { Cyklus, Vetev, Jinak, Deklarace, Hlavni };

  struct Blok {
    Druh druh = Druh::Hlavni;
    std::size_t od = 0;       // the bytes [od, po): a loop from its w2 (its tests belong to it),
    std::size_t po = 0;       // a branch from its "{", a declaration from its name, to the "}"
    std::uint64_t radek = 0;  // where its head stands: the w2, the i2, the ?name, the "{"
    std::uint64_t sloupec = 0;
    std::string jmeno;  // a declaration's name
  };

  explicit Mapa(std::string_view zdroj);

  const std::vector<Blok>& bloky() const { return bloky_; }

  // The byte offset of a line and a column (both from 1, the column in bytes).
  std::size_t bajt(std::uint64_t radek, std::uint64_t sloupec) const;
  // The blocks that contain the byte, innermost first.
  std::vector<std::size_t> obal(std::size_t bajt) const;
  // The loop whose w2 stands at the byte.
  std::optional<std::size_t> cyklus(std::size_t bajt) const;
  // The line itself when a step can stand on it, else the next such line.
  std::optional<std::uint64_t> radek_s_krokem(std::uint64_t radek) const;

 private:
  std::vector<Blok> bloky_;           // in the order of their heads; inner blocks after outer ones
  std::vector<std::size_t> zacatky_;  // each line's first byte
  std::set<std::uint64_t> radky_;     // lines where a statement or a declaration begins
  std::map<std::size_t, std::size_t> cykly_;  // a loop's w2 -> the loop
};

}  // namespace moxa::dap
