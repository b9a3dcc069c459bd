#!/usr/bin/env bash
# The slow hostile checks, which ctest does not run, one after the other:
#   1. big_inputs.py: 100 MB of random bytes, of dropped bytes, of comment and of string
#      literal, and 2^31 + 1 line feeds, each in bounded memory (about half a minute);
#   2. linear_cost.py: every kind of program that can grow, at size N, 2N and 4N, its
#      instructions counted by callgrind (a few minutes);
#   3. cli_test.sh: closed pipes, a full disk, closed and unreadable standard streams;
#   4. valgrind_golden.sh: every golden program under valgrind (several minutes);
#   5. the memory-failure test under valgrind, when it is built (a few minutes): every
#      failing allocation must leave no byte lost and no memory error.
#
#   tests/hostile/run_slow.sh [BUILD-FOLDER]      (default: build, from the release preset)
#
# Exits non-zero when any of them fails.
set -u
cd "$(dirname "$0")/../.."
build=${1:-build}
moxa="$build/moxa"
[ -x "$moxa" ] || { echo "no executable at $moxa: build it first (cmake --workflow --preset test)" >&2; exit 2; }
status=0

step() {
  echo "== $1"
  shift
  local start=$SECONDS
  if "$@"; then echo "   passed in $((SECONDS - start)) s"; else echo "   FAILED"; status=1; fi
}

step "big inputs" python3 tests/hostile/big_inputs.py "$moxa"
step "linear cost" python3 tests/hostile/linear_cost.py "$moxa"
step "command line and streams" bash tests/cli_test.sh "$moxa"
step "valgrind over the golden programs" tests/hostile/valgrind_golden.sh "$moxa"
if [ -x "$build/tests/alloc_fail_test" ]; then
  # The test brings its own operator new: valgrind must not put its own in its place.
  step "memory failures under valgrind" valgrind -q --soname-synonyms=somalloc=nouserintercepts \
    --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect,possible \
    "$build/tests/alloc_fail_test"
fi
exit "$status"
