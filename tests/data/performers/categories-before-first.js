// online performers, refreshed by the server on every request
var online_performers = new Set();
var free_performers = new Set();
var busy_performers = new Set();
var public_performers = new Set();
var private_performers = new Set();

online_performers.add(first);
busy_performers.add(first);
first.viewers = 4;
second.viewers = 2;
free_performers.add(second);
