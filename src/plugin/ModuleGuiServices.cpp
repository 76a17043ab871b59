// The GUI's side of the core's one seam: message boxes, the exit command, the browser, the skin.
#include "plugin/ModuleGuiServices.h"

#include "skin/SkinImageStore.h"
#include "ui/ConfirmBox.h"
#include "ui/ServerFailureBox.h"
#include "util/Trace.h"

#include <wx/utils.h>

ModuleGuiServices& ModuleGuiServices::Instance()
{
    static ModuleGuiServices instance;
    return instance;
}

bool ModuleGuiServices::ShowServerFailure(const wxString& caption, const wxString& message, const StopToken& stop)
{
    SOLVANE_TRACE("[%p]ModuleGuiServices::ShowServerFailure(%s)", static_cast<void*>(this), caption);
    return ShowServerFailureBoxAndWait(caption, message, stop);
}

bool ModuleGuiServices::Confirm(const wxString& caption, const wxString& message, const StopToken& stop)
{
    SOLVANE_TRACE("[%p]ModuleGuiServices::Confirm(%s)", static_cast<void*>(this), caption);
    return AskYesNo(caption, message, stop);
}

void ModuleGuiServices::RequestExit()
{
    SOLVANE_TRACE("[%p]ModuleGuiServices::RequestExit(void)", static_cast<void*>(this));
    PostExitToTopWindow();
}

bool ModuleGuiServices::OpenDefaultBrowser(const wxString& url)
{
    SOLVANE_TRACE("[%p]ModuleGuiServices::OpenDefaultBrowser(%s)", static_cast<void*>(this), url);
    return wxLaunchDefaultBrowser(url);
}

void ModuleGuiServices::Release()
{
    SOLVANE_TRACE("[%p]ModuleGuiServices::Release(void)", static_cast<void*>(this));
    // The module is unloaded before the process ends: its exit is the last moment at which the
    // pictures and the image handlers it added may go.
    SkinImageStore::Release();
}
