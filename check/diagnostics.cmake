# Turns check/diagnostics.json into a C++ header: one table of every kind of finding, with
# its code and words, so that the checker and the data file never disagree.
# usage: cmake -DVSTUP=diagnostics.json -DVYSTUP=diagnostics_data.hpp -P diagnostics.cmake
cmake_policy(VERSION 3.25)
file(READ "${VSTUP}" json)

# A member of an object as text; empty when it is missing or null.
function(clen vysledek)
  string(JSON hodnota ERROR_VARIABLE chyba GET "${json}" ${ARGN})
  if(chyba OR hodnota STREQUAL "null")
    set(hodnota "")
  endif()
  if(hodnota MATCHES "\\)mx\"")
    message(FATAL_ERROR "diagnostics.json: a text holds the raw string's end: ${ARGN}")
  endif()
  set(${vysledek} "R\"mx(${hodnota})mx\"" PARENT_SCOPE)
endfunction()

string(JSON pocet LENGTH "${json}" codes)
math(EXPR posledni "${pocet} - 1")
set(radky "")
foreach(i RANGE ${posledni})
  string(APPEND radky "    {")
  foreach(cesta IN ITEMS "code" "severity" "expected" "tail" "seen_by" "fix"
                         "message cs" "message en" "explanation cs" "explanation en"
                         "long cs" "long en" "example")
    separate_arguments(kroky UNIX_COMMAND "${cesta}")
    clen(t codes ${i} ${kroky})
    string(APPEND radky "${t},\n     ")
  endforeach()
  string(APPEND radky "},\n")
endforeach()
string(JSON pocet_slov LENGTH "${json}" words)
math(EXPR posledni_slovo "${pocet_slov} - 1")
set(slova "")
foreach(i RANGE ${posledni_slovo})
  string(JSON klic MEMBER "${json}" words ${i})
  clen(cs words ${klic} cs)
  clen(en words ${klic} en)
  string(APPEND slova "    {\"${klic}\", ${cs}, ${en}},\n")
endforeach()

file(WRITE "${VYSTUP}.tmp" "// Generated from check/diagnostics.json by check/diagnostics.cmake: do not edit.
#pragma once

#include <array>
#include <string_view>

namespace moxa::kontrola::data {

struct Druh {
  std::string_view kod, zavaznost, ocekavano, konec, kdo_vidi, oprava;
  std::string_view zprava_cs, zprava_en, vysvetleni_cs, vysvetleni_en, dlouhe_cs, dlouhe_en;
  std::string_view priklad;
};

inline constexpr std::array<Druh, ${pocet}> DRUHY{{
${radky}}};

// The words the findings are made of.
struct Slovo {
  std::string_view klic, cs, en;
};

inline constexpr std::array<Slovo, ${pocet_slov}> SLOVA{{
${slova}}};

}  // namespace moxa::kontrola::data
")
file(COPY_FILE "${VYSTUP}.tmp" "${VYSTUP}" ONLY_IF_DIFFERENT)
file(REMOVE "${VYSTUP}.tmp")
