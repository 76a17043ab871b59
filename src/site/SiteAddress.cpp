// Every address of the site the program fetches or opens in the browser, built in this one place.
#include "site/SiteAddress.h"

#include "util/Settings.h"
#include "util/Trace.h"
#include "util/UrlEncode.h"

namespace
{
wxString Address(const wxString& server, const wxString& target)
{
    return "http://" + server + target;
}
} // namespace

namespace SiteAddress
{
wxString PerformerList()
{
    return Address(Settings::WebServer(), "/include/js/online_performers.js");
}

wxString ListServer()
{
    const wxString server = Settings::WebServer();
    // A colon after the last "]" ends the host: a bracketed IPv6 address has colons of its own.
    const size_t bracket = server.rfind(']');
    const size_t colon = server.rfind(':');
    const bool hasPort = colon != wxString::npos && (bracket == wxString::npos || colon > bracket);
    return hasPort ? server : server + ":80";
}

wxString ProfileImage(const wxString& name)
{
    return Address(Settings::ImageServer(), "/WebArchive/" + PercentEncodeName(name) + "/thumbs/LinkedImage.jpg");
}

wxString ProfileImageHost()
{
    return Settings::WebServer();
}

wxString PerformerPage(const wxString& name)
{
    return Address(Settings::PreviewServer(), "/preview.shtml?" + PercentEncodeName(name));
}

wxString LoginCheck(const wxString& id, const wxString& password)
{
    // The password is never traced.
    SOLVANE_TRACE("[static]SiteAddress::LoginCheck(%s, ...)", id);
    return Address(Settings::WebServer(), "/loginchecker?username=" + PercentEncodeQueryValue(id) +
                                              "&password=" + PercentEncodeQueryValue(password));
}

wxString UpdateQuery(const wxString& version)
{
    return Address(Settings::WebServer(), "/cgi-bin/app/update.cgi?version=" + PercentEncodeQueryValue(version));
}

wxString UpdateFileQuery(const wxString& updateQuery, const wxString& kind)
{
    return updateQuery + "&type=" + PercentEncodeQueryValue(kind);
}
} // namespace SiteAddress
