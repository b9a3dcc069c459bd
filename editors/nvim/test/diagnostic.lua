-- Opened by nvim --headless with the file to check: starts moxa-lsp ($MOXA_LSP) through the
-- setup a user writes, waits for the diagnostics of the buffer, and writes them to $OUT as
-- JSON (line and column from 0, severity, message), then quits.
local here = vim.fn.fnamemodify(debug.getinfo(1, 'S').source:sub(2), ':p:h')
vim.opt.runtimepath:append(vim.fn.fnamemodify(here, ':h'))
require('moxa_lsp').setup({ cmd = { vim.env.MOXA_LSP, '--stdio' } })

vim.api.nvim_create_autocmd('VimEnter', {
  callback = function()
    vim.wait(20000, function()
      return #vim.diagnostic.get(0) > 0
    end, 50)
    local found = {}
    for _, d in ipairs(vim.diagnostic.get(0)) do
      table.insert(found, { lnum = d.lnum, col = d.col, end_col = d.end_col, severity = d.severity, message = d.message })
    end
    local out = { filetype = vim.bo.filetype, diagnostics = found }
    vim.fn.writefile({ vim.fn.json_encode(out) }, vim.env.OUT)
    vim.cmd('qa!')
  end,
})
