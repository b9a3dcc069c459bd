#!/usr/bin/env bash
# moxa_tokens places each token at the bytes it was scanned from: each sample's listing must
# match the one worked out by hand beside it (lines and columns included), and on every golden
# program the tool's own checks (the scanner's place for each token is the first byte after
# the blanks and comments before it, and the token scanned afresh from there is the same
# token) must hold. The compiled code of small loops, listed by --code, must be the listing
# beside each program: an operator fused with its operands and with the assignment or test
# that takes its result is one instruction there, so fusion that is lost fails here.
# Also: a file that cannot be read is refused.
set -u
tool=$1
here=$(cd "$(dirname "$0")" && pwd)
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
for mox in "$here"/tokens_*.mox "$here"/code_*.mox; do
  case $mox in
    */code_*) diff -u "${mox%.mox}.txt" <("$tool" --code "$mox") || fail "--code $mox" ;;
    *) diff -u "${mox%.mox}.json" <("$tool" "$mox") || fail "$mox" ;;
  esac
done
scanned=0
while IFS= read -r -d '' mox; do
  scanned=$((scanned + 1))
  "$tool" "$mox" > /dev/null || fail "$mox"
done < <(find "$2" -name '*.mox' -print0)
[ "$scanned" -ge 100 ] || fail "only $scanned golden programs found in $2"
"$tool" "$here/no such file.mox" > /dev/null 2>&1 && fail "a missing file was not refused"
[ "$fails" -eq 0 ] && echo "moxa_tokens: all passed"
exit "$fails"
