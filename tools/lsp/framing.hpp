// The framing of the language server's messages: header lines ("Content-Length: N", others
// ignored), an empty line, then N bytes of JSON. Lines end in CR LF; a lone LF is accepted.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace moxa::lsp {

// The largest body accepted. A document of a million lines fits; a longer Content-Length is
// taken for a broken header rather than a reason to wait for gigabytes.
inline constexpr std::size_t NEJDELSI_ZPRAVA = std::size_t{64} << 20;

class CtenarZprav {
 public:
  enum class Stav { Zprava, Vadna, Konec };

  explicit CtenarZprav(std::streambuf& vstup) : vstup_(vstup) {}

  // Reads the next message's body into `telo`. Vadna: a header block without a usable
  // Content-Length, described in `proc`; the reader then looks for the next
  // "Content-Length" in the input and goes on from there. Konec: the input ended, possibly
  // in the middle of a message (then `proc` says so).
  Stav dalsi(std::string& telo, std::string& proc);

 private:
  enum class Radek { Plny, Prazdny, Konec };
  Radek radek(std::string& r);
  bool najdi_zacatek();

  std::streambuf& vstup_;
  bool hledat_ = false;  // after a broken header: resynchronise on the next Content-Length
  std::string zacatek_;  // the start of the next header line, already read while resynchronising
};

// Writes `telo` as one message (its header, the empty line, the body) and flushes `out`.
void zapis_zpravu(std::ostream& out, std::string_view telo);

// Reads the messages of `vstup` up to its end and hands each body to `zprava`, which returns
// true once the peer has asked to end. A dropped message ("message dropped: WHY") and an
// input that ends inside one (WHY) are told to `nahlas`.
void obsluhuj(std::streambuf& vstup, const std::function<bool(const std::string&)>& zprava,
              const std::function<void(const std::string&)>& nahlas = {});

}  // namespace moxa::lsp
