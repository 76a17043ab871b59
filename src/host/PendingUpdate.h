// The files an accepted update leaves beside the host: put in place before the module loads, and
// put aside again when the new module does not work.
#pragma once

#include "update/UpdateFileNames.h"

#include <wx/filename.h>
#include <wx/string.h>

#include <vector>

class PendingUpdate
{
public:
    PendingUpdate(const wxFileName& executable, const wxString& modulePath);

    /// A pending module replaces the module, which is kept as ".old"; true when one was put in place.
    bool PutModuleInPlace();
    /// Installs the pending skin, catalogue and manifest, each current one kept as ".old".
    void InstallSideFiles();
    /// After a new module failed: it goes aside as ".bad", the ".old" one comes back and the side
    /// files that came with the new one are deleted. True when the previous module is back.
    bool RollBack();

private:
    wxString modulePath;
    std::vector<SideFileName> sideFiles;
};
