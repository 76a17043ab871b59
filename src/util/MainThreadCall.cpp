// Runs a function on the main thread for a worker that waits for it, unless it is told to stop.
#include "util/MainThreadCall.h"

#include "util/MainThreadPost.h"
#include "util/Trace.h"

#include <wx/thread.h>

#include <condition_variable>
#include <mutex>

namespace
{
// How often the waiting worker asks its stop token: a token bound to a wxThread learns of the
// toolkit's request only when asked.
const long kStopCheckMilliseconds = 20;

// Shared by the worker and the call queued on the main thread: whichever goes last frees it.
struct PendingCall
{
    std::mutex mutex;
    std::condition_variable doneSignal;
    bool abandoned = false; // the worker stopped waiting
    bool done = false;
};
} // namespace

bool RunOnMainThread(std::function<void()> work, const StopToken& stop)
{
    SOLVANE_TRACE("[static]RunOnMainThread(void)");
    if (wxThread::IsMain())
    {
        work();
        return true;
    }
    if (stop.IsStopRequested())
        return false;

    auto call = std::make_shared<PendingCall>();
    const bool posted = PostToMainThread([call, work = std::move(work)] {
        {
            std::lock_guard<std::mutex> lock(call->mutex);
            if (call->abandoned)
                return;
        }
        work();
        {
            std::lock_guard<std::mutex> lock(call->mutex);
            call->done = true;
        }
        call->doneSignal.notify_all();
    });
    if (!posted)
        return false;
    std::unique_lock<std::mutex> lock(call->mutex);
    while (
        !call->doneSignal.wait_for(lock, std::chrono::milliseconds(kStopCheckMilliseconds), [&] { return call->done; }))
    {
        if (stop.IsStopRequested())
        {
            call->abandoned = true;
            return false;
        }
    }
    return true;
}
