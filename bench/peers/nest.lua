-- nest: the same four nested loops as nest.mox.
local s = 0
local a = 0
while a < 40 do
  local b = 0
  while b < 40 do
    local c = 0
    while c < 40 do
      local d = 0
      while d < 40 do
        if (a + b + c + d) % 3 == 0 then
          s = s + a * d
        else
          s = s + b - c
        end
        d = d + 1
      end
      c = c + 1
    end
    b = b + 1
  end
  a = a + 1
end
print(string.format("%f", s))
