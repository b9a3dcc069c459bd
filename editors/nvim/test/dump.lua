-- Once Neovim has started on the file to check: waits for the diagnostics of the buffer,
-- then, when $HOVER gives a place ("LINE,COL", from 1 and 0), puts the cursor there and
-- presses K and waits for the window that explains the word; writes the diagnostics (line and
-- column from 0, severity, message), that window's text and the buffer's filetype to $OUT as
-- JSON, then quits.
vim.api.nvim_create_autocmd('VimEnter', {
  callback = function()
    vim.wait(20000, function()
      return #vim.diagnostic.get(0) > 0
    end, 50)
    local found = {}
    for _, d in ipairs(vim.diagnostic.get(0)) do
      table.insert(found, { lnum = d.lnum, col = d.col, end_col = d.end_col, severity = d.severity, message = d.message })
    end
    local hover = nil
    if vim.env.HOVER then
      local line, col = vim.env.HOVER:match('(%d+),(%d+)')
      vim.api.nvim_win_set_cursor(0, { tonumber(line), tonumber(col) })
      vim.api.nvim_feedkeys('K', 'x', false)
      vim.wait(20000, function()
        for _, w in ipairs(vim.api.nvim_list_wins()) do
          if vim.api.nvim_win_get_config(w).relative ~= '' then
            hover = table.concat(vim.api.nvim_buf_get_lines(vim.api.nvim_win_get_buf(w), 0, -1, false), '\n')
            return true
          end
        end
        return false
      end, 50)
    end
    local out = { filetype = vim.bo.filetype, diagnostics = found, hover = hover }
    vim.fn.writefile({ vim.fn.json_encode(out) }, vim.env.OUT)
    vim.cmd('qa!')
  end,
})
