-- moxa-lsp for moxa programs in Neovim (0.7 or later), with the built-in client: every buffer
-- of filetype moxa is attached to one moxa-lsp, which reports the checker's errors and
-- warnings as diagnostics, goes to a declaration (gd with a mapping of your own, or
-- :lua vim.lsp.buf.definition()), explains the word under the cursor (K, mapped in every
-- moxa buffer) and formats
-- (:lua vim.lsp.buf.formatting()).
--
--   require('moxa_lsp').setup()                                  -- moxa-lsp on the PATH
--   require('moxa_lsp').setup({ cmd = { '/opt/moxa/bin/moxa-lsp', '--stdio' } })
local M = {}

local client_id = nil

local function attach(buf, cmd)
  if vim.fn.executable(cmd[1]) ~= 1 then
    return
  end
  if client_id == nil or vim.lsp.get_client_by_id(client_id) == nil then
    client_id = vim.lsp.start_client({
      name = 'moxa-lsp',
      cmd = cmd,
      root_dir = vim.fn.getcwd(),
    })
  end
  if client_id ~= nil then
    vim.lsp.buf_attach_client(buf, client_id)
    -- K asks the server about the word under the cursor (Neovim before 0.10 maps it to
    -- 'keywordprg', which looks the word up in the man pages).
    vim.keymap.set('n', 'K', vim.lsp.buf.hover, { buffer = buf, desc = 'moxa-lsp: explain the word' })
  end
end

function M.setup(opts)
  opts = opts or {}
  local cmd = opts.cmd or { 'moxa-lsp', '--stdio' }
  local group = vim.api.nvim_create_augroup('moxa_lsp', { clear = true })
  -- Files ending in .mox are moxa programs, also where the Vim files of editors/vim are not
  -- on the runtime path.
  vim.api.nvim_create_autocmd({ 'BufRead', 'BufNewFile' }, {
    group = group,
    pattern = '*.mox',
    command = 'setfiletype moxa',
  })
  vim.api.nvim_create_autocmd('FileType', {
    group = group,
    pattern = 'moxa',
    callback = function(args)
      attach(args.buf, cmd)
    end,
  })
end

return M
