// The host's side of the self-update: a pending module put in place and tried, and the check.
#include "host/HostApp.h"

#include "host/CrashRecord.h"
#include "host/PendingUpdate.h"
#include "host/UpdateCheckThread.h"
#include "update/TrustedKeys.h"
#include "update/UpdateFileNames.h"

#include <wx/dynload.h>
#include <wx/filename.h>
#include <wx/toplevel.h>

bool HostApp::LoadUpdatedModule(const wxFileName& exe)
{
    // A copy installed by the package manager is updated by it, never by itself.
    selfUpdate = !IsSelfUpdateOff(exe);
    if (!selfUpdate)
        return LoadModule();
    // An update the user accepted in an earlier run waits beside the module: it goes in before
    // the module loads, only as the publisher signed it and the user approved it, and goes out
    // again if it does not work, so that an update never leaves the user without a working program.
    trial = std::make_unique<PendingUpdate>(exe, modulePath, TrustedUpdateKeys());
    bool onTrial = false;
    switch (trial->GetTrial())
    {
    case PendingUpdate::Trial::None: break;
    case PendingUpdate::Trial::Crashed:
        // Only a crash counts against a new module: a logout, a kill or a second start says
        // nothing about it.
        RollBackTrial("did not start properly last time");
        break;
    case PendingUpdate::Trial::Running:
        // A module that fetched a newer update has shown its window and run its check: it works,
        // and the newer one (when approved) takes over the trial. Otherwise its trial goes on.
        onTrial = !wxFileName::FileExists(PendingFileName(modulePath));
        if (!onTrial)
            trial->ConfirmTrial();
        break;
    case PendingUpdate::Trial::Abandoned:
        Fail("the module on trial is no longer in place (rolled back by hand?): its trial ends");
        trial->ConfirmTrial();
        break;
    }
    wxString refused;
    if (!onTrial && !trial->PutModuleInPlace(refused))
    {
        if (!refused.empty())
            Fail("update refused: " + refused);
        trial.reset();
        return LoadModule();
    }
    // A crash while the module loads is the first thing its trial must notice.
    CrashRecord::Arm(trial->TrialPath());
    const bool loaded = LoadModule();
    CrashRecord::DisarmAtExit();
    if (loaded && HasExport("SiteRun") && HasExport("GetNewPluginFileName"))
        return true;
    CrashRecord::Disarm();
    // A module that loaded is unloaded, its site object with it, before the old one loads.
    if (module)
    {
        module = nullptr;
        wxPluginManager::UnloadLibrary(modulePath);
    }
    const bool back = RollBackTrial("does not work");
    trial.reset();
    return back && LoadModule();
}

bool HostApp::IsSelfUpdateOff(const wxFileName& exe) const
{
    return wxFileName::FileExists(exe.GetFullPath() + ".no-self-update");
}

bool HostApp::RollBackTrial(const wxString& what)
{
    const bool back = trial->RollBack();
    if (!back)
    {
        Fail("the new module " + what + " and there is no previous module to go back to: it stays");
        return false;
    }
    Fail("the new module " + what + ": it was put aside as " + modulePath + ".bad and the previous module runs");
    return true;
}

void HostApp::ConfirmTrial()
{
    CrashRecord::Disarm();
    if (trial && started)
        trial->ConfirmTrial();
    trial.reset();
}

bool HostApp::HasExport(const wxString& name) const
{
    if (module->HasSymbol(name))
        return true;
    Fail("the module " + modulePath + " has no " + name);
    return false;
}

void HostApp::StartUpdateCheck()
{
    // The check waits for the network and for the user's answer: never on the main thread, so
    // that the window is never held up.
    if (!module->HasSymbol("GetNewPluginFileName"))
        return;
    auto getNewPluginFileName =
        reinterpret_cast<UpdateCheckThread::GetNewPluginFileNameFunction>(module->GetSymbol("GetNewPluginFileName"));
    updateCheck = std::make_unique<UpdateCheckThread>(getNewPluginFileName, [this] { OnUpdateAccepted(); });
    if (updateCheck->Run() != wxTHREAD_NO_ERROR)
        updateCheck.reset();
}

void HostApp::StopUpdateCheck()
{
    // A transfer or a question under way ends at once; the module's code has returned after this.
    if (!updateCheck)
        return;
    updateCheck->Delete();
    updateCheck->Wait();
    updateCheck.reset();
}

void HostApp::OnUpdateAccepted()
{
    // A program that is ending anyway takes the new module at its next start.
    if (exiting || wxTopLevelWindows.empty())
        return;
    // The program ends as its exit command ends it, its settings saved, and starts again.
    restartRequested = true;
    CloseModuleWindows();
    LeaveMainLoop();
}
