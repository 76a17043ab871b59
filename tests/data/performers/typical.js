// online performers, refreshed by the server on every request
var online_performers = new Set();
var free_performers = new Set();
var busy_performers = new Set();
var public_performers = new Set();
var private_performers = new Set();

AmberRose07.viewers = 0;
online_performers.add(AmberRose07);
free_performers.add(AmberRose07);
Luna_Star.viewers = 12;
Luna_Star.hd = true;
online_performers.add(Luna_Star);
busy_performers.add(Luna_Star);
public_performers.add(Luna_Star);
MissKitty42.viewers = 1;
online_performers.add(MissKitty42);
busy_performers.add(MissKitty42);
private_performers.add(MissKitty42);
// -- 3 --
sweetpeach.viewers = 3;
online_performers.add(sweetpeach);

if (typeof onPerformersLoaded == "function") onPerformersLoaded(online_performers);
