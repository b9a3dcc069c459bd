#!/usr/bin/env bash
# What only the executable does: argument counts, banners, files, a prompt before a read.
# The standard streams that fail or are closed are hostile/streams.sh's.
# Usage: cli_test.sh path/to/moxa
set -u
moxa=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fails=0 passes=0

# check NAME EXPECTED-FILE ACTUAL-FILE
check() {
  if cmp -s "$2" "$3"; then
    passes=$((passes + 1))
  else
    fails=$((fails + 1))
    echo "FAIL: $1"
    diff <(od -c "$2") <(od -c "$3") | head -10
  fi
}

usage='Prosim zadejte vstupni soubor ve tvaru: '"'"'./moxa jmeno_souboru.mox'"'"'.\n'
printf '{ pis_ln(1 + 2); } .\n' > "$tmp/ok.mox"

printf "\nhello\n\n$usage" > "$tmp/exp"
"$moxa" > "$tmp/got" < /dev/null
check "no argument prints the usage only" "$tmp/exp" "$tmp/got"

printf "\nhello\n\nPrilis mnoho argumentu.\n$usage" > "$tmp/exp"
"$moxa" a b c > "$tmp/got" < /dev/null
check "three arguments are too many" "$tmp/exp" "$tmp/got"

printf '\nhello\n\n3.000000\n\nProgram probehl bez chyb.\n\nbye\n\n' > "$tmp/exp"
"$moxa" "$tmp/ok.mox" > "$tmp/got" < /dev/null
check "a file runs" "$tmp/exp" "$tmp/got"

printf '\nhello\n\n\nSoubor "%s" se nezdarilo otevrit.\n\nbye\n\n' "$tmp/none.mox" > "$tmp/exp"
"$moxa" "$tmp/none.mox" > "$tmp/got" < /dev/null
check "a missing file" "$tmp/exp" "$tmp/got"

printf '\nhello\n\n\nSoubor "%s" se nezdarilo otevrit.\n\nbye\n\n' "$tmp" > "$tmp/exp"
"$moxa" "$tmp" > "$tmp/got" < /dev/null
check "a directory is not a program" "$tmp/exp" "$tmp/got"

# With two arguments the program comes from standard input, and cti reads the same stream
# after the character the scanner holds (here the ';' after the ')').
printf '\nhello\n\nab\n\nProgram probehl bez chyb.\n\nbye\n\n' > "$tmp/exp"
printf '{ cti(@a)\n ab\n; pis_ln(@a); } .' | "$moxa" x y > "$tmp/got"
check "program and words on standard input" "$tmp/exp" "$tmp/got"

# A prompt printed with pis is out before cti waits for its word.
if command -v python3 > /dev/null; then
  printf '{ pis("? "); cti(@a); pis_ln(@a); } .' > "$tmp/prompt.mox"
  if python3 - "$moxa" "$tmp/prompt.mox" <<'PY'
import subprocess, sys, select
p = subprocess.Popen([sys.argv[1], sys.argv[2]], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
seen = b""
while not seen.endswith(b"? "):
    r, _, _ = select.select([p.stdout], [], [], 5)
    if not r:
        sys.exit(1)
    seen += p.stdout.read1(100)
out, _ = p.communicate(b"word\n", timeout=5)
sys.exit(0 if (seen + out).endswith(b"word\n\nProgram probehl bez chyb.\n\nbye\n\n") else 1)
PY
  then passes=$((passes + 1)); else fails=$((fails + 1)); echo "FAIL: prompt not visible before cti"; fi
fi

echo "$passes passed, $fails failed"
[ "$fails" = 0 ]
