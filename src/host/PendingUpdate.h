// The files an accepted update leaves beside the host: checked against the publisher's signed
// statement and the person's approval, put in place before the module loads, tried, and put aside
// again when the new module does not start.
#pragma once

#include "update/StagedUpdate.h"

#include <wx/filename.h>
#include <wx/string.h>

#include <string>
#include <vector>

class PendingUpdate
{
public:
    PendingUpdate(const wxFileName& executable, const wxString& modulePath, std::vector<std::string> keys);

    /// The marker of a new module's first starts: present until it is known to run.
    wxString TrialPath() const { return staged.GetModulePath() + ".trial"; }
    /// True when the last start put in a new module and never confirmed that it ran (it crashed,
    /// or was killed).
    bool IsTrialUnconfirmed() const;
    /// A pending module that the signed statement vouches for and the person approved replaces the
    /// module, which is kept as ".old", together with the side files the statement vouches for;
    /// the trial marker is written first. Anything pending that does not pass is deleted, the
    /// reason in refused. True when a module was put in place.
    bool PutModuleInPlace(wxString& refused);
    /// The new module runs: the trial ends.
    void ConfirmTrial();
    /// After a new module failed: it goes aside as ".bad" and is never installed again, the ".old"
    /// module and side files come back, and the side files that came with it are deleted. True
    /// when the previous module is back.
    bool RollBack();

private:
    StagedUpdate staged;
    std::vector<std::string> keys;
};
