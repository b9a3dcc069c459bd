-- arith: the same computation as arith.mox. '/' is float division, as in
-- moxa; (p - q) is a multiple of 97, so its quotient is an exact integer.
local s = 0
local i = 0
while i < 3000 do
  local j = 0
  while j < 1000 do
    local p = i * j + 7
    local q = p % 97
    if q < 50 then
      s = s + q * 3
    else
      s = s - (p - q) / 97 % 13
    end
    j = j + 1
  end
  i = i + 1
end
print(string.format("%f", s))
