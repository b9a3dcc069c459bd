-- calls: the same four million calls as calls.mox. ident returns its one
-- argument (a moxa call used as a factor has its argument's value); tick
-- takes nothing and does nothing (a call statement without arguments).
local function ident(v)
  return v
end

local function tick()
end

local s = 0
local i = 0
while i < 1000000 do
  local x = ident(i % 10) * ident(3) + ident(i % 7)
  tick()
  s = s + x
  i = i + 1
end
print(string.format("%f", s))
