x.viewers = 1;
private_performers.add(x);
