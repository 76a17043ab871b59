// The update check: the module's GetNewPluginFileName, called once off the main thread.
#include "host/UpdateCheckThread.h"

#include "util/MainThreadPost.h"
#include "util/Trace.h"

#include <wx/filename.h>

UpdateCheckThread::UpdateCheckThread(GetNewPluginFileNameFunction getNewPluginFileName_,
                                     std::function<void()> accepted_)
    : wxThread(wxTHREAD_JOINABLE), getNewPluginFileName(getNewPluginFileName_), accepted(std::move(accepted_))
{
    SOLVANE_TRACE("[%p]UpdateCheckThread::UpdateCheckThread(void)", static_cast<void*>(this));
}

wxThread::ExitCode UpdateCheckThread::Entry()
{
    SOLVANE_TRACE("[%p]UpdateCheckThread::Entry(void)", static_cast<void*>(this));
    SetName("solvane-update");
    const wxFileName* name = getNewPluginFileName();
    // A check stopped by a closing program leaves the new module pending for the next start.
    if (name && !TestDestroy())
    {
        SOLVANE_TRACE("new module %s", name->GetFullPath());
        PostToMainThread(accepted);
    }
    return nullptr;
}
