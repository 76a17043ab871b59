// The polling thread: refreshes the site's list at its interval and posts the differences.
#include "site/DaemonThread.h"

#include "model/UserEvent.h"
#include "model/UserListEvent.h"
#include "model/UserListObserver.h"
#include "site/Site.h"
#include "util/Trace.h"

#include <algorithm>
#include <chrono>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <utility>

DaemonThread::DaemonThread(Site* site_, unsigned priority_)
    : wxThread(wxTHREAD_JOINABLE), site(site_), priority(priority_)
{
    SOLVANE_TRACE("[%p]DaemonThread::DaemonThread(%p, %u)", static_cast<void*>(this), static_cast<void*>(site_),
                  priority_);
}

DaemonThread::~DaemonThread()
{
    SOLVANE_TRACE("[%p]DaemonThread::~DaemonThread(void)", static_cast<void*>(this));
    // A joinable thread must have ended before its object goes.
    Stop();
}

void DaemonThread::AddEventHandler(wxEvtHandler* handler)
{
    SOLVANE_TRACE("[%p]DaemonThread::AddEventHandler(%p)", static_cast<void*>(this), static_cast<void*>(handler));
    std::lock_guard<std::mutex> lock(handlersMutex);
    handlers.push_back(handler);
}

void DaemonThread::RemoveEventHandler(wxEvtHandler* handler)
{
    SOLVANE_TRACE("[%p]DaemonThread::RemoveEventHandler(%p)", static_cast<void*>(this), static_cast<void*>(handler));
    std::lock_guard<std::mutex> lock(handlersMutex);
    handlers.erase(std::remove(handlers.begin(), handlers.end(), handler), handlers.end());
}

void DaemonThread::SetObserver(UserListObserver* newObserver)
{
    SOLVANE_TRACE("[%p]DaemonThread::SetObserver(%p)", static_cast<void*>(this), static_cast<void*>(newObserver));
    std::lock_guard<std::mutex> lock(observerMutex);
    observer = newObserver;
}

wxThreadError DaemonThread::Run()
{
    SOLVANE_TRACE("[%p]DaemonThread::Run(void)", static_cast<void*>(this));
    if (started || !site)
        return wxTHREAD_RUNNING;
    // Stopping is final: a thread stopped before it ran never runs.
    if (IsStopRequested())
        return wxTHREAD_MISC_ERROR;
    // Set before the thread exists, replaced after it has ended: the site's token is only ever
    // read by the refresh on this thread.
    site->SetStopToken(stopToken);
    const wxThreadError result = wxThread::Run();
    if (result != wxTHREAD_NO_ERROR)
    {
        site->SetStopToken(StopToken());
        return result;
    }
#ifdef __WXMSW__
    SetPriority(priority);
#else
    // Here the toolkit's low priorities are the idle scheduling class, in which a busy machine
    // can hold the thread back indefinitely while the GUI waits for it to stop.
    (void)priority;
#endif
    started = true;
    return result;
}

void DaemonThread::RequestStop()
{
    SOLVANE_TRACE("[%p]DaemonThread::RequestStop(void)", static_cast<void*>(this));
    stopToken.RequestStop();
    {
        // Taken once after the request: a wait on stopCondition has either seen it or is asleep.
        std::lock_guard<std::mutex> lock(stopMutex);
    }
    stopCondition.notify_all();
}

void DaemonThread::RefreshNow()
{
    SOLVANE_TRACE("[%p]DaemonThread::RefreshNow(void)", static_cast<void*>(this));
    {
        std::lock_guard<std::mutex> lock(stopMutex);
        refreshRequested = true;
    }
    stopCondition.notify_all();
}

void DaemonThread::Stop()
{
    SOLVANE_TRACE("[%p]DaemonThread::Stop(void)", static_cast<void*>(this));
    RequestStop();
    if (!started || joined)
        return;
    Wait();
    joined = true;
    site->SetStopToken(StopToken());
}

bool DaemonThread::Stop(long milliseconds)
{
    SOLVANE_TRACE("[%p]DaemonThread::Stop(%ld)", static_cast<void*>(this), milliseconds);
    RequestStop();
    if (!started || joined)
        return true;
    bool hasEnded = false;
    {
        std::unique_lock<std::mutex> lock(stopMutex);
        hasEnded = stopCondition.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return ended; });
    }
    if (hasEnded)
    {
        // Past its last use of anything of ours: the join only waits for the thread's own exit.
        Stop();
        return true;
    }
    // Its handlers may go now: a walk under way ends before the lock is had, and none begins.
    std::lock_guard<std::mutex> lock(handlersMutex);
    handlers.clear();
    return false;
}

