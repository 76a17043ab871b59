// What a performer's history says in sums: sessions, last times, hours per day, the weekly chart.
#include "history/HistorySessions.h"

#include "model/UserGroups.h"
#include "util/Trace.h"

#include <wx/intl.h>

#include <algorithm>
#include <ctime>

namespace
{
// The run of a time: the last to start at or before it; -1 for none.
long RunOf(const std::vector<HistoryRun>& runs, long long time)
{
    const auto after = std::upper_bound(runs.begin(), runs.end(), time,
                                        [](long long t, const HistoryRun& run) { return t < run.start; });
    return static_cast<long>(after - runs.begin()) - 1;
}

// The end of the run of the last event seen, lastTime: its last list when the runs know it.
long long RunEnd(const std::vector<HistoryRun>& runs, long long lastTime)
{
    const long run = RunOf(runs, lastTime);
    return run >= 0 && runs[run].lastList >= lastTime ? runs[run].lastList : lastTime;
}

// The local midnight of the day of a time, and the start of an hour of the day after it.
long long LocalTime(long long time, int dayOffset, int hour)
{
    const time_t at = static_cast<time_t>(time);
    struct tm local = {};
    localtime_r(&at, &local);
    local.tm_mday += dayOffset;
    local.tm_hour = hour;
    local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    return static_cast<long long>(mktime(&local));
}
} // namespace

PerformerSummary SummariseHistory(const std::vector<HistoryEvent>& events, const std::vector<HistoryRun>& runs,
                                  long long currentRunStart)
{
    SOLVANE_TRACE("SummariseHistory(%zu, %zu)", events.size(), runs.size());
    PerformerSummary summary;
    bool inSession = false;
    HistorySession session;
    uint32_t status = 0;
    long long lastTime = 0;
    // The status last seen was held until then: the last time free or busy moves on with it.
    const auto held = [&](long long until) {
        const StatusIcon icon = IconForStatus(status);
        if (icon == StatusIcon::Free)
            summary.lastFree = std::max(summary.lastFree, until);
        else if (icon == StatusIcon::Busy)
            summary.lastBusy = std::max(summary.lastBusy, until);
    };
    const auto close = [&](long long end, bool open) {
        held(end);
        session.end = end;
        session.open = open;
        summary.sessions.push_back(session);
        summary.lastOnline = std::max(summary.lastOnline, end);
        inSession = false;
    };
    const auto begin = [&](const HistoryEvent& event) {
        session = HistorySession();
        session.start = event.time;
        inSession = true;
    };
    for (const HistoryEvent& event : events)
    {
        switch (event.kind)
        {
        case HistoryKind::OnlineAtStart:
        case HistoryKind::CameOnline:
            // Still in a session: the program stopped while the performer was online, as within one
            // run an arrival follows a departure. It ended at the end of the run it was seen in.
            if (inSession)
                close(std::min(RunEnd(runs, lastTime), event.time), true);
            begin(event);
            break;
        case HistoryKind::Changed:
            // The start was pruned away: the session is known from its first kept event.
            if (!inSession)
                begin(event);
            else
                held(event.time);
            break;
        case HistoryKind::WentOffline:
            if (inSession)
                close(event.time, false);
            break;
        }
        status = event.status;
        lastTime = event.time;
    }
    if (inSession)
    {
        const long run = RunOf(runs, lastTime);
        summary.onlineNow = currentRunStart != 0 && run >= 0 && runs[run].start == currentRunStart;
        summary.statusNow = summary.onlineNow ? status : 0;
        close(RunEnd(runs, lastTime), true);
    }
    return summary;
}

double WeeklyChart::Share(int day, int hour) const
{
    const int days = observed[day][hour];
    return days == 0 ? -1.0 : static_cast<double>(online[day][hour]) / days;
}

std::pair<int, int> WeeklyChart::DayAndHour(long long time)
{
    const time_t at = static_cast<time_t>(time);
    struct tm local = {};
    localtime_r(&at, &local);
    return {(local.tm_wday + 6) % 7, local.tm_hour};
}

std::vector<std::pair<long long, long long>> WatchedSpans(const HistoryStore::NameHistory& history)
{
    std::vector<std::pair<long long, long long>> spans;
    for (const HistoryRun& run : history.runs)
        spans.emplace_back(run.start, run.lastList);
    if (spans.empty() && history.newestTime != 0)
        spans.emplace_back(history.oldestTime, history.newestTime);
    return spans;
}

