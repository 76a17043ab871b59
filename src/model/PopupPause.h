// How long pop-ups stay silenced: the end of a pause and whether one holds at a given moment.
#pragma once

#include <ctime>

class PopupPause
{
public:
    enum Length
    {
        ONE_HOUR,
        UNTIL_MORNING, // the next 06:00 local time
        UNTIL_RESUMED
    };

    /// The stored value meaning "until resumed".
    static constexpr long long kUntilResumed = -1;
    /// The hour of the morning that UNTIL_MORNING runs to.
    static constexpr int kMorningHour = 6;

    /// The value to store for a pause of that length begun at now (seconds since the epoch).
    static long long EndFor(Length length, std::time_t now);
    /// True while a pause stored as end holds at now; 0 (no pause) and past ends give false.
    static bool IsPaused(long long end, std::time_t now);
};
