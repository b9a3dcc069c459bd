#!/usr/bin/env bash
# Makes editors/doc/vim-make.png: Vim with the moxa package in tmux, after :make on a program
# with an error and :copen, the screen rendered as a page and shot by headless Chromium.
# Needs tmux, vim, python3, chromium and a built interpreter (build/moxa).
set -euo pipefail
cd "$(dirname "$0")"
doc=$PWD
repo=$(cd ../.. && pwd)
work=$(mktemp -d)
trap 'tmux kill-session -t moxa-shot 2> /dev/null || true; rm -rf "$work"' EXIT
cp screenshot.mox "$work/faktorial.mox"
cat > "$work/vimrc" <<VIMRC
set nocompatible
let &rtp = '$repo/editors/vim,' . &rtp
filetype plugin on
syntax on
set background=dark number cursorline laststatus=2 t_Co=256 shortmess+=I
VIMRC
cd "$work"
PATH="$repo/build:$PATH" tmux new-session -d -s moxa-shot -x 92 -y 17 \
  "TERM=xterm-256color vim -u vimrc -i NONE faktorial.mox"
keys() { tmux send-keys -t moxa-shot "$@"; sleep 0.7; }
sleep 1
keys ':make' Enter
keys Enter
keys ':copen 3' Enter
keys ':wincmd p' Enter
keys ':echo ""' Enter
tmux capture-pane -t moxa-shot -p -e > screen.ansi
python3 "$doc/ansi2html.py" screen.ansi > screen.html
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=790,292 \
  --screenshot="$doc/vim-make.png" "file://$work/screen.html" 2> /dev/null
echo "wrote $doc/vim-make.png"
