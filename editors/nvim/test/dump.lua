-- Once Neovim has started on the file to check: waits for the diagnostics of the buffer,
-- writes them to $OUT as JSON (line and column from 0, severity, message) with the buffer's
-- filetype, then quits.
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
