// The files an accepted update leaves beside the host: put in place before the module loads, and
// put aside again when the new module does not work.
#include "host/PendingUpdate.h"

#include "util/Trace.h"

#include <wx/filefn.h>
#include <wx/log.h>

namespace
{
// Quietly: the host reports what matters itself, and a logged error would open a box.
bool Move(const wxString& from, const wxString& to)
{
    wxLogNull quiet;
    return wxRenameFile(from, to, true);
}

// The file goes in, the current one is kept as ".old" for going back by hand.
bool Install(const wxString& pending, const wxString& path)
{
    if (wxFileName::FileExists(path) && !Move(path, path + ".old"))
        return false;
    if (Move(pending, path))
        return true;
    Move(path + ".old", path);
    return false;
}
} // namespace

PendingUpdate::PendingUpdate(const wxFileName& executable, const wxString& modulePath_)
    : modulePath(modulePath_), sideFiles(SideFileNamesFor(executable))
{
}

bool PendingUpdate::PutModuleInPlace()
{
    SOLVANE_TRACE("[%p]PendingUpdate::PutModuleInPlace(void)", static_cast<void*>(this));
    const wxString pending = PendingFileName(modulePath);
    return wxFileName::FileExists(pending) && Install(pending, modulePath);
}

void PendingUpdate::InstallSideFiles()
{
    SOLVANE_TRACE("[%p]PendingUpdate::InstallSideFiles(void)", static_cast<void*>(this));
    // One that can not be installed now stays pending; the module installs it on its next check.
    for (const SideFileName& side : sideFiles)
    {
        const wxString pending = PendingFileName(side.path);
        if (wxFileName::FileExists(pending))
            Install(pending, side.path);
    }
}

bool PendingUpdate::RollBack()
{
    SOLVANE_TRACE("[%p]PendingUpdate::RollBack(void)", static_cast<void*>(this));
    // The skin and catalogue of a module that does not run must not stay behind for the old one.
    for (const SideFileName& side : sideFiles)
    {
        wxLogNull quiet;
        const wxString pending = PendingFileName(side.path);
        if (wxFileName::FileExists(pending))
            wxRemoveFile(pending);
    }
    Move(modulePath, modulePath + ".bad");
    return wxFileName::FileExists(modulePath + ".old") && Move(modulePath + ".old", modulePath);
}
