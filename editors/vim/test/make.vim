" Opens $PROGRAM as a user would (filetype plugin and syntax on), runs :make with the
" interpreter $MOXA in place of the one on the PATH, and writes to $OUT, as JSON, what the
" user would see: the options the plugin set, the cursor line and the quickfix list.
set nocompatible
let &rtp = expand('<sfile>:p:h:h') . ',' . &rtp
filetype plugin on
syntax on
execute 'edit ' . fnameescape($PROGRAM)
let s:plugin = {'filetype': &filetype, 'makeprg': &l:makeprg, 'commentstring': &l:commentstring}
let &l:makeprg = substitute(&l:makeprg, '^moxa', escape($MOXA, ' \'), '')
call cursor(1, 1)
silent make
let s:errors = map(getqflist(), {_, e -> {'bufnr': e.bufnr, 'lnum': e.lnum, 'text': e.text, 'valid': e.valid}})
call writefile([json_encode({'plugin': s:plugin, 'line': line('.'), 'bufnr': bufnr('%'), 'errors': s:errors})], $OUT)
qa!
