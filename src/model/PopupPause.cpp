// How long pop-ups stay silenced: the end of a pause and whether one holds at a given moment.
#include "model/PopupPause.h"

#include "util/Trace.h"

long long PopupPause::EndFor(Length length, std::time_t now)
{
    SOLVANE_TRACE("PopupPause::EndFor(%d, %lld)", static_cast<int>(length), static_cast<long long>(now));
    switch (length)
    {
    case ONE_HOUR: return static_cast<long long>(now) + 3600;
    case UNTIL_RESUMED: return kUntilResumed;
    case UNTIL_MORNING: break;
    }
    std::tm local{};
    localtime_r(&now, &local);
    // Late in the evening the morning is the next day's; after midnight it is this day's.
    if (local.tm_hour >= kMorningHour)
        ++local.tm_mday;
    local.tm_hour = kMorningHour;
    local.tm_min = 0;
    local.tm_sec = 0;
    // The clock may change over night: let the library decide whether 06:00 is summer time.
    local.tm_isdst = -1;
    return static_cast<long long>(mktime(&local));
}

bool PopupPause::IsPaused(long long end, std::time_t now)
{
    return end == kUntilResumed || (end > 0 && static_cast<long long>(now) < end);
}
