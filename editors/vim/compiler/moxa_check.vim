" Vim compiler file for moxa: :make checks the current file with moxa-check instead of running
" it. The checker names the file, the line and the column (in bytes) of the token a message is
" about, so the cursor lands on that token even where a run's message quotes a later line.
"   :compiler moxa_check      check with :make
"   :set filetype=moxa        back to :make running the file
if exists('current_compiler')
  finish
endif
let current_compiler = 'moxa_check'
if exists(':CompilerSet') != 2
  command -nargs=* CompilerSet setlocal <args>
endif
let s:cpo_save = &cpo
set cpo&vim

CompilerSet makeprg=moxa-check\ %:S
" error and warning lines, then the notes attached to them (the place of a dropped byte, for
" example), listed as lines of their own.
CompilerSet errorformat=%f:%l:%c:\ %trror:\ %m,%f:%l:%c:\ %tarning:\ %m,%f:%l:%c:\ note:\ %m,%-G%.%#

let &cpo = s:cpo_save
unlet s:cpo_save
