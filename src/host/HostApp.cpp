// The host program: owns the application object and the event loop, and loads Solvane.so.
#include "host/HostApp.h"

#include "host/CrashRecord.h"
#include "host/DisplayBackend.h"
#include "host/InstanceLock.h"
#include "host/NativeDialogs.h"
#include "host/PendingUpdate.h"
#include "host/UpdateCheckThread.h"
#include "util/ModuleFileName.h"
#include "util/SayOnStderr.h"
#include "util/SettingsFile.h"
#include "util/SettingsKeys.h"
#include "util/Translations.h"

#include <wx/config.h>
#include <wx/dialog.h>
#include <wx/dynload.h>
#include <wx/evtloop.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/stdpaths.h>
#include <wx/toplevel.h>
#include <wx/translation.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

wxIMPLEMENT_APP_NO_MAIN(HostApp);

int HostApp::exitCode = 0;
bool HostApp::restartRequested = false;
bool HostApp::handedOver = false;

namespace
{
constexpr int kExitRetryMilliseconds = 20;
// A new module that has run this long works: it is no longer rolled back at the next start.
constexpr int kTrialMilliseconds = 60000;
// A stopped transfer ends within a few of its 20 ms checks; past this the module's threads are
// taken to be stuck, and the exit still ends within a second.
constexpr long kModuleThreadsMilliseconds = 500;
// A second start ends within two seconds, whether or not the first one answers.
constexpr long kHandOverMilliseconds = 1500;

#ifdef NDEBUG
// A release build never stops the user with the toolkit's assertion dialog: the assertion is
// traced (WXTRACE=solvane, even in a release build) and the program goes on.
void TraceAssert(const wxString& file, int line, const wxString& function, const wxString& condition,
                 const wxString& message)
{
    // The trace may assert in turn.
    static thread_local bool inside = false;
    if (inside)
        return;
    inside = true;
    wxLogTrace("solvane", "assertion \"%s\" failed in %s (%s:%d) %s", condition, function, file, line, message);
    inside = false;
}
#endif
} // namespace

void HostApp::Fail(const wxString& message)
{
    SayOnStderr(message);
}

InstanceLock& HostApp::GetInstanceLock()
{
    static InstanceLock lock;
    return lock;
}

HostApp::HostApp()
{
    // Before the toolkit starts: its own start may assert too.
#ifdef NDEBUG
    wxSetAssertHandler(TraceAssert);
#endif
}

bool HostApp::OnInit()
{
    ForgetOpenGlSetting();
    // main() has put the executable's full path into argv[0]; every file of the system
    // (module, skin, catalogues) is found beside it.
    const wxFileName exe(argv[0].empty() ? wxString() : wxString(argv[0]));
    for (int i = 1; i < argc; ++i)
    {
        if (argv[i] == "--probe")
            probe = true;
    }
    modulePath = ModuleFileNameFor(exe).GetFullPath();
    // Only without any X display, or when the user asked for it.
    if (!CanPlaceWindows())
        Fail("this desktop does not let programs place their windows: pop-ups appear where it puts them");

    // The settings file lives where the desktop expects it: $XDG_CONFIG_HOME/Messenger.conf.
    wxStandardPaths::Get().SetFileLayout(wxStandardPaths::FileLayout_XDG);

    // One program per person and settings folder: a second start only brings the first one's
    // window forward, before it could touch the settings, the history or a pending update.
    InstanceLock& instance = GetInstanceLock();
    bool shown = false;
    if (!instance.Acquire(wxStandardPaths::Get().GetUserConfigDir()) && instance.HandOver(kHandOverMilliseconds, shown))
    {
        handedOver = true;
        Fail(shown ? "already running: its window is shown" : "already running, and it did not answer");
        return false;
    }
    instance.Listen([this] { ShowMainWindow(); });

    if (!LoadUpdatedModule(exe) || !SetUpConfiguration())
    {
        exitCode = 1;
        return false;
    }
    // Now that an update's files are in place: a new module starts with its own catalogue.
    SetUpTranslations(exe.GetPath());
    // Read before the module's polling thread shares the settings.
    const bool checkForUpdate = selfUpdate && wxConfigBase::Get()->ReadBool(SettingsKeys::kUpdateCheck, SettingsKeys::kUpdateCheckDefault);

    exitRetry.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { LeaveMainLoop(); });
    trialTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { ConfirmTrial(); });

    // Ctrl-C, a polite kill and a closed terminal take the same road as closing the window.
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        SetSignalHandler(signal, [](int sig) { wxGetApp().OnSignal(sig); });

    // Without its entry the module would open no window, and the program would run unseen
    // until killed.
    using SiteRunFunction = bool (*)();
    if (!module->HasSymbol("SiteRun"))
    {
        Fail("the module " + modulePath + " has no SiteRun entry");
        exitCode = 1;
        return false;
    }
    auto siteRun = reinterpret_cast<SiteRunFunction>(module->GetSymbol("SiteRun"));
    if (!siteRun())
    {
        CloseModuleWindows();
        // A new module that can not start makes way for the previous one, in a fresh process.
        if (trial)
        {
            restartRequested = RollBackTrial("could not start its window");
            trial.reset();
            exitCode = restartRequested ? 0 : 1;
            return false;
        }
        Fail("the module could not start its window");
        exitCode = 1;
        return false;
    }
    started = true;
    if (trial)
        trialTimer.StartOnce(kTrialMilliseconds);

    // A start-up check asks no update service.
    if (checkForUpdate && !probe)
        StartUpdateCheck();

    if (probe)
        ReportProbeAndLeave();
    return true;
}