WeeklyChart MakeWeeklyChart(const std::vector<HistorySession>& sessions,
                            const std::vector<std::pair<long long, long long>>& watched)
{
    SOLVANE_TRACE("MakeWeeklyChart(%zu, %zu)", sessions.size(), watched.size());
    WeeklyChart chart;
    if (watched.empty())
        return chart;
    long long first = watched.front().first, last = watched.front().second;
    for (const auto& span : watched)
    {
        first = std::min(first, span.first);
        last = std::max(last, span.second);
    }
    // Every hour of every day from the first watched to the last, in local time: its start, and
    // whether it was watched and the performer online in it. Each hour counts once a day however
    // many spans touch it.
    struct Slot
    {
        long long start, end;
        int day, hour;
        bool watched, online;
    };
    std::vector<Slot> slots;
    for (int offset = 0;; ++offset)
    {
        const long long midnight = LocalTime(first, offset, 0);
        if (midnight > last)
            break;
        const int day = WeeklyChart::DayAndHour(midnight).first;
        for (int hour = 0; hour < WeeklyChart::kHours; ++hour)
            slots.push_back(
                {LocalTime(first, offset, hour), LocalTime(first, offset, hour + 1), day, hour, false, false});
    }
    const auto mark = [&slots](const std::pair<long long, long long>& span, bool Slot::*flag) {
        auto slot = std::upper_bound(slots.begin(), slots.end(), span.first,
                                     [](long long time, const Slot& s) { return time < s.end; });
        // From the span's start up to its end, not into the hour that its end begins: a session that
        // ended at 23:00 was not online from 23:00. One of a single list counts for its hour.
        const long long end = std::max(span.second, span.first + 1);
        for (; slot != slots.end() && slot->start < end; ++slot)
            (*slot).*flag = true;
    };
    for (const auto& span : watched)
        mark(span, &Slot::watched);
    for (const HistorySession& session : sessions)
        mark({session.start, session.end}, &Slot::online);
    for (const Slot& slot : slots)
    {
        if (!slot.watched)
            continue;
        ++chart.observed[slot.day][slot.hour];
        if (slot.online)
            ++chart.online[slot.day][slot.hour];
    }
    return chart;
}

std::vector<std::pair<long long, long long>> SecondsOnlinePerDay(const std::vector<HistorySession>& sessions,
                                                                 long long now, int days)
{
    std::vector<std::pair<long long, long long>> perDay;
    for (int offset = 1 - days; offset <= 0; ++offset)
    {
        const long long start = LocalTime(now, offset, 0), end = LocalTime(now, offset + 1, 0);
        long long seconds = 0;
        for (const HistorySession& session : sessions)
            seconds += std::max(0LL, std::min(end, session.end) - std::max(start, session.start));
        perDay.emplace_back(start, seconds);
    }
    return perDay;
}

wxString WeekdayName(int day)
{
    static const char* const names[] = {wxTRANSLATE("Mon"), wxTRANSLATE("Tue"), wxTRANSLATE("Wed"), wxTRANSLATE("Thu"),
                                        wxTRANSLATE("Fri"), wxTRANSLATE("Sat"), wxTRANSLATE("Sun")};
    return wxGetTranslation(names[day]);
}

wxString DescribeUsualHours(const WeeklyChart& chart)
{
    // Each day's usual hours as ranges, "20:00–23:00, 06:00–07:00"; then the days with the same
    // ranges next to each other as one, "Mon–Fri".
    std::vector<wxString> hours(WeeklyChart::kDays);
    for (int day = 0; day < WeeklyChart::kDays; ++day)
    {
        for (int hour = 0; hour < WeeklyChart::kHours;)
        {
            if (chart.Share(day, hour) < 0.5)
            {
                ++hour;
                continue;
            }
            int end = hour;
            while (end < WeeklyChart::kHours && chart.Share(day, end) >= 0.5)
                ++end;
            hours[day] += wxString::Format(L"%s%02d:00\u2013%02d:00", hours[day].empty() ? "" : ", ", hour, end);
            hour = end;
        }
    }
    wxString text;
    for (int day = 0; day < WeeklyChart::kDays;)
    {
        int last = day;
        while (last + 1 < WeeklyChart::kDays && hours[last + 1] == hours[day])
            ++last;
        if (!hours[day].empty())
        {
            const wxString days = last == day ? WeekdayName(day) : WeekdayName(day) + L"\u2013" + WeekdayName(last);
            text += (text.empty() ? "" : "; ") + days + " " + hours[day];
        }
        day = last + 1;
    }
    return text.empty() ? wxString(_("No usual hours yet")) : wxString::Format(_("Usually online %s"), text);
}
