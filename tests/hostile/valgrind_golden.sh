#!/usr/bin/env bash
# Every golden program through the real executable under valgrind's memcheck: no memory
# error, no byte lost (definitely, indirectly or possibly), and still the expected output.
#
#   tests/hostile/valgrind_golden.sh [path/to/moxa [PATTERN]]
#
# The executable defaults to build/moxa; PATTERN, a substring of the path under
# tests/golden/, picks a subset (e.g. "loops/"). Valgrind's reports of failing programs are
# kept in a temporary folder whose name is printed.
set -u
cd "$(dirname "$0")/../.."
moxa=${1:-build/moxa}
pattern=${2:-}
command -v valgrind > /dev/null || { echo "valgrind is not installed" >&2; exit 2; }
[ -x "$moxa" ] || { echo "no executable at $moxa" >&2; exit 2; }
logs=$(mktemp -d)
runs=0 bad=0

while IFS= read -r mox; do
  case "$mox" in *"$pattern"*) ;; *) continue ;; esac
  name=${mox#tests/golden/}
  in=${mox%.mox}.in
  [ -f "$in" ] || in=/dev/null
  log="$logs/$(echo "${name%.mox}" | tr / _).log"
  valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect,possible --log-file="$log" \
    "$moxa" "$mox" < "$in" > "$logs/out"
  status=$?
  runs=$((runs + 1))
  problems=()
  [ "$status" = 0 ] || problems+=("valgrind status $status")
  grep -q 'ERROR SUMMARY: 0 errors' "$log" || problems+=("$(grep 'ERROR SUMMARY' "$log")")
  if ! grep -q 'All heap blocks were freed' "$log"; then
    for kind in 'definitely lost' 'indirectly lost' 'possibly lost'; do
      grep -q "$kind: 0 bytes" "$log" || problems+=("$(grep "$kind" "$log")")
    done
  fi
  cmp -s "${mox%.mox}.out" "$logs/out" || problems+=("output differs from ${mox%.mox}.out")
  if [ "${#problems[@]}" -gt 0 ]; then
    bad=$((bad + 1))
    echo "FAIL $name: ${problems[*]} (see $log)"
  else
    rm -f "$log"
  fi
done < <(find tests/golden -name '*.mox' | sort)

rm -f "$logs/out"
echo "valgrind: $runs golden programs, $bad with errors, leaks or other output"
[ "$bad" = 0 ] && rmdir "$logs" 2> /dev/null
[ "$bad" = 0 ]
