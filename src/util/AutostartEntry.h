// The desktop's start-at-login entry for the program: $XDG_CONFIG_HOME/autostart/solvane.desktop.
#pragma once

#include <wx/string.h>

class AutostartEntry
{
public:
    /// Where the entry lives: $XDG_CONFIG_HOME (or ~/.config) + "/autostart/solvane.desktop".
    static wxString GetPath();
    /// True when an entry is there, whoever wrote it.
    static bool Exists();
    /// False when an entry can not start `program`: its path holds a line break or another
    /// control character, which no Exec line can carry as one argument.
    static bool CanStart(const wxString& program);
    /// Writes an entry that starts `program` (a full path), whole or not at all. False, with one
    /// line on stderr and the reason in why, when the path can not be started from an entry
    /// (nothing is written then) or the entry can not be written.
    static bool Write(const wxString& program, wxString* why = nullptr);
    /// Removes the entry; true when none is left. A failure is one line on stderr and why.
    static bool Remove(wxString* why = nullptr);
    /// The text of an entry that starts `program`.
    static wxString MakeContents(const wxString& program);
    /// `program` as one argument of an Exec line, as it stands in the file: quoted where it must
    /// be, "%" doubled, then escaped as every string value is.
    static wxString QuoteExec(const wxString& program);
};
