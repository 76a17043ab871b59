// The HTTP proxy that every transfer uses, taken from the environment once at start.
#include "net/Proxy.h"

#include "util/Trace.h"

#include <cstdlib>

wxString NormalizeProxyServer(const wxString& value)
{
    wxString server = value;
    server.Trim(true).Trim(false);
    if (server.Lower().StartsWith("http://"))
        server = server.Mid(7);
    while (server.EndsWith("/"))
        server.RemoveLast();
    return server;
}

ProxySetting DetectProxy(const std::function<wxString(const char*)>& getenv)
{
    SOLVANE_TRACE("[static]DetectProxy(void)");
    ProxySetting setting;
    wxString server = getenv("http_proxy");
    if (server.empty())
        server = getenv("HTTP_PROXY");
    setting.server = NormalizeProxyServer(server);
    if (setting.IsEnabled())
    {
        setting.noProxy = getenv("no_proxy");
        if (setting.noProxy.empty())
            setting.noProxy = getenv("NO_PROXY");
    }
    return setting;
}

ProxySetting DetectSystemProxy()
{
    return DetectProxy([](const char* name) {
        const char* value = std::getenv(name);
        return value ? wxString::FromUTF8(value) : wxString();
    });
}
