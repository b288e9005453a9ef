int i; string s;
{
  for (i = 0; i < 3; i++) { s = s + IntToStr(i); }
  if (s == "012") ShowMessage(s); else s = "";
}