alpha.viewers = 1;
online_performers.add(alpha);
private_performers.add(alpha);
beta.viewers = 2;
online_performers.add(beta);
free_performers.add(beta);
gamma.viewers = 3;
busy_performers.add(gamma);
