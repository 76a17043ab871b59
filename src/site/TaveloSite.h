// The concrete site, created by the toolkit's module mechanism when the module loads.
#pragma once

#include "site/Site.h"

#include <wx/module.h>

#include <atomic>

class TaveloSite : public Site, public wxModule
{
public:
    TaveloSite();
    ~TaveloSite() override;

    int UpdateUserList() override;
    bool OnInit() override;
    void OnExit() override;

protected:
    /// One pause of the parse on the polling thread, to stay light on the processor; none on
    /// the main thread.
    virtual void Pause(int milliseconds);
    /// A monotonic clock in milliseconds for the quiet retries; tests put in one they drive.
    virtual long long Now() const;

public:
    bool IsOffline() const override { return offline.load(); }

private:
    /// One more failed refresh in a row, reported from the tenth on; 0, the failure's result.
    int CountFailure();
    void ReportServerFailure();
    /// Instead of the report: the site is marked offline and its next attempt put off.
    void WaitQuietly();
    /// Whether the list's head comes with a success status: the site answers again.
    bool ListAnswers();

    // Fetches failed in a row; one site lives as long as the module, so this is the process's
    // count. Touched by the polling thread only.
    int failureCount = 0;
    // Set from the tenth failure in a row when the program keeps trying instead of ending: the
    // attempts then wait longer each time, up to the longest delay set.
    std::atomic<bool> offline{false};
    int quietFailures = 0;
    long long nextAttempt = 0;
    // While quiet: when the site was last asked whether it answers again, and whether asking is
    // still of use (not after an answer that the list then failed to follow).
    long long lastProbe = 0;
    bool probing = true;

    wxDECLARE_DYNAMIC_CLASS(TaveloSite);
};
