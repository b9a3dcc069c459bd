" Vim filetype plugin for moxa (*.mox): comments, and :make running the current file with
" the interpreter, its error message landing on the quoted line.
if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1
let s:cpo_save = &cpo
set cpo&vim

setlocal commentstring=::\ %s
setlocal comments=:::
setlocal makeprg=moxa\ %:S
" The interpreter reports an error as, for example,
"   V bloku: 'Blok', na radku: 3 nastala chyba - byl ocekavan znak: "{", ...
" possibly after program output on the same line; everything else it prints is ignored.
let &l:errorformat = "%.%#V bloku: '%*[^']'\\, na radku: %l nastala chyba - %m,%-G%.%#"

" The message names no file: it is about the file :make ran, so the errors are given this
" buffer before Vim jumps to the first one.
function! s:OwnErrors(buf) abort
  let items = getqflist()
  let changed = 0
  for e in items
    if e.valid && e.bufnr == 0
      let e.bufnr = a:buf
      let changed = 1
    endif
  endfor
  if changed
    call setqflist([], 'r', {'items': items})
  endif
endfunction

augroup moxa_make
  autocmd!
  autocmd QuickFixCmdPost make if &filetype ==# 'moxa' | call s:OwnErrors(bufnr('%')) | endif
augroup END

let b:undo_ftplugin = 'setlocal commentstring< comments< makeprg< errorformat<'

let &cpo = s:cpo_save
unlet s:cpo_save
