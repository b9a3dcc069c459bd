#!/usr/bin/env bash
# Remakes editors/doc/debugger.png: the moxa debugger in code-server (VS Code in the browser),
# stopped in tests/tools/trace/loops.mox, photographed by headless Chromium. Not run by CI.
# Needs node 20, npm, g++, make, python3, chromium, ripgrep and libkrb5-dev (Debian); builds
# moxa and moxa-dap (release preset) and packs the extension; installs code-server 4.100.3
# and playwright-core into a scratch folder (first argument, default: a new temporary one).
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
scratch="${1:-$(mktemp -d)}"
mkdir -p "$scratch"
scratch="$(cd "$scratch" && pwd)"
port="${PORT:-8931}"

echo "== moxa and moxa-dap"
cd "$repo"
[ -f build/build.ninja ] || cmake --preset release
cmake --build --preset release --target moxa moxa-dap

echo "== the extension"
(cd editors/vscode && npm ci --ignore-scripts --no-audit --no-fund &&
  npx --no-install vsce package --skip-license --allow-missing-repository \
    --out "$scratch/moxa.vsix")

echo "== code-server in $scratch"
cd "$scratch"
[ -f package.json ] || npm init -y > /dev/null
if [ ! -x node_modules/.bin/code-server ]; then
  # Its install scripts are run by hand: the one of @vscode/ripgrep downloads from GitHub,
  # so Debian's rg takes the place of its binary.
  npm install code-server@4.100.3 playwright-core@1.65.2 --ignore-scripts --no-audit --no-fund
  npm_config_yes=true npm rebuild argon2
  (
    cd node_modules/code-server/lib/vscode
    npm install --omit=dev --ignore-scripts --no-audit --no-fund
    mkdir -p node_modules/@vscode/ripgrep/bin
    cp "$(command -v rg)" node_modules/@vscode/ripgrep/bin/rg
    npm_config_yes=true npm rebuild kerberos @parcel/watcher @vscode/deviceid @vscode/spdlog \
      native-watchdog node-pty
    ln -sfn node_modules node_modules.asar
    (cd bin/remote-cli && ln -sfn code-linux.sh code-server)
    (cd bin/helpers && ln -sfn browser-linux.sh browser.sh)
    cd extensions
    npm install --omit=dev --ignore-scripts --no-audit --no-fund
    node postinstall.mjs > /dev/null
  )
fi

# A fresh profile each time (breakpoints and layout are kept there), the program in a
# workspace of its own, and the tools on the PATH. The server hands its extension host the
# PATH of a login shell instead of its own, so the settings name the tools as well.
rm -rf data ws
mkdir -p bin data/User ws
ln -sfn "$repo/build/moxa" bin/moxa
ln -sfn "$repo/build/tools/moxa-dap" bin/moxa-dap
cp "$repo/tests/tools/trace/loops.mox" ws/
cat > data/User/settings.json << JSON
{
  "workbench.startupEditor": "none",
  "workbench.colorTheme": "Default Light Modern",
  "workbench.tips.enabled": false,
  "security.workspace.trust.enabled": false,
  "telemetry.telemetryLevel": "off",
  "update.mode": "none",
  "extensions.ignoreRecommendations": true,
  "window.commandCenter": false,
  "chat.commandCenter.enabled": false,
  "workbench.secondarySideBar.defaultVisibility": "hidden",
  "editor.minimap.enabled": false,
  "moxa.interpreter": "$scratch/bin/moxa",
  "moxa.debugger": "$scratch/bin/moxa-dap"
}
JSON
cs=(node_modules/.bin/code-server --user-data-dir "$scratch/data" --extensions-dir "$scratch/ext")
"${cs[@]}" --install-extension "$scratch/moxa.vsix" --force

echo "== the picture"
if curl -s -o /dev/null "http://127.0.0.1:$port/"; then
  echo "port $port is taken: set PORT to a free one" >&2
  exit 1
fi
# The server and what it starts (extension host, moxa-dap) in a process group of their own,
# ended together.
PATH="$scratch/bin:$PATH" setsid "${cs[@]}" --auth none --bind-addr "127.0.0.1:$port" \
  --disable-telemetry --disable-update-check --disable-workspace-trust "$scratch/ws" \
  > "$scratch/server.log" 2>&1 &
server=$!
trap 'kill -- "-$server" 2> /dev/null || true' EXIT
for _ in $(seq 60); do
  kill -0 "$server" 2> /dev/null || {
    cat "$scratch/server.log" >&2
    exit 1
  }
  curl -s -o /dev/null "http://127.0.0.1:$port/healthz" && break
  sleep 1
done
# The driver runs from the scratch folder, where node finds playwright-core.
cp "$repo/editors/doc/debugger-picture.mjs" drive.mjs
node drive.mjs "http://127.0.0.1:$port" "$scratch/ws" "$repo/editors/doc/debugger.png"
echo "== wrote editors/doc/debugger.png ($(stat -c %s "$repo/editors/doc/debugger.png") bytes)"
