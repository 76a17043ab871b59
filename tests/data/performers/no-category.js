a.viewers = 0;
b.viewers = 1;
online_performers.add(b);
c.viewers = 9;
