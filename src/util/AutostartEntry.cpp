// The desktop's start-at-login entry for the program: $XDG_CONFIG_HOME/autostart/solvane.desktop.
#include "util/AutostartEntry.h"

#include "util/Trace.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/ffile.h>
#include <wx/utils.h>

wxString AutostartEntry::GetPath()
{
    SOLVANE_TRACE("AutostartEntry::GetPath(void)");
    wxString base;
    // A relative value is invalid by the base-directory rules and is ignored, as the desktop does.
    if (!wxGetEnv("XDG_CONFIG_HOME", &base) || !wxIsAbsolutePath(base))
        base = wxGetHomeDir() + "/.config";
    return base + "/autostart/solvane.desktop";
}

bool AutostartEntry::Exists()
{
    SOLVANE_TRACE("AutostartEntry::Exists(void)");
    return wxFileExists(GetPath());
}

wxString AutostartEntry::QuoteExec(const wxString& program)
{
    SOLVANE_TRACE("AutostartEntry::QuoteExec(%s)", program);
    // Field codes start with "%"; a literal one is doubled, in quotes or not.
    wxString escaped;
    bool needsQuotes = false;
    for (const wxUniChar c : program)
    {
        if (c == '%')
        {
            escaped += "%%";
            continue;
        }
        if (wxString(" \t\n\"'\\><~|&;$*?#()`").Find(c) != wxNOT_FOUND)
            needsQuotes = true;
        // Inside quotes these four are escaped with a backslash; the key file's own escaping
        // doubles that backslash again.
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            escaped += "\\\\";
        escaped += c;
    }
    return needsQuotes ? "\"" + escaped + "\"" : escaped;
}

wxString AutostartEntry::MakeContents(const wxString& program)
{
    SOLVANE_TRACE("AutostartEntry::MakeContents(%s)", program);
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Solvane\n"
           "Comment=Shows which performers are online\n"
           "Exec=" +
           QuoteExec(program) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool AutostartEntry::Write(const wxString& program)
{
    SOLVANE_TRACE("AutostartEntry::Write(%s)", program);
    const wxFileName path(GetPath());
    if (!path.DirExists() && !wxFileName::Mkdir(path.GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL))
        return false;
    // Written beside and renamed into place: a half-written entry would start nothing.
    const wxString temporary = path.GetFullPath() + ".new";
    wxFFile file(temporary, "wb");
    if (!file.IsOpened())
        return false;
    const bool written = file.Write(MakeContents(program), wxConvUTF8) && file.Close();
    if (!written || !wxRenameFile(temporary, path.GetFullPath(), true))
    {
        wxRemoveFile(temporary);
        return false;
    }
    return true;
}

bool AutostartEntry::Remove()
{
    SOLVANE_TRACE("AutostartEntry::Remove(void)");
    const wxString path = GetPath();
    return !wxFileExists(path) || wxRemoveFile(path);
}
