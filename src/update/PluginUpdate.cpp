// The module's own update: side files an earlier call fetched are installed, a newer module is
// fetched with the user's consent.
#include "update/PluginUpdate.h"

#include "net/DownloadFile.h"
#include "update/UpdateFileNames.h"
#include "util/GuiServices.h"
#include "util/Settings.h"
#include "util/Trace.h"
#include "util/Util.h"
#include "util/Version.h"

#include <wx/filefn.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/thread.h>

#include <vector>

namespace
{
const char* const kUpdateQuery = "/cgi-bin/app/update.cgi?version=%s";

// A pending copy that can not be installed now stays pending for the next call.
void InstallPending(const wxString& path)
{
    const wxString pending = PendingFileName(path);
    wxLogNull quiet;
    if (wxFileName::FileExists(pending))
        wxRenameFile(pending, path, true);
}
} // namespace

wxFileName* PluginUpdate::GetNewPluginFileName()
{
    SOLVANE_TRACE("[static]PluginUpdate::GetNewPluginFileName(void)");
    // The module's one answer, rewritten by every call and gone with the module.
    static wxFileName result;

    const wxString version = CurrentVersion.ToString();
    SOLVANE_TRACE("CurrentVersion: %s", version);
    const wxString base = "http://" + Settings::WebServer() + wxString::Format(kUpdateQuery, version);
    const wxFileName executable = Util::GetApplicationFileName();
    if (!executable.IsOk())
        return nullptr;

    const std::vector<SideFileName> sideFiles = SideFileNamesFor(executable);
    for (const SideFileName& side : sideFiles)
    {
        InstallPending(side.path);
        SOLVANE_TRACE("install %s", side.kind);
    }

    result.Assign(PendingFileName(Util::GetPluginFileName().GetFullPath()));
    if (!DownloadFile(base, result.GetFullPath()))
        return nullptr;

    // Without a GUI to ask, the user has not agreed. (A lambda: the type information of a plain
    // function pointer would be visible outside the module.)
    GuiServices* gui = GuiServices::Get();
    const auto stopped = [] { return CurrentThreadStopRequested(); };
    if (!gui || !gui->Confirm(_("Confirm"), _("The new plugin will be installed."), stopped))
    {
        wxLogNull quiet;
        wxRemoveFile(result.GetFullPath());
        return nullptr;
    }

    // A side file that does not come keeps its old version.
    for (const SideFileName& side : sideFiles)
    {
        DownloadFile(base + "&type=" + side.kind, PendingFileName(side.path));
        SOLVANE_TRACE("download %s", side.kind);
    }
    return &result;
}
