var x = 1 + 2 - ;
var y; y = 1 + 2 - > 3;
