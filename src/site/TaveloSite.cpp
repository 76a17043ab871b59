// The concrete site, created by the toolkit's module mechanism when the module loads.
#include "site/TaveloSite.h"

#include "net/DownloadThread.h"
#include "net/HttpGet.h"
#include "net/Proxy.h"
#include "site/PerformerListParser.h"
#include "site/RetryBackoff.h"
#include "site/SiteAddress.h"
#include "site/SiteRequests.h"
#include "util/GuiServices.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"

#include <wx/app.h>
#include <wx/thread.h>
#include <wx/translation.h>

#include <chrono>
#include <algorithm>
#include <climits>
#include <utility>

#ifdef __WXMSW__
#include <wx/msw/regconf.h>
#endif

wxIMPLEMENT_DYNAMIC_CLASS(TaveloSite, wxModule);

namespace
{
// The user hears of failures only from this many in a row on.
const int kFailuresBeforeReport = 10;
// Quiet retries start as far apart as the polling thread's own and double up to this.
const long long kFirstQuietDelayMilliseconds = 3000;
// The parse sleeps this long after every so many performers (about a millisecond of parsing),
// and all its sleeps together stay within this share of the interval.
const int kPerformersPerPause = 250;
const int kPauseMilliseconds = 1;
const int kPauseShareOfInterval = 20;

// The polling interval in milliseconds; values below one second (and words) give the default.
int SyncIntervalMilliseconds()
{
    return static_cast<int>(Settings::SyncIntervalSeconds() * 1000);
}

// Three intervals, and never less than a minute: a long list on a slow line still arrives.
long ListOverallTimeoutMilliseconds()
{
    return std::max(SiteRequests::kListIntervals * static_cast<long>(SyncIntervalMilliseconds()),
                    SiteRequests::kListMinimumMilliseconds);
}

#ifdef __WXMSW__
// The system's Internet settings name one proxy for every protocol, used only when enabled.
ProxySetting DetectRegistryProxy()
{
    ProxySetting setting;
    wxRegConfig config("Windows", "Microsoft", wxEmptyString, wxEmptyString, wxCONFIG_USE_GLOBAL_FILE);
    config.SetPath("/CurrentVersion/Internet Settings");
    long enabled = 0;
    wxString server;
    if (config.Read("ProxyEnable", &enabled) && enabled != 0 && config.Read("ProxyServer", &server) && !server.empty())
        setting.server = server;
    return setting;
}
#endif
} // namespace

TaveloSite::TaveloSite()
{
    SOLVANE_TRACE("[%p]TaveloSite::TaveloSite(void)", static_cast<void*>(this));
#ifdef __WXMSW__
    HttpGet::SetDefaultProxy(DetectRegistryProxy());
#else
    HttpGet::SetDefaultProxy(DetectSystemProxy());
#endif
}

TaveloSite::~TaveloSite()
{
    SOLVANE_TRACE("[%p]TaveloSite::~TaveloSite(void)", static_cast<void*>(this));
}

bool TaveloSite::OnInit()
{
    SOLVANE_TRACE("[%p]TaveloSite::OnInit(void)", static_cast<void*>(this));
    // The console base of the application object: the core library knows no GUI classes.
    if (wxAppConsole* app = wxAppConsole::GetInstance())
    {
        app->SetVendorName("Tavelo");
        app->SetAppName("Messenger");
        // The windows' class, which a dock matches against the menu entry's StartupWMClass; the
        // application's name above stays, as it names the settings file.
        app->SetAppDisplayName("Solvane");
    }
    // libcurl must be set up on the main thread before any worker starts a transfer.
    HttpGet::GlobalInit();
    return true;
}

void TaveloSite::OnExit()
{
    SOLVANE_TRACE("[%p]TaveloSite::OnExit(void)", static_cast<void*>(this));
    // No download may still run code of the module once it is unloaded.
    DownloadThread::StopAll(2000);
    // The GUI's services are the module's code: they go with it.
    if (GuiServices* gui = GuiServices::Get())
        gui->Release();
    GuiServices::Install(nullptr);
}