namespace
{
struct AbandonedThread
{
    std::unique_ptr<DaemonThread> thread;
    std::shared_ptr<void> keepAlive;
};
// GUI thread only.
std::vector<AbandonedThread> abandoned;
} // namespace

void DaemonThread::Abandon(std::unique_ptr<DaemonThread> thread, std::shared_ptr<void> keepAlive)
{
    SOLVANE_TRACE("DaemonThread::Abandon(%p)", static_cast<void*>(thread.get()));
    if (thread)
        abandoned.push_back({std::move(thread), std::move(keepAlive)});
}

bool DaemonThread::StopAll(long milliseconds)
{
    SOLVANE_TRACE("DaemonThread::StopAll(%ld)", milliseconds);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (auto it = abandoned.begin(); it != abandoned.end();)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (!it->thread->Stop(std::max(0L, static_cast<long>(left.count()))))
            return false;
        // The thread first, then what it used.
        it->thread.reset();
        it = abandoned.erase(it);
    }
    return true;
}

// Delete() on a joinable thread waits for it: the toolkit's request becomes ours, so that it
// ends a sleep, a transfer or a wait for the user at once, as Stop does.
void DaemonThread::OnDelete()
{
    SOLVANE_TRACE("[%p]DaemonThread::OnDelete(void)", static_cast<void*>(this));
    RequestStop();
}

long long DaemonThread::Now() const
{
    SOLVANE_TRACE("[%p]DaemonThread::Now(void)", static_cast<const void*>(this));
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void DaemonThread::SleepStep(int milliseconds)
{
    SOLVANE_TRACE("[%p]DaemonThread::SleepStep(%d)", static_cast<void*>(this), milliseconds);
    std::unique_lock<std::mutex> lock(stopMutex);
    stopCondition.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this] { return IsStopRequested() || refreshRequested.load(); });
}

bool DaemonThread::ShouldExit()
{
    SOLVANE_TRACE("[%p]DaemonThread::ShouldExit(void)", static_cast<void*>(this));
    // Delete() reaches the token through OnDelete.
    if (IsStopRequested())
        return true;
    wxThread::Yield();
    return false;
}

bool DaemonThread::PostToHandlers(const wxEvent& event)
{
    SOLVANE_TRACE("[%p]DaemonThread::PostToHandlers(%d)", static_cast<void*>(this), event.GetEventType());
    // Posting under the lock: a handler that RemoveEventHandler has taken out is never posted
    // to afterwards, even by a walk that had already begun.
    std::lock_guard<std::mutex> lock(handlersMutex);
    for (wxEvtHandler* handler : handlers)
    {
        if (ShouldExit())
            return false;
        if (handler)
            handler->AddPendingEvent(event);
    }
    return true;
}

namespace
{
// A failed refresh is followed by the next no sooner than this after it began, as long as the
// refresh's own time-out: a refused connection fails at once, and the failures that lead to the
// server-failure box must span a real outage, not a moment's drop.
constexpr int kRetryMilliseconds = 3000;
// Between two batches of changes: long enough for the GUI thread to be back in its loop.
constexpr int kBatchPauseMilliseconds = 5;
// After a piece of the observer's work between refreshes.
constexpr int kIdlePauseMilliseconds = 5;
} // namespace

// The list of the refresh before and the site's reply are freed by now, but the allocator keeps
// the pages of blocks that small, in the middle of its heap, for ever: on a big site that is tens
// of megabytes held between refreshes. Handing them back costs a few milliseconds a refresh.
void DaemonThread::GiveBackFreedMemory(size_t users)
{
#ifdef __GLIBC__
    if (users >= kUsersToGiveBackMemory)
        malloc_trim(0);
#else
    (void)users;
#endif
}

bool DaemonThread::PostChange(const wxEvent& event, size_t& posted)
{
    if (++posted % kEventsPerBatch == 0 && !WaitForHandlers())
        return false;
    return PostToHandlers(event);
}

bool DaemonThread::WaitForHandlers()
{
    SOLVANE_TRACE("[%p]DaemonThread::WaitForHandlers(void)", static_cast<void*>(this));
    unsigned passed = 0;
    {
        std::lock_guard<std::mutex> lock(stopMutex);
        passed = fencesPassed;
    }
    // The GUI thread handles queued events one handler after another, each handler's all at once,
    // in the order the handlers were queued to: a call queued last runs after every event before.
    fence.CallAfter([this] {
        {
            std::lock_guard<std::mutex> lock(stopMutex);
            ++fencesPassed;
        }
        stopCondition.notify_all();
    });
    {
        std::unique_lock<std::mutex> lock(stopMutex);
        stopCondition.wait(lock, [&] { return fencesPassed != passed || IsStopRequested(); });
    }
    // The events queued next would otherwise join the same round of handling: the window gets a
    // turn of its own first.
    SleepStep(kBatchPauseMilliseconds);
    return !ShouldExit();
}

