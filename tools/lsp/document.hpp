// An open document of the language server: its text, and the translation between byte
// offsets (the checker's and the scanner's places) and the editor's positions (a line from
// 0 and a column counted in UTF-16 code units, lines ended by LF, CR LF or a lone CR).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "check/tokens.hpp"

namespace moxa::lsp {

struct Pozice {
  std::uint32_t radek = 0;
  std::uint32_t znak = 0;
};

class Dokument {
 public:
  explicit Dokument(std::string text, std::int64_t verze = 0);

  const std::string& text() const { return text_; }
  std::int64_t verze() const { return verze_; }

  // The position of a byte offset; an offset inside a line break or a character stands at
  // that line's end or that character's start.
  Pozice pozice(std::size_t bajt) const;
  // The byte offset of a position; a column past the line's end gives the line's end, a line
  // past the last gives the end of the text.
  std::size_t bajt(Pozice p) const;
  Pozice konec() const { return pozice(text_.size()); }

  // The tokens as the scanner reads them, computed on first use.
  const kontrola::Rozklad& rozklad() const;

  // The offset of the line break that ends line `radek` (from 0), or the end of the text.
  std::size_t konec_radku(std::size_t radek) const;

  // Replaces the bytes [od, po) (a change of part of the document) and takes the new version.
  void nahrad(std::size_t od, std::size_t po, const std::string& novy, std::int64_t verze);

 private:
  void spocitej_radky();

  std::string text_;
  std::int64_t verze_;
  std::vector<std::size_t> zacatky_;  // offset of each line's first byte
  mutable std::optional<kontrola::Rozklad> rozklad_;
  // The last position found: a later offset on the same line is counted on from there, so
  // that the places of a line's tokens, asked in order, cost one pass over the line.
  struct Misto {
    std::size_t radek = 0, bajt = 0;
    std::uint32_t znak = 0;
  };
  mutable Misto posledni_;
};

}  // namespace moxa::lsp
