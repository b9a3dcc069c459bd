" Opens $PROGRAM as a user would (filetype plugin and syntax on), switches to the compiler
" $COMPILER when one is given, runs :make with $TOOL in place of the command on the PATH, and
" writes to $OUT, as JSON, what the user would see: the options the plugin set, the cursor and
" the quickfix list.
set nocompatible
let &rtp = expand('<sfile>:p:h:h') . ',' . &rtp
filetype plugin on
syntax on
execute 'edit ' . fnameescape($PROGRAM)
if $COMPILER != '' | execute 'compiler ' . $COMPILER | endif
let s:plugin = {'filetype': &filetype, 'makeprg': &l:makeprg, 'commentstring': &l:commentstring}
let &l:makeprg = substitute(&l:makeprg, '^\S\+', escape($TOOL, ' \'), '')
call cursor(1, 1)
silent make
let s:errors = map(getqflist(), {_, e -> {'bufnr': e.bufnr, 'lnum': e.lnum, 'col': e.col, 'type': e.type, 'text': e.text, 'valid': e.valid}})
call writefile([json_encode({'plugin': s:plugin, 'line': line('.'), 'col': col('.'), 'bufnr': bufnr('%'), 'errors': s:errors})], $OUT)
qa!