// The start-up check of --probe: reports on standard output the names the module gave the
// application, then leaves through the same road as a normal exit.
void HostApp::ReportProbeAndLeave()
{
    std::printf("vendor=%s app=%s\n", static_cast<const char*>(GetVendorName().utf8_str()),
                static_cast<const char*>(GetAppName().utf8_str()));
    // Whether the module found its skin (a window with the application's icon) and which
    // catalogue the texts come from: an installed tree that lost a file shows it here.
    bool skin = false;
    for (wxWindow* window : wxTopLevelWindows)
    {
        if (auto* top = dynamic_cast<wxTopLevelWindow*>(window))
            skin = skin || top->GetIcon().IsOk();
    }
    wxTranslations* translations = wxTranslations::Get();
    const wxString catalogue = translations && translations->IsLoaded("Solvane")
                                   ? translations->GetBestTranslation("Solvane")
                                   : wxString("none");
    std::printf("skin=%s catalogue=%s\n", skin ? "yes" : "no", static_cast<const char*>(catalogue.utf8_str()));
    std::fflush(stdout);
    CallAfter([this] {
        CloseModuleWindows();
        LeaveMainLoop();
    });
}

bool HostApp::LoadModule()
{
    if (!wxFileName::FileExists(modulePath))
    {
        Fail("the module " + modulePath + " is missing");
        return false;
    }
    wxLogBuffer reasons;
    wxLog* previous = wxLog::SetActiveTarget(&reasons);
    // Loading creates the module's site object and calls its OnInit on this thread.
    module = wxPluginManager::LoadLibrary(modulePath, wxDL_DEFAULT | wxDL_VERBATIM);
    wxLog::SetActiveTarget(previous);
    if (!module || !module->IsLoaded())
    {
        wxString why = reasons.GetBuffer();
        why.Trim();
        Fail("the module " + modulePath + " could not be loaded" + (why.empty() ? wxString() : ": " + why));
        module = nullptr;
        return false;
    }
    return true;
}

bool HostApp::SetUpConfiguration()
{
    // The module has named the application; the store is created now so that it is private
    // (it holds the account's password) and its folder exists, which the toolkit assumes.
    const wxString file = wxFileConfig::GetLocalFileName(GetAppName());
    const wxFileName name(file);
    if (!name.DirExists() && !wxFileName::Mkdir(name.GetPath(), 0700, wxPATH_MKDIR_FULL))
    {
        Fail("can not create the settings folder " + name.GetPath());
        return false;
    }
    // It holds the account's password: a file an older version or the user left readable by
    // others is made private now, not only at its next save (which writes it private).
    if (wxFileName::FileExists(file))
        wxFileName(file).SetPermissions(wxPOSIX_USER_READ | wxPOSIX_USER_WRITE);
    // Any file starts the program: what can not be read of it is left out (and kept aside), and
    // saving never loses it. The toolkit must not make a store of its own later.
    delete wxConfigBase::Set(new SettingsFile(file));
    wxConfigBase::DontCreateOnDemand();
    return true;
}

