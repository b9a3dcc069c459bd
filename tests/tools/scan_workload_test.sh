#!/usr/bin/env bash
# The scan workload of bench/: the generated moxa program must compute the same
# total as its python3 equivalent (and every other peer that is installed), it
# must carry the whole token mix it claims, and the two C tokenisers that serve
# as its floors must split it into exactly the tokens and lines that moxa's
# scanner finds.
# Usage: scan_workload_test.sh MOXA MOXA_TOKENS BENCH_FOLDER
set -u
moxa=$1
tokens_tool=$2
bench=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/scan-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

python3 "$bench/gen_scan.py" "$work" 403 || { echo "FAIL: gen_scan.py"; exit 1; }

# moxa's output is its banners around one line: the total.
out=$("$moxa" "$work/scan.mox" < /dev/null; echo .)
head=$'\nhello\n\n' tail=$'\n\nProgram probehl bez chyb.\n\nbye\n\n.'
total=${out#"$head"} total=${total%"$tail"}
[ "$out" = "$head$total$tail" ] && [ -n "$total" ] && [[ $total != *$'\n'* ]] ||
  total="BAD OUTPUT: ${out:0:300}"
want=$(python3 "$work/scan.py")
[ "$total" = "$want" ] || fail "moxa printed '$total', python3 '$want'"
for peer in "lua5.4 scan.lua" "perl scan.pl" "tclsh scan.tcl" "mawk -f scan.awk"; do
  set -- $peer
  command -v "$1" > /dev/null || continue
  got=$(cd "$work" && "$@" 2>&1 < /dev/null)
  [ "$got" = "$want" ] || fail "$1 printed '$got', python3 '$want'"
done

# The token mix, as moxa's scanner sees it.
"$tokens_tool" "$work/scan.mox" > "$work/tokens.json" || fail "moxa_tokens"
python3 - "$work/tokens.json" <<'PY' || fail "the program lacks part of the token mix"
import json, sys
tokens = json.load(open(sys.argv[1]))["tokens"]
texts = {t["text"] for t in tokens}
missing = [op for op in "+ - * / % < > = != <= >= | & ( ) -> ; { } pis pis_ln .".split()
           if op not in texts]
numbers = [t["text"] for t in tokens if t["kind"] == 0]
checks = {
    "operators and words " + " ".join(missing): not missing,
    "a number with a ',' fraction": any("," in n for n in numbers),
    "a number with an exponent": any("e" in n for n in numbers),
    "a number with a ',' fraction and an exponent": any("," in n and "e" in n for n in numbers),
    "a negative number": any(n.startswith("-") for n in numbers),
    "a text literal": any(t["kind"] == 1 for t in tokens),
    "30 variable names": len({t["text"] for t in tokens if t["kind"] == 10}) == 30,
    "a relational chain": any(a["text"] in "<>=" and b["kind"] == 0 and c["text"] == ">="
                              for a, b, c in zip(tokens, tokens[1:], tokens[2:])),
}
for name, ok in checks.items():
    if not ok:
        print("missing: " + name)
sys.exit(0 if all(checks.values()) else 1)
PY

# Both floors split the same tokens and count the same lines, on the workload and on
# programs made to reach every edge of a token (comments, escapes, numbers, operators).
compiler=${CC:-cc}
count=$(python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))["tokens"]))' \
        "$work/tokens.json")
lines=$(($(wc -l < "$work/scan.mox") + 1))
for floor in scan_floor scan_floor_table; do
  if "$compiler" -O2 -Wall -Wextra -Werror -o "$work/$floor" "$bench/$floor.c"; then
    got=$("$work/$floor" "$work/scan.mox")
    [ "$got" = "tokens $count lines $lines" ] || fail "$floor says '$got', moxa tokens $count lines $lines"
    "$work/$floor" "$work/no such file" > /dev/null 2>&1 && fail "$floor read a missing file"
  else
    fail "$floor.c does not compile"
  fi
done
printf '%s\n' '{ @a_b1 -> 1e+5 + 2e-3 * 4e / 5,e7 - 6,5e+1 % +3 -4 ->-5; :: a "comment' \
  ' pis_ln("a/"b//" + "x/' '" :!x!!: !(1 != 2 <= 3 >= 4 < 5 > 6 = 7 | 8 & 9) :x _ ~f(?g; .e);' \
  ' :!! ! :! y !: Xz 12,34,56 ee12e3 } .' > "$work/edges.mox"
for program in "$work/edges.mox" "$here"/tokens_sample.mox "$here"/tokens_bytes.mox "$here"/code_loops.mox; do
  a=$("$work/scan_floor" "$program")
  b=$("$work/scan_floor_table" "$program")
  [ "$a" = "$b" ] || fail "the floors disagree on $(basename "$program"): '$a' and '$b'"
done
[ "$fails" -eq 0 ] && echo "scan workload: all passed"
