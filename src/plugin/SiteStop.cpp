// The end of the module's work: before the host unloads the module, none of its threads may run.
#include "plugin/Exports.h"

#include "net/DownloadThread.h"
#include "util/Trace.h"

/// Called by the host once the module's windows are gone (the polling thread has ended with the
/// main window): ends every transfer still under way and waits up to milliseconds for their
/// threads. True when none runs any more, so that the module may be unloaded.
SOLVANE_EXPORT bool SiteStop(long milliseconds)
{
    SOLVANE_TRACE("[extern]SiteStop(%ld)", milliseconds);
    return DownloadThread::StopAll(milliseconds);
}
