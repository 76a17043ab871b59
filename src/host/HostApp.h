// The host program: owns the application object and the event loop, and loads Solvane.so.
#pragma once

#include <wx/app.h>
#include <wx/string.h>
#include <wx/timer.h>

#include <memory>

class InstanceLock;
class PendingUpdate;
class UpdateCheckThread;
class wxFileName;
class wxPluginLibrary;

class HostApp : public wxApp
{
public:
    HostApp();
    bool OnInit() override;
    int OnExit() override;

    /// What main returns: 1 when the module could not be brought up.
    static int GetExitCode() { return exitCode; }
    /// True when the program ended to start again on a new module.
    static bool IsRestartRequested() { return restartRequested; }
    /// True when another copy of the program runs for the same person and was asked to show itself.
    static bool IsHandedOver() { return handedOver; }
    /// The one program per person: outlives the application object, so that a restart keeps it.
    static InstanceLock& GetInstanceLock();

private:
    bool SetUpConfiguration();
    void ReportProbeAndLeave();
    bool LoadModule();
    bool LoadUpdatedModule(const wxFileName& exe);
    bool IsSelfUpdateOff(const wxFileName& exe) const;
    bool RollBackTrial(const wxString& what);
    void ConfirmTrial();
    bool HasExport(const wxString& name) const;
    void StartUpdateCheck();
    void StopUpdateCheck();
    void OnUpdateAccepted();
    void CloseModuleWindows();
    void DeliverPendingEvents();
    void UnloadModule();
    [[noreturn]] void EndWithoutUnloading();
    void SaveSettings();
    void LeaveMainLoop();
    void OnSignal(int signal);
    void ShowMainWindow();
    static void Fail(const wxString& message);

    static int exitCode;
    static bool restartRequested;
    static bool handedOver;

    wxString modulePath;
    wxPluginLibrary* module = nullptr;
    bool probe = false;
    bool exiting = false;
    std::unique_ptr<UpdateCheckThread> updateCheck;
    bool selfUpdate = true;
    // A newly installed module on trial: confirmed once it has run for a while or ended cleanly.
    std::unique_ptr<PendingUpdate> trial;
    bool started = false;
    wxTimer trialTimer;
    // Retries the end of the main loop while a modal box's loop still runs.
    wxTimer exitRetry;
};

wxDECLARE_APP(HostApp);
