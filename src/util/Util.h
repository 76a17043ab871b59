// Small shared helpers: the file names derived from the host executable, and the web browser.
#pragma once

#include <wx/filename.h>
#include <wx/string.h>

class Util
{
public:
    Util() = delete;

    /// The host executable as the host started the toolkit (argv[0]); empty without one.
    static wxFileName GetApplicationFileName();
    /// The module beside the host: the host's name with the shared-library extension.
    static wxFileName GetPluginFileName();

    /// Opens url in the user's web browser without waiting; false, with an error logged, when
    /// neither the "html" file type nor the default-browser opener can start one.
    static bool LaunchBrowser(const wxString& url);
};