int TaveloSite::UpdateUserList()
{
    SOLVANE_TRACE("[%p]TaveloSite::UpdateUserList(void)", static_cast<void*>(this));
    // While quiet, the list is left alone until its next attempt is due; but once an interval the
    // site is asked, for the head of the list only, whether it answers again, so that the list
    // comes back within an interval of the site's return, not at the end of a long wait.
    if (offline && Now() < nextAttempt)
    {
        if (!probing || Now() - lastProbe < SyncIntervalMilliseconds())
            return 0;
        lastProbe = Now();
        if (!ListAnswers())
            return 0;
        // Should the list fail all the same, asking is of no use until the wait's end.
        probing = false;
    }
    else if (offline)
        probing = true;
    HttpGet get(SiteAddress::PerformerList());
    get.SetConnectTimeout(SiteRequests::kListStallMilliseconds);
    get.SetStallTimeout(SiteRequests::kListStallMilliseconds);
    get.SetSizeLimit(SiteRequests::kListSizeLimit);
    // A site that drips the list a byte at a time never stalls long enough to be given up: the
    // list must arrive whole within a limit, or the refresh fails as a refused connection does.
    get.SetOverallTimeout(ListOverallTimeoutMilliseconds());
    // The list is text that shrinks several times; the limit counts what it unpacks to.
    get.SetAcceptCompressed(true);
    get.SetStopToken(GetStopToken());
    if (!get.Fetch())
    {
        // A transfer ended by a stop request says nothing about the site.
        if (get.WasAborted())
            return 0;
        return CountFailure();
    }

    // The parse gives the processor away regularly, but the pauses of one refresh add up to a
    // small share of the interval whatever the list's length.
    const int interval = SyncIntervalMilliseconds();
    const int pauseBudget = interval / kPauseShareOfInterval;
    int performers = 0;
    int paused = 0;
    // Parsed into a copy of the list it replaces, whose names the performers still online keep.
    UserList users = GetUserList();
    PerformerListParser parser;
    const bool parsed = parser.Parse(get.GetBody(), users, [&] {
        if (++performers % kPerformersPerPause == 0 && paused + kPauseMilliseconds <= pauseBudget)
        {
            Pause(kPauseMilliseconds);
            paused += kPauseMilliseconds;
        }
        return !IsStopRequested();
    });
    // Abandoned for a stop: the thread is ending, and half a list would report false removals.
    // A list past the bound is no list the program can show: it fails as a fetch would.
    if (!parsed)
        return parser.HadTooManyPerformers() ? CountFailure() : 0;
    failureCount = 0;
    quietFailures = 0;
    offline = false;
    SetUserList(std::move(users));
    return interval;
}

bool TaveloSite::ListAnswers()
{
    SOLVANE_TRACE("[%p]TaveloSite::ListAnswers(void)", static_cast<void*>(this));
    HttpGet head(SiteAddress::PerformerList());
    head.SetHeadOnly(true);
    head.SetConnectTimeout(SiteRequests::kListStallMilliseconds);
    head.SetStallTimeout(SiteRequests::kListStallMilliseconds);
    head.SetOverallTimeout(ListOverallTimeoutMilliseconds());
    head.SetStopToken(GetStopToken());
    return head.Fetch();
}

long long TaveloSite::Now() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TaveloSite::WaitQuietly()
{
    SOLVANE_TRACE("[%p]TaveloSite::WaitQuietly(void)", static_cast<void*>(this));
    const long seconds = Settings::RetryMaxDelaySeconds();
    nextAttempt = Now() + RetryDelayMilliseconds(++quietFailures, kFirstQuietDelayMilliseconds, seconds * 1000LL);
    offline = true;
}

int TaveloSite::CountFailure()
{
    SOLVANE_TRACE("[%p]TaveloSite::CountFailure(%d)", static_cast<void*>(this), failureCount);
    if (++failureCount >= kFailuresBeforeReport)
    {
        if (Settings::ReadBool(SettingsKeys::kKeepTrying, SettingsKeys::kKeepTryingDefault))
            WaitQuietly();
        else
            ReportServerFailure();
    }
    return 0;
}

void TaveloSite::Pause(int milliseconds)
{
    SOLVANE_TRACE("[%p]TaveloSite::Pause(%d)", static_cast<void*>(this), milliseconds);
    if (!wxThread::IsMain())
        wxThread::Sleep(milliseconds);
}

// The message comes first, the exit command only after the user has closed it; a stop request
// ends the wait without the exit command, as the program is closing anyway.
void TaveloSite::ReportServerFailure()
{
    SOLVANE_TRACE("[%p]TaveloSite::ReportServerFailure(void)", static_cast<void*>(this));
    GuiServices* gui = GuiServices::Get();
    if (!gui)
        return;
    // The server named, so that a mistyped one shows for what it is.
    const wxString message =
        wxString::Format("%s\n%s\n\n%s", _("Could not get response from server"), _("Please execute it after a while."),
                         wxString::Format(_("Server: %s"), SiteAddress::ListServer()));
    if (gui->ShowServerFailure(_("Error"), message, GetStopToken()))
        gui->RequestExit();
}
