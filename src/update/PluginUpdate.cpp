// The module's own update: side files an earlier call fetched are installed, a newer module is
// fetched with the user's consent, each file only as the publisher's signed statement describes it.
#include "update/PluginUpdate.h"

#include "net/DownloadFile.h"
#include "net/HttpGet.h"
#include "site/SiteAddress.h"
#include "site/SiteRequests.h"
#include "update/ReleaseStatement.h"
#include "update/StagedUpdate.h"
#include "update/TrustedKeys.h"
#include "update/UpdateFileNames.h"
#include "update/UpdateSignature.h"
#include "util/GuiServices.h"
#include "util/SayOnStderr.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/StopToken.h"
#include "util/Trace.h"
#include "util/Util.h"
#include "util/Version.h"

#include <wx/datetime.h>
#include <wx/filefn.h>
#include <wx/intl.h>
#include <wx/log.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
const char* const kFileType = "application/octet-stream";

bool IsOlder(const Version& a, const Version& b)
{
    if (a.GetMajor() != b.GetMajor())
        return a.GetMajor() < b.GetMajor();
    if (a.GetMinor() != b.GetMinor())
        return a.GetMinor() < b.GetMinor();
    return a.GetPatch() < b.GetPatch();
}

// Quietly, and a link goes itself: what it leads to stays.
void RemoveIfThere(const wxString& path)
{
    ::unlink(path.fn_str());
}

// A small reply of the update service, kept only when it is delivered as a file.
bool FetchSmall(const wxString& url, std::string& body, long long limit, const StopToken& stop)
{
    HttpGet get(url);
    get.SetConnectTimeout(SiteRequests::kUpdateStallMilliseconds);
    get.SetStallTimeout(SiteRequests::kUpdateStallMilliseconds);
    get.SetOverallTimeout(SiteRequests::kUpdateOverallMilliseconds);
    get.SetSizeLimit(limit);
    get.SetStopToken(stop);
    const bool fetched = get.Fetch() && get.GetContentType() == kFileType;
    body = fetched ? get.TakeBody() : std::string();
    return fetched;
}

// Whether the service offers a module at all, from the reply's head: the body is not taken.
bool IsModuleOffered(const wxString& url, const StopToken& stop)
{
    HttpGet get(url);
    get.SetConnectTimeout(SiteRequests::kUpdateStallMilliseconds);
    get.SetStallTimeout(SiteRequests::kUpdateStallMilliseconds);
    get.SetSizeLimit(1);
    get.SetStopToken(stop);
    get.Fetch();
    return get.GetStatus() >= 200 && get.GetStatus() < 300 && get.GetContentType() == kFileType;
}

// One file of the update under its pending name, read no further than its signed size and kept
// only by the rule the host applies before it installs anything: a file the host would refuse
// is never asked about, so the question does not come back at every start.
bool FetchVouched(const wxString& url, const wxString& target, const ReleaseFile& file, const StopToken& stop)
{
    DownloadLimits limits;
    limits.stallMilliseconds = SiteRequests::kUpdateStallMilliseconds;
    limits.overallMilliseconds = SiteRequests::kUpdateOverallMilliseconds;
    limits.sizeLimit = std::max(1LL, file.size);
    if (DownloadFile(url, target, limits, stop) && StagedUpdate::IsVouchedFor(&file, target))
        return true;
    RemoveIfThere(target);
    return false;
}

// The person is told nothing of a refused update; whoever reads the program's output is told why.
wxFileName* Refuse(const StagedUpdate& staged, const wxString& why)
{
    SOLVANE_TRACE("update refused: %s", why);
    SayOnStderr("update refused: " + why);
    staged.Discard();
    return nullptr;
}

// Side files of an update the person approved wait here when the host could not install them;
// only those the signed statement vouches for go in, the others go.
void InstallPendingSideFiles(const StagedUpdate& staged, const std::vector<std::string>& keys)
{
    ReleaseStatement statement;
    const bool approved = staged.CheckStatement(keys, statement, nullptr);
    for (const SideFileName& side : staged.GetSideFiles())
    {
        const wxString pending = PendingFileName(side.path);
        if (!wxFileName::FileExists(pending))
            continue;
        // rename, not the toolkit's, which falls back to a copy through a link at the name.
        if (!approved || !staged.IsSideFileVouchedFor(side, statement) ||
            std::rename(pending.fn_str(), side.path.fn_str()) != 0)
            RemoveIfThere(pending);
        SOLVANE_TRACE("install %s", side.kind);
    }
    if (!wxFileName::FileExists(PendingFileName(staged.GetModulePath())))
        staged.DiscardStatement();
}
} // namespace

