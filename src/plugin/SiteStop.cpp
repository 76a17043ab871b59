// The end of the module's work: before the host unloads the module, none of its threads may run.
#include "plugin/Exports.h"

#include "net/DownloadThread.h"
#include "site/DaemonThread.h"
#include "util/Trace.h"

#include <algorithm>
#include <chrono>

/// Called by the host once the module's windows are gone (the polling thread has been stopped
/// with the main window): ends every transfer still under way and waits up to milliseconds in all
/// for their threads and a polling thread that did not end in time. True when none runs any
/// more, so that the module may be unloaded.
SOLVANE_EXPORT bool SiteStop(long milliseconds)
{
    SOLVANE_TRACE("[extern]SiteStop(%ld)", milliseconds);
    using namespace std::chrono;
    const steady_clock::time_point start = steady_clock::now();
    if (!DownloadThread::StopAll(milliseconds))
        return false;
    const long spent = static_cast<long>(duration_cast<std::chrono::milliseconds>(steady_clock::now() - start).count());
    return DaemonThread::StopAll(std::max(0L, milliseconds - spent));
}
