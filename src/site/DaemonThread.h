// The polling thread: refreshes the site's list at its interval and posts the differences.
//
// Usage (GUI thread):
//   daemonThread = std::make_unique<DaemonThread>(Site::GetInstance());
//   daemonThread->AddEventHandler(allTreeCtrl);         // handlers get events in this order
//   daemonThread->AddEventHandler(popupDialogManager);
//   daemonThread->Run();
//   ...
//   daemonThread->AddEventHandler(favoriteTreeCtrl);    // allowed while it runs: later events
//   ...
//   if (daemonThread->Stop(250))    // in the owner's destructor, before any handler goes
//       daemonThread.reset();
//   else                             // still in a write: kept, with what it uses, until it ends
//       DaemonThread::Abandon(std::move(daemonThread), keepAlive);
//   ...
//   DaemonThread::StopAll(500);      // before the module is unloaded
//
// Handlers receive, through their pending-event queues (clones, handled on the GUI thread):
// one EVT_USER_LIST_INITIALIZED (UserListEvent, id -1) after the first successful refresh,
// then per refresh every EVT_USER_ADDED, then every EVT_USER_DELETED, then every
// EVT_USER_CHANGED (UserEvent, old status UserEvent::kNoStatus except for changes). A refresh
// with many changes hands them over in batches, each once the GUI thread has handled the one
// before and had a turn of its own, so that the window never waits for a whole list of them.
//
// Run() hands the site this thread's stop token (Site::SetStopToken), so that a refresh under
// way ends its transfer or its wait for the user as soon as Stop() is called; Stop() gives the
// site a fresh token once the thread has ended. One polling thread per site.
//
// An observer (SetObserver) sees each refresh on the polling thread before its events are
// posted, so that what it records is in place when the handlers hear of the change; between
// refreshes its OnIdle does work that can wait, a piece at a time, the stop heeded in between.
#pragma once

#include "util/StopToken.h"

#include <wx/event.h>
#include <wx/thread.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class Site;
class UserListObserver;

class DaemonThread : public wxThread
{
public:
    /// The changes handed over before the thread waits for the GUI thread to have handled them.
    static constexpr size_t kEventsPerBatch = 500;
    /// From a list this long on, the memory a refresh freed is handed back to the system.
    static constexpr size_t kUsersToGiveBackMemory = 10000;

    /// Nothing runs before Run(). The priority applies where the platform has a gentle one.
    explicit DaemonThread(Site* site, unsigned priority = wxPRIORITY_MIN);
    /// Stops and waits for the thread if the owner has not done so.
    ~DaemonThread() override;

    /// Appends a handler (not owned); from the GUI thread, also while the thread runs.
    void AddEventHandler(wxEvtHandler* handler);
    /// Takes a handler out; once this returns, nothing more is posted to it, so the handler
    /// may go while the thread runs.
    void RemoveEventHandler(wxEvtHandler* handler);
    /// Sets the one observer (not owned), null for none; from any thread. Once this returns,
    /// the previous observer is no longer called, so it may go.
    void SetObserver(UserListObserver* newObserver);
    /// Starts the thread; once, and not after a stop request.
    wxThreadError Run();
    /// Asks the thread to stop and returns at once; from any thread, also from a handler's
    /// queue on the polling thread itself.
    void RequestStop();
    /// Asks the thread to stop and returns when it has ended: afterwards nothing more is
    /// posted. From the GUI thread; a later call returns at once.
    void Stop();
    /// As Stop, waiting at most milliseconds: false when the thread still runs then (it is
    /// inside a write or a refresh that does not heed the stop). Either way nothing more is
    /// posted to any handler afterwards; on false the object must not be deleted: Abandon it.
    bool Stop(long milliseconds);
    /// Keeps a thread that did not stop in time, with what it still uses (keepAlive), until
    /// StopAll finds it ended. From the GUI thread.
    static void Abandon(std::unique_ptr<DaemonThread> thread, std::shared_ptr<void> keepAlive);
    /// Waits at most milliseconds for the abandoned threads, deleting those that end with what
    /// they kept: true when none runs any more. From the GUI thread.
    static bool StopAll(long milliseconds);
    /// Ends the wait for the interval: the next refresh starts now (new settings apply at once).
    void RefreshNow();

protected:
    ExitCode Entry() override;
    /// The refreshes and their events, until a stop; Entry notes its end for a bounded Stop.
    ExitCode Poll();
    /// A monotonic clock in milliseconds; tests put in one they drive.
    virtual long long Now() const;
    /// One sleep step, ended at once by a stop request. A subclass that overrides this or Now
    /// must call Stop() in its own destructor.
    virtual void SleepStep(int milliseconds);
    /// True once a stop was requested; otherwise yields the processor. Polling thread only.
    bool ShouldExit();

private:
    void OnDelete() override;
    bool IsStopRequested() const { return stopToken.IsStopRequested(); }
    /// Hands the event to every handler in registration order; false when a stop check said so.
    bool PostToHandlers(const wxEvent& event);
    /// Hands over one change as PostToHandlers does, after every kEventsPerBatch of them waiting
    /// for the GUI thread to have handled those; false when a stop was requested.
    bool PostChange(const wxEvent& event, size_t& posted);
    /// Waits until the GUI thread has handled every event posted so far; false on a stop request.
    bool WaitForHandlers();
    /// Hands the memory freed by a refresh of a list of that many users back to the system.
    static void GiveBackFreedMemory(size_t users);
    /// One piece of the observer's work between refreshes; true when there is more of it.
    bool WorkBetweenRefreshes();

    Site* site;
    std::mutex handlersMutex;
    std::vector<wxEvtHandler*> handlers;

    // Held while the observer is called: SetObserver waits for a call under way.
    std::mutex observerMutex;
    UserListObserver* observer = nullptr;

    // Also heeded by the site's refresh. A request is always made through RequestStop, which
    // wakes the waits on stopCondition as well.
    StopToken stopToken;
    std::mutex stopMutex;
    std::condition_variable stopCondition;
    std::atomic<bool> refreshRequested{false};
    // Its call is queued behind the handlers' events, so it runs once they have been handled.
    wxEvtHandler fence;
    unsigned fencesPassed = 0; // under stopMutex
    bool ended = false;        // under stopMutex: Entry has returned from Poll

    // Touched by the owner's thread only.
    bool started = false;
    bool joined = false;
    unsigned priority;
};
