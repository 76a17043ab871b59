// The HTTP proxy that every transfer uses, taken from the environment once at start.
#pragma once

#include <wx/string.h>

#include <functional>

struct ProxySetting
{
    wxString server;  ///< "host:port", empty for a direct connection
    wxString noProxy; ///< hosts that bypass the proxy, as the no_proxy variable lists them
    bool IsEnabled() const { return !server.empty(); }
};

/// Drops a leading "http://" and a trailing "/" from a proxy address; blanks give "".
wxString NormalizeProxyServer(const wxString& value);

/// Reads http_proxy (lower case first), HTTP_PROXY and no_proxy through the given lookup.
ProxySetting DetectProxy(const std::function<wxString(const char*)>& getenv);

/// The same from the process environment.
ProxySetting DetectSystemProxy();
