#!/usr/bin/env bash
# The slow hostile checks, which ctest does not run, one after the other (each script says
# what it checks): big_inputs.py at full size (about half a minute), linear_cost.py (a few
# minutes), valgrind_golden.sh (several minutes) and, when it is built, the memory-failure test
# under valgrind (a few minutes): every failing allocation must leave no byte lost and no
# memory error.
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
step "valgrind over the golden programs" tests/hostile/valgrind_golden.sh "$moxa"
if [ -x "$build/tests/alloc_fail_test" ]; then
  # The test brings its own operator new: valgrind must not put its own in its place.
  step "memory failures under valgrind" valgrind -q --soname-synonyms=somalloc=nouserintercepts \
    --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect,possible \
    "$build/tests/alloc_fail_test"
fi
exit "$status"
