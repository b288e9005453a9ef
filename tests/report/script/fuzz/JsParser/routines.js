function F(n) { if (n < 2) return n; return F(n - 1) + F(n - 2); }
var x = F(10);
while (x > 0) { x = x - 7; }