bool DaemonThread::WorkBetweenRefreshes()
{
    std::lock_guard<std::mutex> lock(observerMutex);
    return observer && !IsStopRequested() && observer->OnIdle(stopToken);
}

wxThread::ExitCode DaemonThread::Entry()
{
    SOLVANE_TRACE("[%p]DaemonThread::Entry(void)", static_cast<void*>(this));
    const ExitCode code = Poll();
    {
        std::lock_guard<std::mutex> lock(stopMutex);
        ended = true;
    }
    stopCondition.notify_all();
    return code;
}

wxThread::ExitCode DaemonThread::Poll()
{
    SetName("solvane-poll");
    int interval = 0;
    // A site retried quietly is announced once as unreachable, and once as back.
    bool reportedOffline = false;
    const auto noteReachability = [&](bool reachable) {
        if (reachable == !reportedOffline || (!reachable && !site->IsOffline()))
            return true;
        reportedOffline = !reachable;
        return PostToHandlers(UserListEvent(reachable ? EVT_SITE_REACHABLE : EVT_SITE_UNREACHABLE, -1));
    };
    for (;;)
    {
        const long long attempt = Now();
        interval = site->UpdateUserList();
        if (!noteReachability(interval != 0))
            return 0;
        if (interval != 0)
            break;
        // A refresh asked for ends the wait too: new servers are tried at once.
        while (Now() - attempt < kRetryMilliseconds && !refreshRequested.exchange(false))
        {
            if (ShouldExit())
                return 0;
            SleepStep(kRetryMilliseconds / 10);
        }
        if (ShouldExit())
            return 0;
    }

    // Shared with the site and with the first list's event, not copied: no list is changed
    // in place once another holds it.
    UserList current = site->GetUserList();
    {
        std::lock_guard<std::mutex> lock(observerMutex);
        if (observer)
            observer->OnFirstList(current);
    }
    {
        UserListEvent initialized(EVT_USER_LIST_INITIALIZED, -1);
        initialized.SetUserList(current);
        if (!PostToHandlers(initialized))
            return 0;
    }

    // The interval runs from the start of one refresh to the start of the next.
    long long started = Now();
    for (;;)
    {
        if (ShouldExit())
            return 0;
        const bool refreshNow = refreshRequested.exchange(false);
        if (!refreshNow && Now() - started < interval)
        {
            // Work that can wait goes in pieces while the interval runs, each followed by the
            // checks above: a stop or the next refresh never waits longer than one piece. The
            // pause after a piece lets the window take the history's lock: a lock taken again at
            // once would keep it waiting through piece after piece.
            SleepStep(WorkBetweenRefreshes() ? kIdlePauseMilliseconds : interval / 10);
            continue;
        }
        started = Now();
        const int result = site->UpdateUserList();
        if (!noteReachability(result != 0))
            return 0;
        if (result == 0)
        {
            interval = kRetryMilliseconds;
            continue;
        }

        // A copy sharing the site's contents: nothing is copied, and the site replaces its list
        // at the next refresh rather than changing it.
        UserList newer = site->GetUserList();
        UserList added, deleted, changed;
        current.GetDifference(newer, added, deleted, changed);
        {
            std::lock_guard<std::mutex> lock(observerMutex);
            if (observer)
                observer->OnDifference(current, added, deleted, changed);
        }
        size_t posted = 0;
        for (const auto& entry : added)
        {
            if (!PostChange(UserEvent(entry.second, EVT_USER_ADDED, UserEvent::kNoStatus), posted))
                return 0;
        }
        for (const auto& entry : deleted)
        {
            if (!PostChange(UserEvent(entry.second, EVT_USER_DELETED, UserEvent::kNoStatus), posted))
                return 0;
        }
        for (const auto& entry : changed)
        {
            UserEvent event(entry.second, EVT_USER_CHANGED, UserEvent::kNoStatus);
            event.SetOldStatus(current.GetUser(entry.first).GetStatus());
            if (!PostChange(event, posted))
                return 0;
        }
        current = std::move(newer);
        interval = result;
        GiveBackFreedMemory(current.GetCount());
    }
}