void HostApp::CloseModuleWindows()
{
    // A modal box is ended rather than destroyed under its own event loop.
    for (wxWindow* window : wxWindowList(wxTopLevelWindows))
    {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog && dialog->IsModal())
            dialog->EndModal(wxID_CANCEL);
        else
            window->Destroy();
    }
}

void HostApp::LeaveMainLoop()
{
    // Only the main loop may be told to end: while a modal box's loop still runs, try again a
    // little later. A timer rather than a queued call: the queue is emptied in one go, so a call
    // that queues itself again would never let the box's loop get back to ending.
    wxEventLoopBase* active = wxEventLoopBase::GetActive();
    if (active && active != GetMainLoop())
    {
        if (!exitRetry.IsRunning())
            exitRetry.StartOnce(kExitRetryMilliseconds);
        return;
    }
    ExitMainLoop();
}

void HostApp::OnSignal(int signal)
{
    // A native box runs GTK's own loop, which no window of the toolkit ends: it is answered as its
    // close box would answer it, and the windows go once its loop has returned, so that no box
    // outlives the window it belongs to.
    if (EndNativeDialogs() > 0)
    {
        CallAfter([this, signal] { OnSignal(signal); });
        return;
    }
    CloseModuleWindows();
    LeaveMainLoop();
}

void HostApp::ShowMainWindow()
{
    // Asked by a second start. A module that is still starting shows its window anyway; one
    // without the export (an older module) is left as it is.
    using SiteShowFunction = void (*)();
    if (!module || !started || exiting || !module->HasSymbol("SiteShow"))
        return;
    reinterpret_cast<SiteShowFunction>(module->GetSymbol("SiteShow"))();
}

int HostApp::OnExit()
{
    // The module's code must not run after it is unloaded: its windows die first and the
    // events already queued for them are delivered or dropped while it is still there.
    // Destroy() only schedules a window's deletion; it happens here, so that the main window
    // stops its polling thread before the module's site object is deleted.
    exiting = true;
    GetInstanceLock().StopListening();
    exitRetry.Stop();
    // A new module that ran until a clean end works.
    trialTimer.Stop();
    ConfirmTrial();
    StopUpdateCheck();
    CloseModuleWindows();
    DeletePendingObjects();
    DeliverPendingEvents();
    UnloadModule();
    SaveSettings();
    return wxApp::OnExit();
}

void HostApp::DeliverPendingEvents()
{
    for (int round = 0; round < 10 && HasPendingEvents(); ++round)
    {
        ProcessPendingEvents();
        DeletePendingObjects();
    }
}

void HostApp::UnloadModule()
{
    if (!module)
        return;
    // None of the module's threads may outlive its code: the module ends their transfers and the
    // host waits for them, within a limit. A module without the export unloads as it is.
    using SiteStopFunction = bool (*)(long);
    if (module->HasSymbol("SiteStop"))
    {
        auto siteStop = reinterpret_cast<SiteStopFunction>(module->GetSymbol("SiteStop"));
        if (!siteStop(kModuleThreadsMilliseconds))
            EndWithoutUnloading();
        // The threads that just ended have queued their replies, which are the module's code too.
        DeliverPendingEvents();
    }
    module = nullptr;
    wxPluginManager::UnloadLibrary(modulePath);
}

void HostApp::EndWithoutUnloading()
{
    // Unloading now, or any clean-up that follows it, would pull the code from under a running
    // thread: the process ends here, its settings saved.
    Fail(wxString::Format("the module's threads did not end within %ld ms: the program ends without unloading it",
                          kModuleThreadsMilliseconds));
    // Saved, but left in place: a thread that wakes up may still read a setting.
    if (wxConfigBase* config = wxConfigBase::Get(false))
        config->Flush();
    std::fflush(nullptr);
    std::_Exit(0);
}

void HostApp::SaveSettings()
{
    // The store's last save happens here, while the application object still exists; a failure
    // goes to stderr and the exit goes on. From here on every message of the toolkit goes to
    // stderr too: a box shown after the application object is gone crashes.
    delete wxConfigBase::Set(nullptr);
    delete wxLog::SetActiveTarget(new wxLogStderr);
}
