// The concrete site, created by the toolkit's module mechanism when the module loads.
#include "site/TaveloSite.h"

#include "net/HttpGet.h"
#include "net/Proxy.h"
#include "util/Trace.h"

#include <wx/app.h>

#ifdef __WXMSW__
#include <wx/msw/regconf.h>
#endif

wxIMPLEMENT_DYNAMIC_CLASS(TaveloSite, wxModule);

void (*TaveloSite::exitHook)() = nullptr;

namespace
{
#ifdef __WXMSW__
// The system's Internet settings name one proxy for every protocol, used only when enabled.
ProxySetting DetectRegistryProxy()
{
    ProxySetting setting;
    wxRegConfig config("Windows", "Microsoft", wxEmptyString, wxEmptyString,
                       wxCONFIG_USE_GLOBAL_FILE);
    config.SetPath("/CurrentVersion/Internet Settings");
    long enabled = 0;
    wxString server;
    if (config.Read("ProxyEnable", &enabled) && enabled != 0 &&
        config.Read("ProxyServer", &server) && !server.empty())
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

void TaveloSite::SetExitHook(void (*hook)())
{
    exitHook = hook;
}

bool TaveloSite::OnInit()
{
    SOLVANE_TRACE("[%p]TaveloSite::OnInit(void)", static_cast<void*>(this));
    if (wxTheApp)
    {
        wxTheApp->SetVendorName("Tavelo");
        wxTheApp->SetAppName("Messenger");
    }
    // libcurl must be set up on the main thread before any worker starts a transfer.
    HttpGet::GlobalInit();
    return true;
}

void TaveloSite::OnExit()
{
    SOLVANE_TRACE("[%p]TaveloSite::OnExit(void)", static_cast<void*>(this));
    if (exitHook)
        exitHook();
}

int TaveloSite::UpdateUserList()
{
    SOLVANE_TRACE("[%p]TaveloSite::UpdateUserList(void)", static_cast<void*>(this));
    return 0;
}
