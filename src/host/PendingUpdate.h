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

    /// Where a new module's trial stands at a start.
    enum class Trial
    {
        None,      ///< no module is on trial
        Running,   ///< the module on trial is in place and has not failed: its trial goes on
        Crashed,   ///< the module on trial is in place and a run of it crashed
        Abandoned, ///< another module is in place (rolled back by hand, or never put in): it is over
    };

    /// The marker of a new module's first starts: present until it is known to run.
    wxString TrialPath() const { return staged.GetModulePath() + ".trial"; }
    Trial GetTrial() const;
    /// A pending module that the signed statement vouches for and the person approved replaces the
    /// module, which is kept as ".old", together with the side files the statement vouches for;
    /// the trial marker is written first. Anything pending that does not pass is deleted, the
    /// reason in refused. True when a module was put in place.
    bool PutModuleInPlace(wxString& refused);
    /// The new module runs: the trial ends.
    void ConfirmTrial();
    /// After a new module failed: it is kept as ".bad" and never installed again, the ".old"
    /// module and side files come back in its place, and the side files that came with it are
    /// deleted. True when the previous module is back; without one the module stays untouched.
    bool RollBack();

private:
    StagedUpdate staged;
    std::vector<std::string> keys;
};
