var i: Integer;
    s: String;
begin
  for i := 1 to 3 do
    s := s + IntToStr(i);
  if s = '123' then ShowMessage(s) else s := '';
end.