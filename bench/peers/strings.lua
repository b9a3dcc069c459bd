-- strings: the same appends and text comparisons as strings.mox.
local i, j = 0, 0
local eq, ne, lt = 0, 0, 0
local s, t = "m", "m"
while i < 1000000 do
  if i % 5 == 0 then s = s .. "ba" else s = s .. "ab" end
  if i % 3 == 0 then t = t .. "ba" else t = t .. "ab" end
  if s == t then eq = eq + 1 end
  if s ~= "mabab" then ne = ne + 1 end
  if s < t then lt = lt + 1 end
  j = j + 1
  if j == 7 then
    j = 0
    s = "m"
    t = "m"
  end
  i = i + 1
end
print("eq" .. string.format("%f", eq) .. " ne" .. string.format("%f", ne) ..
      " lt" .. string.format("%f", lt) .. " s" .. s .. " t" .. t)
