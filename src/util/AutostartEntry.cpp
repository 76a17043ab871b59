// The desktop's start-at-login entry for the program: $XDG_CONFIG_HOME/autostart/solvane.desktop.
#include "util/AutostartEntry.h"

#include "util/AtomicFile.h"
#include "util/SayOnStderr.h"
#include "util/Trace.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace
{
// The entry is read by every user's desktop as any other file of theirs.
const mode_t kEntryMode = 0644;

bool IsControl(wxUniChar c)
{
    const unsigned long code = c.GetValue();
    return code < 0x20 || (code >= 0x7f && code < 0xa0);
}

bool Tell(wxString* why, const wxString& reason)
{
    SayOnStderr("start at login: " + reason);
    if (why)
        *why = reason;
    return false;
}
} // namespace

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

bool AutostartEntry::CanStart(const wxString& program)
{
    for (const wxUniChar c : program)
        if (IsControl(c))
            return false;
    return !program.empty();
}

wxString AutostartEntry::QuoteExec(const wxString& program)
{
    SOLVANE_TRACE("AutostartEntry::QuoteExec(%s)", program);
    // First the command line's own quoting: inside double quotes a backslash escapes these four.
    // Field codes start with "%"; a literal one is doubled, in quotes or not.
    wxString quoted;
    bool needsQuotes = false;
    for (const wxUniChar c : program)
    {
        if (wxString(" \t\n\"'\\><~|&;$*?#()`").Find(c) != wxNOT_FOUND)
            needsQuotes = true;
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c == '%' ? wxString("%%") : wxString(c);
    }
    if (needsQuotes)
        quoted = "\"" + quoted + "\"";
    // Then the key file's escaping of every string value, which the reader undoes first: each
    // backslash doubled, so that a literal one in the path stands as four. Control characters
    // never get here (CanStart).
    wxString value;
    for (const wxUniChar c : quoted)
        value += c == '\\' ? wxString("\\\\") : wxString(c);
    return value;
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

bool AutostartEntry::Write(const wxString& program, wxString* why)
{
    SOLVANE_TRACE("AutostartEntry::Write(%s)", program);
    // A line break in the path would end the Exec line, and what follows would be a key of its
    // own that the desktop obeys at the next login.
    if (!CanStart(program))
        return Tell(why, "the program's path holds a line break or another control character; no entry is written");
    const wxFileName path(GetPath());
    {
        // The toolkit would report a failure in a box of its own; it is told here, once.
        wxLogNull quiet;
        if (!path.DirExists() && !wxFileName::Mkdir(path.GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL))
            return Tell(why, "can not create the folder " + path.GetPath() + ": " +
                                 wxString::FromUTF8(std::strerror(errno)));
    }
    // Saved as the settings are: a crash leaves the old entry or the new one, never half of one.
    wxString error;
    if (!AtomicFile::WriteAll(path.GetFullPath(), std::string(MakeContents(program).utf8_str()), error, kEntryMode))
        return Tell(why, error);
    return true;
}

bool AutostartEntry::Remove(wxString* why)
{
    SOLVANE_TRACE("AutostartEntry::Remove(void)");
    const wxString path = GetPath();
    // No folder, or a file in its place: no entry either.
    if (::unlink(path.fn_str()) != 0 && errno != ENOENT && errno != ENOTDIR)
        return Tell(why, "can not remove " + path + ": " + wxString::FromUTF8(std::strerror(errno)));
    return true;
}
