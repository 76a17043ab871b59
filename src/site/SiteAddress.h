// Every address of the site the program fetches or opens in the browser, built in this one place.
#pragma once

#include <wx/string.h>

// Each address is read anew from the server settings, so a change in the settings dialog counts
// from the next request on. Names and account fields are percent-encoded.
namespace SiteAddress
{
/// The list of performers online, on the web server.
wxString PerformerList();
/// The web server as "host:port", the port of plain HTTP added when the setting names none: what
/// the program tells the user it is trying to reach.
wxString ListServer();
/// A performer's picture, on the image server.
wxString ProfileImage(const wxString& name);
/// The host the image server answers for: the site's own name, the web server's, not its own.
wxString ProfileImageHost();
/// A performer's preview page, on the preview server, for the browser.
wxString PerformerPage(const wxString& name);
/// The login check, on the web server: the account travels in the query.
wxString LoginCheck(const wxString& id, const wxString& password);
/// The update service's query for the running version: its reply is the offered module.
wxString UpdateQuery(const wxString& version);
/// The same query asking for one more file of the offer ("statement", "signature", a side
/// file's kind): every file of one update comes from the server the first query named.
wxString UpdateFileQuery(const wxString& updateQuery, const wxString& kind);
} // namespace SiteAddress
