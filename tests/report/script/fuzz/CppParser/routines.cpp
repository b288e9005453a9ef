int F(int n) { if (n < 2) return n; return F(n - 1) + F(n - 2); }
{
  try { F(10); } except { ShowMessage(ExceptionMessage); }
  switch (F(3)) { case 2: ShowMessage("two"); break; default: ShowMessage("?"); }
}