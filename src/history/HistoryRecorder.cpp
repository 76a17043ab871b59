// Turns each refresh of the polling thread into history events, one transaction per list.
#include "history/HistoryRecorder.h"

#include "model/UserGroups.h"
#include "util/SayOnStderr.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <cstdio>

namespace
{
const long long kSecondsADay = 24 * 60 * 60;
} // namespace

HistoryRecorder::HistoryRecorder(HistoryStore* store_, std::function<long long()> clock_)
    : store(store_), clock(std::move(clock_))
{
    SOLVANE_TRACE("[%p]HistoryRecorder::HistoryRecorder(%p)", static_cast<void*>(this), static_cast<void*>(store_));
}

long long HistoryRecorder::Now() const
{
    return clock ? clock() : static_cast<long long>(std::time(nullptr));
}

std::vector<HistoryEvent> HistoryRecorder::MakeEvents(long long time, const UserList& older, const UserList& added,
                                                      const UserList& deleted, const UserList& changed)
{
    SOLVANE_TRACE("HistoryRecorder::MakeEvents(%lld)", time);
    std::vector<HistoryEvent> events;
    events.reserve(added.GetCount() + deleted.GetCount() + changed.GetCount());
    auto add = [&](const User& user, HistoryKind kind) {
        HistoryEvent event;
        event.time = time;
        event.name = user.GetName();
        event.sharedName = user.ShareName();
        event.kind = kind;
        event.status = user.GetStatus();
        events.push_back(event);
    };
    for (const auto& entry : added)
        add(entry.second, HistoryKind::CameOnline);
    for (const auto& entry : deleted)
        add(entry.second, HistoryKind::WentOffline);
    for (const auto& entry : changed)
    {
        const User* before = older.FindUser(entry.first);
        if (!before || IconForStatus(before->GetStatus()) != IconForStatus(entry.second.GetStatus()))
            add(entry.second, HistoryKind::Changed);
    }
    return events;
}

void HistoryRecorder::OnFirstList(const UserList& list)
{
    SOLVANE_TRACE("[%p]HistoryRecorder::OnFirstList(%zu)", static_cast<void*>(this), list.GetCount());
    const long long now = Now();
    // Noted only: the clean-up runs once the list is out (OnIdle).
    PruneIfDue(now, true);
    std::vector<HistoryEvent> events;
    events.reserve(list.GetCount());
    for (const auto& entry : list)
    {
        HistoryEvent event;
        event.time = now;
        event.name = entry.second.GetName();
        event.sharedName = entry.second.ShareName();
        event.kind = HistoryKind::OnlineAtStart;
        event.status = entry.second.GetStatus();
        events.push_back(event);
    }
    Write(events, now, true);
}

void HistoryRecorder::OnDifference(const UserList& older, const UserList& added, const UserList& deleted,
                                   const UserList& changed)
{
    SOLVANE_TRACE("[%p]HistoryRecorder::OnDifference(%zu, %zu, %zu)", static_cast<void*>(this), added.GetCount(),
                  deleted.GetCount(), changed.GetCount());
    const long long now = Now();
    PruneIfDue(now, false);
    Write(MakeEvents(now, older, added, deleted, changed), now, false);
}

void HistoryRecorder::Write(const std::vector<HistoryEvent>& events, long long time, bool firstOfRun)
{
    if (!store || !store->IsWritable())
        return;
    wxString error;
    // Every list is noted, with events or without: a session still open when the program ends
    // ends at the run's last list.
    if (!store->RecordList(events, time, firstOfRun, &error) && !reported)
    {
        reported = true;
        SayOnStderr("the history is off for this run: " + error);
    }
}

long HistoryRecorder::KeptDays()
{
    return Settings::HistoryDays();
}

void HistoryRecorder::PruneIfDue(long long now, bool force)
{
    if (!store || !store->IsWritable())
        return;
    if (!force && now - lastPrune < kSecondsADay)
    {
        // The size bound holds between the daily prunings too: on a busy site a day's events
        // alone can pass it.
        long long oldest = 0, newest = 0;
        if (!pruneDue && store->GetIdRange(oldest, newest) && newest - oldest + 1 > kMaxEvents)
        {
            pruneDue = true;
            pruneBefore = LLONG_MIN;
        }
        return;
    }
    lastPrune = now;
    pruneDue = true;
    pruneBefore = now - KeptDays() * kSecondsADay;
}

bool HistoryRecorder::OnIdle(const StopToken& stop)
{
    if (!pruneDue || !store || !store->IsWritable())
        return false;
    const long long removed = store->Prune(pruneBefore, kMaxEvents, stop, HistoryStore::kPruneBatch);
    // A batch that came short was the last one; a failure ends the clean-up until the next is due.
    pruneDue = removed == HistoryStore::kPruneBatch;
    return pruneDue;
}
