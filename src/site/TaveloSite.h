// The concrete site, created by the toolkit's module mechanism when the module loads.
#pragma once

#include "site/Site.h"

#include <wx/module.h>

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

private:
    /// One more failed refresh in a row, reported from the tenth on; 0, the failure's result.
    int CountFailure();
    void ReportServerFailure();

    // Fetches failed in a row; one site lives as long as the module, so this is the process's
    // count. Touched by the polling thread only.
    int failureCount = 0;

    wxDECLARE_DYNAMIC_CLASS(TaveloSite);
};
