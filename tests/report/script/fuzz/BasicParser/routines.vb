function F(n)
  if n < 2 then
    return n
  end if
  return F(n - 1) + F(n - 2)
end function
dim x
x = F(10)
while x > 0
  x = x - 7
wend
