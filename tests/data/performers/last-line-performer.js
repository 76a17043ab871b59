x.viewers = 1;
private_performers.add(x);
y.viewers = 2;