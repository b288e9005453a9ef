dim i, s
for i = 1 to 3
  s = s + IntToStr(i)
next
if s = "123" then
  ShowMessage(s)
else
  s = ""
end if
