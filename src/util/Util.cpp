// Small shared helpers: the file names derived from the host executable, and the web browser.
#include "util/Util.h"

#include "util/GuiServices.h"
#include "util/ModuleFileName.h"
#include "util/Trace.h"

#include <wx/app.h>
#include <wx/cmdline.h>
#include <wx/log.h>
#include <wx/mimetype.h>
#include <wx/tokenzr.h>
#include <wx/utils.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
// Stands for the URL while the open command is split into arguments, so that the URL becomes
// exactly one argument whatever it holds: split on its blanks or quotes, a URL could hand the
// browser options of its own. Neither desktop entries nor quoting rules contain it.
const wchar_t kUrlPlaceholder[] = L"\x1fsolvane-url\x1f";

// A desktop entry can outlive its program; the start would then fail in the child, unseen,
// and the user would get no browser and no message.
bool CanStart(const wxString& program)
{
#ifdef __WXMSW__
    wxUnusedVar(program);
    return true;
#else
    if (program.empty())
        return false;
    if (program.find('/') != wxString::npos)
        return wxFileName::FileExists(program) && wxFileName::IsFileExecutable(program);
    wxString path;
    if (!wxGetEnv("PATH", &path))
        return false;
    wxStringTokenizer folders(path, ":", wxTOKEN_RET_EMPTY_ALL);
    while (folders.HasMoreTokens())
    {
        wxString folder = folders.GetNextToken();
        if (folder.empty())
            folder = ".";
        const wxString candidate = folder + "/" + program;
        if (wxFileName::FileExists(candidate) && wxFileName::IsFileExecutable(candidate))
            return true;
    }
    return false;
#endif
}

// The open command of the "html" file type with the URL in place and every "file://" taken
// out; empty when the type has no command that can be started.
std::vector<wxString> OpenCommand(const wxFileType& fileType, const wxString& url)
{
    wxString command;
    const wxFileType::MessageParameters params(kUrlPlaceholder, wxEmptyString);
    if (!fileType.GetOpenCommand(&command, params) || command.empty())
        return {};
    // The same splitting that wxExecute applies to a command line.
    const wxArrayString parts = wxCmdLineParser::ConvertStringToArgs(command, wxCMD_LINE_SPLIT_UNIX);
    std::vector<wxString> arguments;
    for (wxString part : parts)
    {
        part.Replace(kUrlPlaceholder, url);
        // Handlers registered as "file://%s" would be given a URL they can not open.
        part.Replace("file://", wxEmptyString);
        arguments.push_back(part);
    }
    if (arguments.empty() || !CanStart(arguments.front()))
        return {};
    return arguments;
}

bool StartWithoutWaiting(const std::vector<wxString>& arguments)
{
    std::vector<std::wstring> texts;
    for (const wxString& argument : arguments)
        texts.push_back(argument.ToStdWstring());
    std::vector<const wchar_t*> argv;
    for (const std::wstring& text : texts)
        argv.push_back(text.c_str());
    argv.push_back(nullptr);
    return wxExecute(argv.data(), wxEXEC_ASYNC) != 0;
}
} // namespace

wxFileName Util::GetApplicationFileName()
{
    SOLVANE_TRACE("[static]Util::GetApplicationFileName(void)");
    // The base library's view of the application object: the core does without the GUI.
    const wxAppConsole* app = wxAppConsole::GetInstance();
    if (!app || app->argc < 1)
        return wxFileName();
    return wxFileName(app->argv[0], wxPATH_NATIVE);
}

wxFileName Util::GetPluginFileName()
{
    SOLVANE_TRACE("[static]Util::GetPluginFileName(void)");
    return ModuleFileNameFor(GetApplicationFileName());
}

bool Util::LaunchBrowser(const wxString& url)
{
    SOLVANE_TRACE("[static]Util::LaunchBrowser(%s)", url);
    wxString error;
    {
        // A fresh manager reads the desktop's associations as they are now.
        wxMimeTypesManager manager;
        const std::unique_ptr<wxFileType> fileType(manager.GetFileTypeFromExtension("html"));
        if (!fileType)
        {
            error = "can not get filetype for html";
        }
        else
        {
            const std::vector<wxString> command = OpenCommand(*fileType, url);
            if (!command.empty() && StartWithoutWaiting(command))
                return true;
            error = "can not get command for html";
        }
    }
    // Many desktops leave "html" without a command and open web pages through their own
    // default-browser setting instead.
    GuiServices* gui = GuiServices::Get();
    if (gui && gui->OpenDefaultBrowser(url))
        return true;
    wxLogError("%s", error);
    return false;
}
