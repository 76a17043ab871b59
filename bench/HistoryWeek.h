// Days of simulated history as the program would record them: it runs from 17:00 to 01:30 each
// day (so each day is a new run), a list every five minutes, and performers of steady habits.
// Alice_Moon is online Monday to Friday 20:00-23:00 (busy 21:00-21:30) but for the days in
// skipDays, Bella_Rose at weekends 18:00-22:00, Cleo_Star every night 23:00-00:30.
#pragma once

#include "history/HistoryRecorder.h"
#include "model/UserList.h"

#include <ctime>
#include <memory>
#include <set>

/// The local time of an hour and minute on the day dayOffset days from the day of time.
inline long long WeekLocalTime(long long time, int dayOffset, int hour, int minute)
{
    const time_t at = static_cast<time_t>(time);
    struct tm local = {};
    localtime_r(&at, &local);
    local.tm_mday += dayOffset;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    return static_cast<long long>(mktime(&local));
}

/// Records the days before the day of now (days runs, the last ending before now's day begins
/// or at now, whichever is first) into the file at path; true on success. skipDays: the days
/// back from now (1: yesterday) on which Alice_Moon stays away.
inline bool FillWeek(const wxString& path, long long now, int days, const std::set<int>& skipDays = {})
{
    const auto online = [&](long long time, int day) {
        struct tm local = {};
        const time_t at = static_cast<time_t>(time);
        localtime_r(&at, &local);
        const int minutes = local.tm_hour * 60 + local.tm_min;
        const int weekday = (local.tm_wday + 6) % 7; // Monday 0
        UserList list;
        list.AddUser(User("Dora_Sun", 0x03)); // always there, so that every list has somebody
        if (weekday < 5 && minutes >= 20 * 60 && minutes < 23 * 60 && !skipDays.count(day))
            list.AddUser(User("Alice_Moon", minutes >= 21 * 60 && minutes < 21 * 60 + 30 ? 0x05 : 0x03));
        if (weekday >= 5 && minutes >= 18 * 60 && minutes < 22 * 60)
            list.AddUser(User("Bella_Rose", 0x03));
        if (minutes >= 23 * 60 || minutes < 30)
            list.AddUser(User("Cleo_Star", minutes < 30 ? 0x05 : 0x03));
        return list;
    };
    for (int day = days; day >= 1; --day)
    {
        long long time = WeekLocalTime(now, -day, 17, 0);
        const long long end = std::min(now, WeekLocalTime(now, -day + 1, 1, 30));
        HistoryStore store;
        if (store.Open(path) == HistoryStore::OpenResult::Failed)
            return false;
        HistoryRecorder recorder(&store, [&time] { return time; });
        UserList current = online(time, day);
        recorder.OnFirstList(current);
        for (time += 300; time <= end; time += 300)
        {
            const UserList newer = online(time, day);
            UserList added, deleted, changed;
            current.GetDifference(newer, added, deleted, changed);
            recorder.OnDifference(current, added, deleted, changed);
            current = newer;
        }
        if (!store.IsWritable())
            return false;
    }
    return true;
}
