// A program's tokens as the interpreter's scanner delivers them, with the bytes each one
// covers in the source, and everything the scanner reads without delivering: comments,
// dropped bytes, and the unfinished token that the end of input cuts off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace moxa::kontrola {

// The bytes [od, po) of the source.
struct Usek {
  std::size_t od = 0;
  std::size_t po = 0;
};

struct TokenZdroje {
  std::int32_t kind = 0;
  // The text the scanner delivers; it lives as long as the tokens that hold it (see `Rozklad`).
  std::string_view text;
  // From the token's first byte up to the byte the scanner reads past it: dropped bytes
  // inside the token included (the blank of "@ x", the quotes of a string literal).
  Usek usek;
};

// What cut the end of the input off.
enum class Nedokonceno : std::uint8_t {
  Nic,
  Retezec,   // a string literal without its closing quote
  Komentar,  // a comment without its end (a line comment in a last line without a line feed)
  Cislo,     // a number waiting for a digit after ',', 'e' or the exponent's sign
  Slovo,     // a word or name ending in '_', or a lone '@', '~' or '?'
};

struct Rozklad {
  // Every token up to the end of input; the last one is the end-of-input token, which
  // stands just past the last byte. A deque, so that a document of a million one-byte
  // tokens takes no more than its tokens while they are gathered.
  std::deque<TokenZdroje> tokeny;
  std::vector<Usek> komentare;
  // Bytes dropped between tokens (outside comments), one by one.
  std::vector<std::size_t> vynechane;
  Nedokonceno nedokonceno = Nedokonceno::Nic;
  Usek nedokonceny;
  // What the tokens' texts point into: a copy of the source (most texts are a run of its
  // bytes) and the few texts that are not (a word the scanner dropped a byte from). Shared,
  // so that a copy of the tokens points into the same texts.
  std::shared_ptr<const std::string> zdroj;
  std::shared_ptr<std::deque<std::string>> jine_texty;
};

// Splits `zdroj` as the scanner does.
Rozklad rozloz(std::string_view zdroj);

// Line and column (both from 1, columns in bytes) of a byte offset, the line counted as the
// scanner counts it: one more for every line feed before the offset.
class Radky {
 public:
  explicit Radky(std::string_view zdroj);
  std::uint64_t radek(std::size_t bajt) const;
  std::uint64_t sloupec(std::size_t bajt) const;

 private:
  std::vector<std::size_t> zacatky_;  // offset of each line's first byte
};

}  // namespace moxa::kontrola
