#!/usr/bin/env bash
# The editors' checks, from a fresh Debian 12 machine: installs what is missing (vim, neovim,
# node, npm), builds the tools the tests run, installs the extension's pinned npm packages,
# runs the tests of the word lists, VS Code, Vim and Neovim, and leaves the extension packed
# in build/editors/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=()
command -v node > /dev/null || packages+=(nodejs)
command -v npm > /dev/null || packages+=(npm)
command -v python3 > /dev/null || packages+=(python3)
# Debian's vim (not vim-tiny): the tests need its syntax engine and script functions.
vim --version 2> /dev/null | grep -q '+syntax' || packages+=(vim)
command -v nvim > /dev/null || packages+=(neovim)
if [ ! -x build/moxa ] || [ ! -x build/tools/moxa_tokens ] || [ ! -x build/tools/moxa-check ] ||
  [ ! -x build/tools/moxa-lsp ] || [ ! -x build/tools/moxa-dap ]; then
  # The whole project is configured, moxa-grade's libraries included.
  packages+=(cmake ninja-build g++ nlohmann-json3-dev libtomlplusplus-dev libpugixml-dev)
fi
. .ci/packages.sh
install_missing "${packages[@]}"

echo "== editors: interpreter, token lister, checker, language server and debugger"
[ -f build/build.ninja ] || cmake --preset release
cmake --build --preset release --target moxa moxa_tokens moxa-check moxa-lsp moxa-dap

echo "== editors: npm ci"
(cd editors/vscode && npm ci --ignore-scripts --no-audit --no-fund)

echo "== editors: word lists, Vim, Neovim"
node --test editors/test/*.test.mjs editors/vim/test/*.test.mjs editors/nvim/test/*.test.mjs

echo "== editors: VS Code"
(cd editors/vscode && npm test)

echo "== editors: package"
mkdir -p build/editors
(cd editors/vscode && npx --no-install vsce package --skip-license \
  --allow-missing-repository --out ../../build/editors/moxa.vsix)
