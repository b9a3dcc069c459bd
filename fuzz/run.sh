#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each of them for a bounded time.
#
#   fuzz/run.sh --ci              each target for 40 s (FUZZ_SECONDS overrides), starting
#                                 from the seed corpus alone
#   fuzz/run.sh --long SECONDS    each target for SECONDS, keeping what it learns in
#                                 fuzz/corpus-run/<target>/ for the next run
#
# The targets run side by side, one per processor (FUZZ_JOBS overrides).
# The seeds are the golden programs (with their standard input after a 00 00 pair). The
# build goes to build-fuzz/ (MOXA_FUZZ_BUILD overrides); logs and the inputs behind any
# finding go to build-fuzz/logs/ and build-fuzz/artifacts/. Exits non-zero when any target
# finds a crash, a sanitizer report, a leak, a timeout or an out-of-memory.
# Needs clang and libclang-rt-14-dev, and for configuring the project the libraries that
# moxa-grade uses (all installed by .ci/run); installs nothing itself.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: fuzz/run.sh --ci | --long SECONDS" >&2
  exit 2
}
case "${1:---ci}" in
  --ci) seconds=${FUZZ_SECONDS:-40} keep=0 ;;
  --long) [ $# -eq 2 ] || usage; seconds=$2 keep=1 ;;
  *) usage ;;
esac

build=${MOXA_FUZZ_BUILD:-build-fuzz}
targets=(run api both scanner value arith check lsp dap)
# -max_len per target: whole programs, token streams, number texts, pairs of words.
declare -A max_len=([run]=16384 [api]=16384 [both]=16384 [scanner]=4096 [value]=512 [arith]=256
                  [check]=16384 [lsp]=16384 [dap]=4096)

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMOXA_FUZZ=ON -DMOXA_TESTS=OFF > /dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}" -- -j2

seeds="$build/seeds"
rm -rf "$seeds" "$build"/logs/*.summary
mkdir -p "$seeds" "$build/logs" "$build/artifacts"
for mox in tests/golden/*/*.mox tests/golden/*/*/*.mox; do
  [ -f "$mox" ] || continue
  name=$(echo "${mox#tests/golden/}" | tr / _)
  in="${mox%.mox}.in"
  if [ -f "$in" ]; then
    { cat "$mox"; printf '\0\0'; cat "$in"; } > "$seeds/$name"
  else
    cp "$mox" "$seeds/$name"
  fi
done
for t in 0 1 -0 +7 1,5 1.5e-3 1e308 1e309 -1e-400 4.9e-324 0.000001 123456789012345678901234567890 \
  2.2250738585072011e-308 9007199254740993 0x1F 1.e5; do
  printf '%s' "$t" > "$seeds/number_$t"
done
# Programs whose '}' and '.' are texts (which read as the same tokens), with comments and
# text after their end and every kind of line end, for the formatter.
i=0
for program in '{ pis(1); "}" . :: c' '{ pis(1); } "." :: c\r\r\n' '{ :: a\r\r\n pis(1); "}" "." x y' \
  '{\r\n i2 (1) { pis(2); "}" i2_end; :! b !: "}" .\r :: d\r' '{ } . :: e\r\n\r\r\n trailing'; do
  printf "$program" > "$seeds/fmt_end_$i"
  i=$((i + 1))
done
# The language server's: a session as an editor frames it (a leading odd byte), and programs
# as documents (a leading 00).
lsp_message() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
{
  printf '\1'
  lsp_message '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{}}'
  lsp_message '{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///a.mox","version":1,"text":"{ pis(~f(1)) } ."}}}'
  lsp_message '{"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":{"textDocument":{"uri":"file:///a.mox"},"position":{"line":0,"character":7}}}'
  lsp_message '{"jsonrpc":"2.0","id":3,"method":"shutdown"}'
} > "$seeds/lsp_session"
i=0
for mox in examples/*.mox; do
  { printf '\0'; cat "$mox"; } > "$seeds/lsp_document_$i"
  i=$((i + 1))
done
# The debugger's: a session as an editor frames it (a leading odd byte), and programs that
# a session steps through (a leading 00).
{
  printf '\1'
  lsp_message '{"seq":1,"type":"request","command":"initialize","arguments":{}}'
  lsp_message '{"seq":2,"type":"request","command":"launch","arguments":{"program":"a.mox","stopOnEntry":true}}'
  lsp_message '{"seq":3,"type":"request","command":"setBreakpoints","arguments":{"source":{"path":"a.mox"},"breakpoints":[{"line":4}]}}'
  lsp_message '{"seq":4,"type":"request","command":"configurationDone"}'
  lsp_message '{"seq":5,"type":"request","command":"next","arguments":{"threadId":1}}'
  lsp_message '{"seq":6,"type":"request","command":"stepBack","arguments":{"threadId":1}}'
  lsp_message '{"seq":7,"type":"request","command":"disconnect"}'
} > "$seeds/dap_session"
i=0
for mox in examples/*.mox tests/tools/trace/*.mox; do
  { printf '\0'; cat "$mox"; } > "$seeds/dap_program_$i"
  i=$((i + 1))
done
i=0
for pair in '1 2' '7 -3' '-7 3' '5 0' '0 0' '-0 0' '1e308 10' '1e-320 1e300' 'abc 1' '1 abc' \
  'a10 a9' '10 9' '0,5 1' '12abc +1' '1. 1.e5' '4503599627370497 3' '9007199254740993 -2'; do
  printf '%s' "$pair" > "$seeds/pair_$i"
  i=$((i + 1))
done

# Runs target $1 for the time given and writes what it reports to $build/logs/$1.summary; the
# summary ends with FOUND when the target found something.
fuzz_one() {
  local t=$1 corpus log summary
  if [ "$keep" = 1 ]; then
    corpus="fuzz/corpus-run/$t"
  else
    corpus="$build/corpus-ci/$t"
    rm -rf "$corpus"
  fi
  mkdir -p "$corpus"
  log="$build/logs/$t.log"
  summary="$build/logs/$t.summary"
  if "$build/fuzz/fuzz_$t" "$corpus" "$seeds" -dict=fuzz/moxa.dict -max_len="${max_len[$t]}" \
    -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t-" > "$log" 2>&1; then
    { grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
      grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true; } > "$summary"
  else
    { echo "fuzz_$t FOUND SOMETHING: see $log and $build/artifacts/"
      grep -E -A30 '^==[0-9]+==|^finding:|runtime error|ERROR: libFuzzer' "$log" | head -60 || true
      echo FOUND; } > "$summary"
  fi
}

# The targets run side by side, as many at once as the machine has processors (FUZZ_JOBS
# overrides), each for the whole of its time; their reports follow in the targets' order.
jobs=${FUZZ_JOBS:-$(nproc)}
running=0
for t in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
  fuzz_one "$t" &
  running=$((running + 1))
done
wait

status=0
for t in "${targets[@]}"; do
  summary="$build/logs/$t.summary"
  echo "== fuzz_$t: $seconds s"
  if [ ! -f "$summary" ] || tail -1 "$summary" | grep -qx FOUND; then
    status=1
    if [ -f "$summary" ]; then sed '$d' "$summary" >&2; else echo "fuzz_$t left no report" >&2; fi
  else
    cat "$summary"
  fi
done
exit "$status"
