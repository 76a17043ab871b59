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
    /// Writes an entry that starts `program` (a full path); false when it cannot be written.
    static bool Write(const wxString& program);
    /// Removes the entry; true when none is left.
    static bool Remove();
    /// The text of an entry that starts `program`.
    static wxString MakeContents(const wxString& program);
    /// `program` as one argument of an Exec line: quoted and escaped where it must be.
    static wxString QuoteExec(const wxString& program);
};
