// The concrete site, created by the toolkit's module mechanism when the module loads.
#pragma once

#include "site/Site.h"

#include <wx/module.h>

#include <functional>

class TaveloSite : public Site, public wxModule
{
public:
    TaveloSite();
    ~TaveloSite() override;

    int UpdateUserList() override;
    bool OnInit() override;
    void OnExit() override;

    /// Called by OnExit to release what the GUI library holds (the skin store).
    static void SetExitHook(void (*hook)());

    /// Tells the user that the site stays unreachable, and calls closed (from any thread)
    /// once the user has dismissed the message. waited turns false when the refresh stops
    /// waiting because the program is closing: a message not shown by then is dropped.
    /// Installed by the GUI before polling starts.
    using FailureReporter = std::function<void(const wxString& caption, const wxString& message,
                                               std::function<bool()> waited,
                                               std::function<void()> closed)>;
    static void SetFailureReporter(FailureReporter reporter);
    /// Asks the application to exit after that message; installed by the GUI as well.
    using ExitRequester = std::function<void()>;
    static void SetExitRequester(ExitRequester requester);

protected:
    /// One pause of the parse on the polling thread, to stay light on the processor; none on
    /// the main thread.
    virtual void Pause(int milliseconds);

private:
    void ReportServerFailure();

    static void (*exitHook)();
    static FailureReporter failureReporter;
    static ExitRequester exitRequester;

    // Fetches failed in a row; one site lives as long as the module, so this is the process's
    // count. Touched by the polling thread only.
    int failureCount = 0;

    wxDECLARE_DYNAMIC_CLASS(TaveloSite);
};
