" moxa programs end in .mox.
autocmd BufNewFile,BufRead *.mox setfiletype moxa
