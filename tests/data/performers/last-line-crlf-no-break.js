x.viewers = 1;
busy_performers.add(x);