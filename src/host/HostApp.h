// The host program: owns the application object and the event loop, and loads Solvane.so.
#pragma once

#include <wx/app.h>
#include <wx/string.h>
#include <wx/timer.h>

class wxPluginLibrary;

class HostApp : public wxApp
{
public:
    bool OnInit() override;
    int OnExit() override;

    /// What main returns: 1 when the module could not be brought up.
    static int GetExitCode() { return exitCode; }

private:
    bool SetUpConfiguration();
    void SetUpTranslations(const wxString& folder);
    bool LoadModule();
    void CloseModuleWindows();
    void LeaveMainLoop();
    void OnSignal(int signal);

    static int exitCode;

    wxString modulePath;
    wxPluginLibrary* module = nullptr;
    bool probe = false;
    // Retries the end of the main loop while a modal box's loop still runs.
    wxTimer exitRetry;
};

wxDECLARE_APP(HostApp);
