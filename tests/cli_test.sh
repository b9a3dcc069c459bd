#!/usr/bin/env bash
# What only the executable does: argument counts, banners, files, the program and its words
# on standard input. The standard streams that fail or are closed are hostile/streams.sh's;
# a prompt seen before a read is hostile/watch_and_interrupt.py's.
# Usage: cli_test.sh path/to/moxa
set -u
moxa=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fails=0 passes=0

# check NAME FORMAT [ARGUMENTS...]: "$tmp/got" must be what printf FORMAT ARGUMENTS... prints
check() {
  local name=$1
  shift
  # shellcheck disable=SC2059
  printf "$@" > "$tmp/exp"
  if cmp -s "$tmp/exp" "$tmp/got"; then
    passes=$((passes + 1))
  else
    fails=$((fails + 1))
    echo "FAIL: $name"
    diff <(od -c "$tmp/exp") <(od -c "$tmp/got") | head -10
  fi
}

usage='Prosim zadejte vstupni soubor ve tvaru: '"'"'./moxa jmeno_souboru.mox'"'"'.\n'
missing='\nhello\n\n\nSoubor "%s" se nezdarilo otevrit.\n\nbye\n\n'
printf '{ pis_ln(1 + 2); } .\n' > "$tmp/ok.mox"

"$moxa" > "$tmp/got" < /dev/null
check "no argument prints the usage only" "\nhello\n\n$usage"
"$moxa" a b c > "$tmp/got" < /dev/null
check "three arguments are too many" "\nhello\n\nPrilis mnoho argumentu.\n$usage"
"$moxa" "$tmp/ok.mox" > "$tmp/got" < /dev/null
check "a file runs" '\nhello\n\n3.000000\n\nProgram probehl bez chyb.\n\nbye\n\n'
"$moxa" "$tmp/none.mox" > "$tmp/got" < /dev/null
check "a missing file" "$missing" "$tmp/none.mox"
"$moxa" "$tmp" > "$tmp/got" < /dev/null
check "a directory is not a program" "$missing" "$tmp"
# With two arguments the program comes from standard input, and cti reads the same stream
# after the character the scanner holds (here the ';' after the ')').
printf '{ cti(@a)\n ab\n; pis_ln(@a); } .' | "$moxa" x y > "$tmp/got"
check "program and words on standard input" '\nhello\n\nab\n\nProgram probehl bez chyb.\n\nbye\n\n'

echo "$passes passed, $fails failed"
[ "$fails" = 0 ]
