#!/usr/bin/env bash
# What only the real executable does: argument counts, banners, files, the program and its
# words on standard input (a prompt seen before a read is hostile/watch_and_interrupt.py's);
# and standard streams that fail or are missing:
#   - output into a pipe that its reader closes ends the run at once, quietly, with status 0,
#     also for a program that prints forever (with SIGPIPE at its default: moxa ignores it
#     itself, so a run that inherits it ignored goes the same way);
#   - output to a full disk (/dev/full) likewise;
#   - a standard stream closed at start is reopened on the null device: a closed standard
#     input reads as empty, and with a closed standard output the source file is never
#     written to;
#   - a standard input that cannot be read (a directory) reads as empty, for cti and for a
#     program read from it.
# Every run of a stream case has `timeout`, which turns a hang into status 124.
# Usage: cli_test.sh path/to/moxa
set -u
moxa=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fails=0 passes=0

fail() {
  fails=$((fails + 1))
  echo "FAIL: $*"
}
# status NAME STATUS [FORMAT [ARGUMENTS...]]: the run ended with status 0 and printed nothing
# on standard error; with FORMAT, its output ("$tmp/got") is what printf FORMAT ARGUMENTS... prints
status() {
  if [ "$2" != 0 ]; then fail "$1: exit status $2"
  elif [ -s "$tmp/err" ]; then fail "$1: printed on standard error: $(head -c 300 "$tmp/err")"
  else passes=$((passes + 1)); fi
  [ $# -lt 3 ] || check "$1: the output" "${@:3}"
}
# same NAME EXPECTED-FILE ACTUAL-FILE
same() {
  if cmp -s "$2" "$3"; then passes=$((passes + 1)); else
    fail "$1"
    diff <(od -c "$2") <(od -c "$3") | head -10
  fi
}
# check NAME FORMAT [ARGUMENTS...]: "$tmp/got" must be what printf FORMAT ARGUMENTS... prints
check() {
  local name=$1
  shift
  # shellcheck disable=SC2059
  printf "$@" > "$tmp/exp"
  same "$name" "$tmp/exp" "$tmp/got"
}

usage='Prosim zadejte vstupni soubor ve tvaru: '"'"'./moxa jmeno_souboru.mox'"'"'.\n'
missing='\nhello\n\n\nSoubor "%s" se nezdarilo otevrit.\n\nbye\n\n'
ran='\nhello\n\n%b\nProgram probehl bez chyb.\n\nbye\n\n' # a run that prints %b and succeeds
printf '{ pis_ln(1 + 2); } .\n' > "$tmp/ok.mox"

"$moxa" > "$tmp/got" < /dev/null
check "no argument prints the usage only" "\nhello\n\n$usage"
"$moxa" a b c > "$tmp/got" < /dev/null
check "three arguments are too many" "\nhello\n\nPrilis mnoho argumentu.\n$usage"
"$moxa" "$tmp/ok.mox" > "$tmp/got" < /dev/null
check "a file runs" "$ran" '3.000000\n'
"$moxa" "$tmp/none.mox" > "$tmp/got" < /dev/null
check "a missing file" "$missing" "$tmp/none.mox"
"$moxa" "$tmp" > "$tmp/got" < /dev/null
check "a directory is not a program" "$missing" "$tmp"
# With two arguments the program comes from standard input, and cti reads the same stream
# after the character the scanner holds (here the ';' after the ')').
printf '{ cti(@a)\n ab\n; pis_ln(@a); } .' | "$moxa" x y > "$tmp/got"
check "program and words on standard input" "$ran" 'ab\n'


printf '{ w2 (1) { pis_ln("y"); } w2_end; } .' > "$tmp/forever.mox"
printf '{ w2 (1) { pis("y"); } w2_end; } .' > "$tmp/forever_pis.mox"
printf '{ cti(@a); pis_ln("[" + @a + "]"); } .' > "$tmp/cti.mox"

# A reader that goes away.
if env --default-signal=PIPE true 2> /dev/null; then
  timeout 10 env --default-signal=PIPE "$moxa" "$tmp/forever.mox" 2> "$tmp/err" | head -1 > "$tmp/got"
  status "closed pipe, SIGPIPE at its default" "${PIPESTATUS[0]}" '\n'
else
  echo "note: env --default-signal is missing; the closed pipe is tried as inherited"
  timeout 10 "$moxa" "$tmp/forever.mox" 2> "$tmp/err" | head -1 > "$tmp/got"
  status "closed pipe" "${PIPESTATUS[0]}"
fi
timeout 10 "$moxa" "$tmp/forever_pis.mox" 2> "$tmp/err" | head -c 20 > "$tmp/got"
status "closed pipe after 20 bytes of pis without line ends" "${PIPESTATUS[0]}" '\nhello\n\nyyyyyyyyyyyy'

# A full disk.
if [ -w /dev/full ]; then
  timeout 10 "$moxa" "$tmp/forever.mox" > /dev/full 2> "$tmp/err"
  status "output to a full disk" $?
  timeout 10 "$moxa" "$tmp/cti.mox" > /dev/full 2> "$tmp/err" < /dev/null
  status "a short run to a full disk" $?
else
  echo "note: /dev/full is not writable here; the full disk is not tried"
fi

# Closed standard streams.
timeout 10 "$moxa" "$tmp/cti.mox" > "$tmp/got" 2> "$tmp/err" <&-
status "closed standard input reads as empty" $? "$ran" '[]\n'
cp "$tmp/cti.mox" "$tmp/cti.orig"
timeout 10 "$moxa" "$tmp/cti.mox" < /dev/null >&- 2> "$tmp/err"
status "closed standard output" $?
same "closed standard output leaves the source file alone" "$tmp/cti.orig" "$tmp/cti.mox"
: > "$tmp/err"
timeout 10 "$moxa" "$tmp/cti.mox" <&- >&- 2>&-
status "all three streams closed" $?
same "all three streams closed leave the source file alone" "$tmp/cti.orig" "$tmp/cti.mox"

# A standard input that cannot be read.
timeout 10 "$moxa" "$tmp/cti.mox" < / > "$tmp/got" 2> "$tmp/err"
status "unreadable standard input reads as empty" $? "$ran" '[]\n'
timeout 10 "$moxa" - - < / > "$tmp/got" 2> "$tmp/err"
status "a program from an unreadable standard input is empty" $? '\nhello\n\nV bloku: '"'"'Blok'"'"', na radku: 1 nastala chyba - byl ocekavan znak: "{", namisto toho se vyskytl tento znak: "\377".\n\nV programu se vyskytla chyba.\n\nbye\n\n'

echo "cli: $passes passed, $fails failed"
[ "$fails" = 0 ]
