#!/usr/bin/env bash
# Builds the playground into the folder OUT: the interpreter compiled to WebAssembly, the
# page and its worker bundled with their npm packages, the examples and the offline list.
#   web/build.sh OUT
# Needs emscripten, node and npm (Debian: apt-get install -y emscripten nodejs npm cmake
# ninja-build). Environment: MOXA_WEB_BUILD is the CMake build folder (default build-web),
# MOXA_WEB_NESTING the most levels open at once (default: the largest that runs with a
# margin in Chromium's worker).
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: web/build.sh OUT" >&2
  exit 2
fi
web=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$web")
mkdir -p "$1"
out=$(cd "$1" && pwd)
build=${MOXA_WEB_BUILD:-$root/build-web}
nesting=${MOXA_WEB_NESTING:-3000}
# Debian's emscripten finds its JavaScript packages (acorn) only there.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

mkdir -p "$build"
emcmake cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DMOXA_TESTS=OFF -DMOXA_THREADS=OFF -DMOXA_WERROR=ON -DMOXA_LTO=OFF \
  -DMOXA_NESTING_LIMIT="$nesting" \
  -DCMAKE_CXX_FLAGS_RELEASE="-Os -DNDEBUG" -DCMAKE_EXE_LINKER_FLAGS_RELEASE="-Os" > "$build/configure.log" 2>&1 ||
  { cat "$build/configure.log"; exit 1; }
cmake --build "$build" --target moxa_web -j2

cd "$web"
[ -f node_modules/.package-lock.json ] || npm ci --no-audit --no-fund
npx esbuild src/main.js --bundle --minify --format=iife --target=es2020 --outfile="$out/app.js" --log-level=warning
npx esbuild src/worker.js --bundle --minify --format=iife --target=es2020 --outfile="$out/worker.js" --log-level=warning
npx esbuild src/check-worker.js --bundle --minify --format=iife --target=es2020 --outfile="$out/check-worker.js" --log-level=warning
cp src/index.html src/guide.html src/style.css "$out/"
cp "$build/web/moxa.js" "$build/web/moxa.wasm" "$out/"
node tools.mjs examples "$root/examples" "$out/examples.json"
node tools.mjs offline "$out" src/sw.js
echo "built the playground in $out"
