// Turns each refresh of the polling thread into history events, one transaction per list.
//
// Usage:
//   HistoryRecorder recorder(&store);
//   daemonThread->SetObserver(&recorder);   // before Run(); the recorder outlives the thread
//
// The first list of a run is recorded as online at start. A change of status is recorded when
// the status's icon changes (free, busy, or neither); the rest of a status only shows on the
// site. Old events go after the first list and once a day: those older than the days of
// SettingsKeys::kHistoryDays and the oldest beyond kMaxEvents. They go a batch at a time between
// refreshes (OnIdle), so that neither the first list nor a stop waits for a long history's
// clean-up. A failed write turns the history off for the run with one line on standard error;
// the refreshes go on as before.
#pragma once

#include "history/HistoryStore.h"
#include "model/UserListObserver.h"

#include <functional>
#include <vector>

class HistoryRecorder : public UserListObserver
{
public:
    /// Keeps the file under 200 MB however busy the site is (an event takes about 55 bytes
    /// with its share of the index); on a quiet site the days bound it first.
    static const long long kMaxEvents = 3500000;

    /// The store is not owned; clock gives seconds since the epoch (the wall clock when empty).
    explicit HistoryRecorder(HistoryStore* store, std::function<long long()> clock = {});

    void OnFirstList(const UserList& list) override;
    void OnDifference(const UserList& older, const UserList& added, const UserList& deleted,
                      const UserList& changed) override;
    /// One batch of a clean-up that is due; true while more of it is left.
    bool OnIdle(const StopToken& stop) override;
    /// The days the history keeps, as stored, held to the range of SettingsKeys.
    static long KeptDays();

    /// The events of one refresh, in the order the polling thread posts them.
    static std::vector<HistoryEvent> MakeEvents(long long time, const UserList& older, const UserList& added,
                                                const UserList& deleted, const UserList& changed);

private:
    void Write(const std::vector<HistoryEvent>& events, long long time, bool firstOfRun);
    /// Notes a clean-up as due: the daily one, or the size bound's when the history is past it.
    void PruneIfDue(long long now, bool force);
    long long Now() const;

    HistoryStore* store;
    std::function<long long()> clock;
    long long lastPrune = 0;
    bool pruneDue = false;
    // The time before which events go, in the clean-up due.
    long long pruneBefore = 0;
    bool reported = false;
};
