#!/usr/bin/env bash
# Makes editors/doc/nvim-lsp.png: Neovim in tmux with the Vim files and the moxa-lsp setup of
# editors/nvim, on a program whose missing ';' is noticed at the next token, on the line
# below, while a run quotes the line after that: the diagnostic is shown where the ';' is
# missing and in the location list, the screen rendered as a page and shot by headless
# Chromium.
# Needs tmux, neovim, python3, chromium and a built language server (build/tools/moxa-lsp).
set -euo pipefail
cd "$(dirname "$0")"
doc=$PWD
repo=$(cd ../.. && pwd)
work=$(mktemp -d)
trap 'tmux kill-session -t moxa-nvim-shot 2> /dev/null || true; rm -rf "$work"' EXIT
cat > "$work/soucet.mox" <<'MOX'
:: the sum of the numbers from 1 to 10
{
  @i -> 1;
  @soucet -> 0;
  w2 (@i <= 10) {
    @soucet -> @soucet + @i;
    @i -> @i + 1
  }
  w2_end;
  pis_ln(@soucet);
} .
MOX
cat > "$work/init.lua" <<INIT
vim.opt.runtimepath:prepend('$repo/editors/vim')
vim.opt.runtimepath:append('$repo/editors/nvim')
vim.opt.number = true
vim.opt.termguicolors = false
vim.opt.shortmess:append('I')
vim.cmd('syntax on')
vim.diagnostic.config({ virtual_text = { prefix = '<' }, float = { border = 'none' } })
require('moxa_lsp').setup()
INIT
cd "$work"
PATH="$repo/build/tools:$PATH" tmux new-session -d -s moxa-nvim-shot -x 120 -y 18 \
  "TERM=xterm-256color nvim -u init.lua -i NONE -n soucet.mox"
keys() { tmux send-keys -t moxa-nvim-shot "$@"; sleep 0.7; }
sleep 3
keys ':lua vim.diagnostic.setloclist({ open = false })' Enter
keys ':lopen 3' Enter
keys ':wincmd p' Enter
keys ':7' Enter
keys '$' ''
keys ':echo ""' Enter
sleep 1
tmux capture-pane -t moxa-nvim-shot -p -e > screen.ansi
python3 "$doc/ansi2html.py" screen.ansi > screen.html
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1020,300 \
  --screenshot="$doc/nvim-lsp.png" "file://$work/screen.html" 2> /dev/null
echo "wrote $doc/nvim-lsp.png"
