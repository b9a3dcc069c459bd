-- Opened by nvim --headless with the file to check: starts moxa-lsp ($MOXA_LSP) through the
-- setup a user writes, then reports the buffer's diagnostics (dump.lua).
local here = vim.fn.fnamemodify(debug.getinfo(1, 'S').source:sub(2), ':p:h')
vim.opt.runtimepath:append(vim.fn.fnamemodify(here, ':h'))
require('moxa_lsp').setup({ cmd = { vim.env.MOXA_LSP, '--stdio' } })
dofile(here .. '/dump.lua')
