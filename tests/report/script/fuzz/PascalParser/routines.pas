function F(n: Integer): Integer;
begin
  if n < 2 then Result := n else Result := F(n - 1) + F(n - 2);
end;
var a: array[0..3] of Variant;
begin
  try a[0] := F(10); except a[1] := ExceptionMessage; end;
  case a[0] of 1..5: a[2] := 1; 55: a[2] := 2; else a[2] := 3; end;
  repeat a[3] := a[3] + 1 until a[3] > 2;
end.