" Writes, for every file named in $FILES (one per line), the outermost and the innermost
" syntax group of each byte, as JSON to $OUT: {"file": ["outer/inner ...", one string per
" line]}. Run with
"   vim -es -u NONE -i NONE -N -S dump_syntax.vim
" Bytes are read as they are (Latin-1, no CR LF conversion) so that columns are byte offsets.
set nocompatible encoding=latin1 fileencodings= fileformats=unix synmaxcol=0
let &rtp = expand('<sfile>:p:h:h') . ',' . &rtp
filetype plugin on
syntax on
let s:result = {}
for s:file in readfile($FILES)
  execute 'silent edit! ' . fnameescape(s:file)
  let s:lines = []
  for s:l in range(1, line('$'))
    let s:names = []
    for s:c in range(1, col([s:l, '$']) - 1)
      let s:stack = synstack(s:l, s:c)
      call add(s:names, empty(s:stack) ? '-' : join(map([s:stack[0], s:stack[-1]], {_, g -> synIDattr(g, 'name')}), '/'))
    endfor
    call add(s:lines, join(s:names, ' '))
  endfor
  let s:result[s:file] = s:lines
endfor
call writefile([json_encode(s:result)], $OUT)
qa!
