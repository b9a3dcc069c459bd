" Opens $PROGRAM as a user would, switches to the checker with :compiler moxa_check, runs
" :make with the checker $MOXA_CHECK in place of the one on the PATH, and writes to $OUT, as
" JSON, the cursor's line and column and the quickfix list.
set nocompatible
let &rtp = expand('<sfile>:p:h:h') . ',' . &rtp
filetype plugin on
syntax on
execute 'edit ' . fnameescape($PROGRAM)
compiler moxa_check
let s:makeprg = &l:makeprg
let &l:makeprg = substitute(&l:makeprg, '^moxa-check', escape($MOXA_CHECK, ' \'), '')
call cursor(1, 1)
silent make
let s:errors = map(getqflist(), {_, e -> {'bufnr': e.bufnr, 'lnum': e.lnum, 'col': e.col, 'type': e.type, 'text': e.text}})
call writefile([json_encode({'makeprg': s:makeprg, 'line': line('.'), 'col': col('.'), 'bufnr': bufnr('%'), 'errors': s:errors})], $OUT)
qa!
