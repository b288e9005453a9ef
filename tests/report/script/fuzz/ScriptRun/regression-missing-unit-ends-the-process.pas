uses 'no-such-unit-anywhere.pas';
begin
end.
