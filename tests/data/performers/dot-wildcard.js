a_1Xviewers = 3;
online_performersXadd(a_1);
b-viewers = 0;
free_performers add(b);
c.viewers=1;
public_performers.add(c);
d.viewers = x;
e.viewers = -1;
busy_performers.add(e);
