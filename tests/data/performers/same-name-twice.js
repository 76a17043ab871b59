x.viewers = 1;
public_performers.add(x);
y.viewers = 3;
free_performers.add(y);
x.viewers = 8;
private_performers.add(x);
