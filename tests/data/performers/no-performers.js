// online performers, refreshed by the server on every request
var online_performers = new Set();
var free_performers = new Set();
var busy_performers = new Set();
var public_performers = new Set();
var private_performers = new Set();

online_performers.add(ghost);
free_performers.add(ghost);

if (typeof onPerformersLoaded == "function") onPerformersLoaded(online_performers);
