// The files an accepted update leaves beside the host: checked against the publisher's signed
// statement and the person's approval, put in place before the module loads, tried, and put aside
// again when the new module does not start.
#include "host/PendingUpdate.h"

#include "update/UpdateSignature.h"
#include "util/Trace.h"

#include <wx/filefn.h>
#include <wx/log.h>

#include <cstdio>
#include <sstream>
#include <unistd.h>

namespace
{
// Quietly: the host reports what matters itself, and a logged error would open a box.
bool Move(const wxString& from, const wxString& to)
{
    wxLogNull quiet;
    return wxRenameFile(from, to, true);
}

// A link at the name goes itself; what it leads to stays (a dangling link left at ".old" would
// otherwise survive, and the copy that stands in for a failed hard link would write through it).
void RemoveIfThere(const wxString& path)
{
    ::unlink(path.fn_str());
}

// The current file is kept as ".old" by a second name (a copy where links are not possible), then
// the pending one is renamed over it: at every moment the file is whole, old or new.
bool Install(const wxString& pending, const wxString& path)
{
    const wxString old = path + ".old";
    RemoveIfThere(old);
    if (wxFileName::FileExists(path) && ::link(path.fn_str(), old.fn_str()) != 0)
    {
        wxLogNull quiet;
        if (!wxCopyFile(path, old, true))
            return false;
    }
    return std::rename(pending.fn_str(), path.fn_str()) == 0;
}
} // namespace

PendingUpdate::PendingUpdate(const wxFileName& executable, const wxString& modulePath, std::vector<std::string> keys_)
    : staged(executable, modulePath), keys(std::move(keys_))
{
}

PendingUpdate::Trial PendingUpdate::GetTrial() const
{
    std::string marker;
    if (!wxFileName::FileExists(TrialPath()))
        return Trial::None;
    StagedUpdate::ReadWhole(TrialPath(), marker, 4096);
    std::istringstream lines(marker);
    std::string word, value, tried;
    bool crashed = false;
    while (lines >> word >> value)
    {
        if (word == "module")
            tried = value;
        crashed = crashed || word == "crashed";
    }
    // A marker of an older program names no module: the one in place is taken to be on trial.
    if (!tried.empty() && UpdateSignature::Sha256OfFile(staged.GetModulePath()) != tried)
        return Trial::Abandoned;
    return crashed ? Trial::Crashed : Trial::Running;
}

bool PendingUpdate::PutModuleInPlace(wxString& refused)
{
    SOLVANE_TRACE("[%p]PendingUpdate::PutModuleInPlace(void)", static_cast<void*>(this));
    refused.clear();
    // Parts a killed transfer left are of no use now, whether or not the module checks again.
    staged.RemovePartialDownloads();
    const wxString modulePath = staged.GetModulePath(), pending = PendingFileName(modulePath);
    ReleaseStatement statement;
    if (!wxFileName::FileExists(pending))
    {
        // Side files alone wait for the module's next check, which installs them only with an
        // approved statement; without one they go now.
        if (!staged.CheckStatement(keys, statement, nullptr))
            staged.Discard();
        return false;
    }
    if (!staged.Check(keys, statement, &refused))
    {
        staged.Discard();
        return false;
    }
    // The marker names what was replaced, so that a roll-back restores exactly that.
    std::vector<SideFileName> vouched;
    // The module on trial by its hash: a start that finds another module in place (put back by
    // hand, or never put in) knows the trial is over.
    std::string trial = "starts 1\nmodule " + statement.Find("module")->sha256 + "\n";
    for (const SideFileName& side : staged.GetSideFiles())
    {
        if (!wxFileName::FileExists(PendingFileName(side.path)))
            continue;
        if (!staged.IsSideFileVouchedFor(side, statement))
        {
            RemoveIfThere(PendingFileName(side.path));
            continue;
        }
        vouched.push_back(side);
        trial += (wxFileName::FileExists(side.path) ? "replaced " : "added ") + side.kind.ToStdString() + "\n";
    }
    if (!StagedUpdate::WriteWhole(TrialPath(), trial) || !Install(pending, modulePath))
    {
        RemoveIfThere(TrialPath());
        staged.Discard();
        refused = "it can not be put in place beside the program";
        return false;
    }
    // A side file that can not be installed now stays out: unverified later, it would be deleted.
    for (const SideFileName& side : vouched)
        if (!Install(PendingFileName(side.path), side.path))
            RemoveIfThere(PendingFileName(side.path));
    staged.DiscardStatement();
    return true;
}

void PendingUpdate::ConfirmTrial()
{
    SOLVANE_TRACE("[%p]PendingUpdate::ConfirmTrial(void)", static_cast<void*>(this));
    RemoveIfThere(TrialPath());
}

bool PendingUpdate::RollBack()
{
    SOLVANE_TRACE("[%p]PendingUpdate::RollBack(void)", static_cast<void*>(this));
    const wxString modulePath = staged.GetModulePath(), old = modulePath + ".old", bad = modulePath + ".bad";
    // Without a previous module the failed one is all there is: it stays, and may be tried again.
    if (!wxFileName::FileExists(old))
    {
        staged.Discard();
        RemoveIfThere(TrialPath());
        return false;
    }
    std::string trial;
    StagedUpdate::ReadWhole(TrialPath(), trial, 4096);
    staged.Refuse(UpdateSignature::Sha256OfFile(modulePath));
    // The failed module is kept by a second name and the old one replaces it in one step: a kill
    // at any moment leaves a module in place, and the marker, removed last, repeats the roll-back.
    RemoveIfThere(bad);
    if (::link(modulePath.fn_str(), bad.fn_str()) != 0)
    {
        wxLogNull quiet;
        wxCopyFile(modulePath, bad, true);
    }
    if (std::rename(old.fn_str(), modulePath.fn_str()) != 0)
        return false;
    // The skin and catalogue of a module that does not run must not stay behind for the old one.
    std::istringstream lines(trial);
    std::string how, kind;
    while (lines >> how >> kind)
        for (const SideFileName& side : staged.GetSideFiles())
            if (side.kind == kind && how == "replaced")
                Move(side.path + ".old", side.path);
            else if (side.kind == kind && how == "added")
                RemoveIfThere(side.path);
    staged.Discard();
    RemoveIfThere(TrialPath());
    return true;
}