wxFileName* PluginUpdate::GetNewPluginFileName()
{
    SOLVANE_TRACE("[static]PluginUpdate::GetNewPluginFileName(void)");
    return GetNewPluginFileName(TrustedUpdateKeys());
}

wxFileName* PluginUpdate::GetNewPluginFileName(const std::vector<std::string>& keys)
{
    SOLVANE_TRACE("[static]PluginUpdate::GetNewPluginFileName(%zu keys)", keys.size());
    // The module's one answer, rewritten by every call and gone with the module.
    static wxFileName result;
    // The host asks on a thread of its own and ends it with Delete() as the program closes.
    const StopToken stop = StopToken::ForCallingThread();

    const wxString version = CurrentVersion.ToString();
    SOLVANE_TRACE("CurrentVersion: %s", version);
    const wxString base = SiteAddress::UpdateQuery(version);
    const wxFileName executable = Util::GetApplicationFileName();
    if (!executable.IsOk())
        return nullptr;
    const StagedUpdate staged(executable, Util::GetPluginFileName().GetFullPath());
    // A transfer the program's end cut off left its part; nothing else will ever take it away.
    staged.RemovePartialDownloads();
    InstallPendingSideFiles(staged, keys);
    result.Assign(PendingFileName(staged.GetModulePath()));

    // The signed statement comes first: nothing else is fetched, and nobody is asked, unless the
    // publisher vouches for it.
    std::string text, signature;
    if (!FetchSmall(SiteAddress::UpdateFileQuery(base, "statement"), text, ReleaseStatement::kMaxLength, stop))
    {
        if (!IsModuleOffered(base, stop))
        {
            SOLVANE_TRACE("no update offered");
            return nullptr;
        }
        return Refuse(staged, "the update service offers a module without a release statement");
    }
    if (!FetchSmall(SiteAddress::UpdateFileQuery(base, "signature"), signature, SiteRequests::kUpdateSignatureSizeLimit, stop))
        return Refuse(staged, "the release statement comes without a signature");
    ReleaseStatement statement;
    wxString why;
    if (!UpdateSignature::Verify(text, signature, keys))
        return Refuse(staged, keys.empty() ? "this build trusts no publisher's key"
                                           : "the release statement is not signed by the publisher");
    if (!statement.Parse(text, &why))
        return Refuse(staged, why);
    if (statement.GetProduct() != ReleaseStatement::kProduct)
        return Refuse(staged, "the release statement is for " + statement.GetProduct());
    const Version offered(statement.GetVersion());
    if (!IsOlder(CurrentVersion, offered))
        return Refuse(staged, "version " + statement.GetVersion() + " is not newer than the running " + version);
    const wxString highest = Settings::ReadString(SettingsKeys::kUpdateHighestAccepted, wxString());
    if (!highest.empty() && IsOlder(offered, Version(highest)))
        return Refuse(staged, "version " + statement.GetVersion() + " is older than " + highest + ", accepted before");
    if (statement.GetExpires() <= static_cast<long long>(std::time(nullptr)))
        return Refuse(staged, "the release statement expired on " +
                                  wxDateTime(static_cast<time_t>(statement.GetExpires())).FormatISOCombined(' '));
    const ReleaseFile& module = *statement.Find("module");
    if (staged.IsRefused(module.sha256))
        return Refuse(staged, "this module was put aside before, after it failed to start");

    if (!staged.SaveStatement(text, signature))
        return Refuse(staged, "the release statement can not be kept beside the program");
    if (!FetchVouched(base, result.GetFullPath(), module, stop))
        return Refuse(staged, "the module did not arrive as its release statement describes it");

    // Without a GUI to ask, the user has not agreed.
    GuiServices* gui = GuiServices::Get();
    // The question says what the user gets and what it costs: the version, and a restart.
    const wxString question = wxString::Format(
        _("Version %s of the plugin is ready.\nInstall it? The program restarts to use it."), statement.GetVersion());
    if (!gui || !gui->Confirm(_("Confirm"), question, stop))
    {
        staged.Discard();
        return nullptr;
    }
    // The approval is on disk before anything else: a session that ends now still installs it.
    Settings::WriteString(SettingsKeys::kUpdateHighestAccepted, statement.GetVersion());
    if (!staged.Approve())
        return Refuse(staged, "the approval can not be kept beside the program");

    // A side file that does not come, or not as signed, keeps its old version.
    for (const SideFileName& side : staged.GetSideFiles())
    {
        const ReleaseFile* file = statement.Find(side.kind);
        if (file)
            FetchVouched(SiteAddress::UpdateFileQuery(base, side.kind), PendingFileName(side.path), *file, stop);
        SOLVANE_TRACE("download %s", side.kind);
    }
    return &result;
}
