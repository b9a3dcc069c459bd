#include "tools/tokens/listing.hpp"

#include <nlohmann/json.hpp>

#include "check/tokens.hpp"
#include "io/streams.hpp"
#include "lexer/scanner.hpp"
#include "lexer/words.hpp"
#include "parser/interpret.hpp"
#include "vm/messages.hpp"

namespace moxa::tools {

namespace {

using nlohmann::ordered_json;

// Every byte as the code point of the same number, so that a reader that decodes the output
// as Latin-1 sees the same offsets; written out with every code point above 126 escaped.
ordered_json bytes(std::string_view s) {
  std::string r;
  r.reserve(s.size());
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      r += ch;
    } else {
      r += static_cast<char>(0xC0 | (c >> 6));
      r += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return r;
}

std::string dump(const ordered_json& j) { return j.dump(-1, ' ', true); }

template <typename List>
ordered_json texts(const List& list) {
  ordered_json r = ordered_json::array();
  for (const auto& w : list)
    r.push_back(bytes(w.text));
  return r;
}

bool blank(char c) { return c == '\t' || c == '\n' || c == ' '; }

// The token that a fresh scanner delivers first from `s` (its kind and a copy of its text,
// which outlives the scanner's buffer), and the bytes it read to finish it (the byte it
// reads past the token and pushes back included).
struct FirstToken {
  std::int32_t kind;
  std::string text;
  std::size_t read;
};
FirstToken first_token(std::string_view s) {
  TextovyVstup f(s);
  Skener sk(f);
  Token t;
  sk.skenuj(t);
  return {t.druh, std::string(t.text), static_cast<std::size_t>(f.precteno())};
}

// The checks of `list_tokens` on the split `r` of `source`.
bool scanned_alike(std::string_view source, const kontrola::Rozklad& r, std::string& error) {
  const std::string_view padded(*r.zdroj);  // the source with a blank after it
  std::size_t comment = 0;
  std::size_t dropped = 0;
  std::size_t end = 0;  // of the token before
  for (std::size_t i = 0; i + 1 < r.tokeny.size(); ++i) {
    const auto& t = r.tokeny[i];
    const std::size_t start = t.usek.od;
    for (std::size_t p = end; p < start;) {
      if (comment < r.komentare.size() && r.komentare[comment].od == p) {
        p = r.komentare[comment++].po;
      } else if (dropped < r.vynechane.size() && r.vynechane[dropped] == p) {
        ++dropped;
        ++p;
      } else if (blank(source[p])) {
        ++p;
      } else {
        error = "token \"" + std::string(t.text) + "\" is said to start at " +
                std::to_string(start) + ", not at " + std::to_string(p);
        return false;
      }
    }
    if (start >= t.usek.po) {
      error = "token \"" + std::string(t.text) + "\" ends at " + std::to_string(t.usek.po) +
              " before its first byte " + std::to_string(start);
      return false;
    }
    const FirstToken again = first_token(padded.substr(start));
    if (again.kind != t.kind || again.text != t.text || again.read - 1 != t.usek.po - start) {
      error = "token \"" + std::string(t.text) + "\" placed at " + std::to_string(start) +
              " scans differently from there";
      return false;
    }
    end = t.usek.po;
  }
  return true;
}

}  // namespace

bool list_tokens(std::ostream& out, std::string_view source, std::string& error) {
  const kontrola::Rozklad r = kontrola::rozloz(source);
  if (!scanned_alike(source, r, error)) return false;
  const kontrola::Radky lines(source);
  out << "{\"tokens\":[";
  const char* comma = "\n";
  for (std::size_t i = 0; i + 1 < r.tokeny.size(); ++i) {
    const auto& t = r.tokeny[i];
    out << comma
        << dump({{"kind", t.kind},
                 {"start", t.usek.od},
                 {"end", t.usek.po},
                 {"line", lines.radek(t.usek.od)},
                 {"col", lines.sloupec(t.usek.od)},
                 {"text", bytes(t.text)}});
    comma = ",\n";
  }
  ordered_json comments = ordered_json::array();
  for (const auto& k : r.komentare)
    comments.push_back({k.od, k.po});
  ordered_json unfinished;
  if (r.nedokonceno != kontrola::Nedokonceno::Nic)
    unfinished = {r.nedokonceny.od, r.nedokonceny.po};
  out << "],\n\"comments\":" << dump(comments) << ",\n\"unfinished\":" << dump(unfinished) << "}\n";
  return true;
}

void list_words(std::ostream& out) {
  out << dump({{"keywords", texts(KLICOVA_SLOVA)},
               {"end", bytes(KONEC_PROGRAMU.text)},
               {"operators", texts(OPERATORY)},
               {"braces", texts(ZAVORKY)},
               {"separator", bytes(STREDNIK.text)},
               {"assignment", bytes(PRIRAZENI)},
               {"message",
                {bytes(zpravy::ZPRAVA_PRED_BLOKEM), bytes(zpravy::ZPRAVA_PRED_RADKEM),
                 bytes(zpravy::ZPRAVA_ZA_RADKEM)}}})
      << '\n';
}

void list_code(std::ostream& out, const std::string& program) {
  TextovyVstup zdroj(program);
  TextovyVstup vstup("");
  std::string vystup;
  CilRetezec cil(vystup, 1 << 20);
  Vystup ven(cil);
  Nastaveni n;
  n.limit_kroku = 10'000'000;
  int cyklus = 0;
  n.po_prekladu = [&](const KodCyklu& k) { out << "; cyklus " << ++cyklus << "\n" << k.vypis(); };
  Interpret interpret(zdroj, vstup, ven, n);
  (void)interpret.SA();
  interpret.uvolni();
}

}  // namespace moxa::tools
