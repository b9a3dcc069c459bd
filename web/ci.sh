#!/usr/bin/env bash
# The playground's part of continuous integration: installs what it needs (Debian's
# emscripten and chromium, node and npm) and the page's npm packages from the lock file,
# builds the page, and runs its tests in node and in headless Chromium.
# Usage: web/ci.sh  (from anywhere; builds, or brings up to date, moxa, moxa-trace, moxa-check,
# moxa-fmt, moxa-grade and moxa_tokens in the native release build in build/). Leaves
# screenshots of the page in build-web-ci/page.png, of its findings in
# build-web-ci/diagnostics.png and of an assignment in build-web-ci/assignment.png.
set -euo pipefail
web=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$web")
cd "$root"

packages=(emscripten chromium cmake ninja-build g++)
command -v node > /dev/null || packages+=(nodejs)
command -v npm > /dev/null || packages+=(npm)
. .ci/packages.sh
install_missing "${packages[@]}"
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
# Node 20 fetches files through its own fetch unless told not to, which emscripten's
# loader does not expect.
node_wasm=(node)
if node --no-experimental-fetch -e 0 2> /dev/null; then node_wasm+=(--no-experimental-fetch); fi

echo "== playground: npm packages"
(cd web && npm ci --no-audit --no-fund)

echo "== playground: native interpreter, moxa-trace, the checker, the formatter, the grader, the token lister"
[ -f build/build.ninja ] || cmake --preset release > /dev/null
cmake --build --preset release --target moxa moxa-trace moxa-check moxa-fmt moxa_grade moxa_tokens

out=$root/build-web-ci
rm -rf "$out"
mkdir -p "$out"

echo "== playground: build"
MOXA_WEB_BUILD=$out/cmake web/build.sh "$out/site"
# The same module with the command line's nesting limit, for the golden programs that nest
# 10,000 levels deep; node is given a stack large enough for them.
MOXA_WEB_BUILD=$out/cmake-full MOXA_WEB_NESTING=10000 web/build.sh "$out/site-full"

echo "== playground: highlighter"
node web/test/language.mjs build/tools/moxa_tokens
node web/test/bytes.mjs

echo "== playground: golden programs and their traces through the module"
"${node_wasm[@]}" --stack-size=6000 web/test/golden.mjs "$out/site-full/moxa.js" build/tools/moxa-trace tests/golden

echo "== playground: the page in Chromium"
node web/test/page.mjs "$out/site" build/moxa tests/golden "$out/page.png"

echo "== playground: the step view in Chromium"
node web/test/stepview.mjs "$out/site"

echo "== playground: keyboard, screen reader and contrast in Chromium (axe-core)"
node web/test/a11y.mjs "$out/site"
echo "== playground: the checker and the formatter through the module"
"${node_wasm[@]}" --stack-size=6000 web/test/check-wasm.mjs "$out/site-full/moxa.js" \
  build/tools/moxa-check build/tools/moxa-fmt tests/golden examples

echo "== playground: findings, Tidy and the place of a run's error in Chromium"
node web/test/diagnostics.mjs "$out/site" build/moxa build/tools/moxa-fmt "$out/diagnostics.png"

echo "== playground: an assignment and its tests in Chromium, beside moxa-grade"
node web/test/assignment.mjs "$out/site" build/tools/moxa-grade examples/grading "$out/assignment.png"
