#!/usr/bin/env bash
# moxa_tokens places each token at the bytes it was scanned from: each sample's listing must
# match the one worked out by hand beside it (lines and columns included), and on every golden
# program the tool's own checks (the scanner's place for each token is the first byte after
# the blanks and comments before it, and the token scanned afresh from there is the same
# token) must hold.
# Also: a file that cannot be read is refused.
set -u
tool=$1
golden=$2
here=$(cd "$(dirname "$0")" && pwd)
fails=0
for mox in "$here"/tokens_*.mox; do
  want=${mox%.mox}.json
  if ! diff -u "$want" <("$tool" "$mox"); then
    echo "FAIL: $(basename "$mox")"
    fails=$((fails + 1))
  fi
done
# The compiled code of small loops, listed by --code, must be the listing beside each program:
# an operator fused with its operands and with the assignment or test that takes its result
# is one instruction there, so fusion that is lost fails here.
for mox in "$here"/code_*.mox; do
  want=${mox%.mox}.txt
  if ! diff -u "$want" <("$tool" --code "$mox"); then
    echo "FAIL: --code $(basename "$mox")"
    fails=$((fails + 1))
  fi
done
scanned=0
while IFS= read -r -d '' mox; do
  scanned=$((scanned + 1))
  if ! "$tool" "$mox" > /dev/null; then
    echo "FAIL: $mox"
    fails=$((fails + 1))
  fi
done < <(find "$golden" -name '*.mox' -print0)
if [ "$scanned" -lt 100 ]; then
  echo "FAIL: only $scanned golden programs found in $golden"
  fails=$((fails + 1))
fi
if "$tool" "$here/no such file.mox" > /dev/null 2>&1; then
  echo "FAIL: a missing file was not refused"
  fails=$((fails + 1))
fi
[ "$fails" -eq 0 ] && echo "moxa_tokens: all passed"
exit "$fails"
