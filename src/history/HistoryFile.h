// The history's file: the connection with the settings the store relies on, and a damaged file set
// aside. The store's lock is held around every call.
#pragma once

#include <wx/string.h>

struct sqlite3;

class HistoryFile
{
public:
    /// Connects to the file, locks it for this connection alone, and makes or checks the schema.
    /// SQLite's result; on success *db is the connection, on failure error says why (a file of a
    /// schema newer than schemaVersion gives SQLITE_MISMATCH).
    static int Connect(const wxString& file, int schemaVersion, sqlite3** db, wxString* error);
    /// True for the results that mean the file is damaged, not busy or unreadable.
    static bool IsDamage(int code);
    /// Renames the file and its companions (the log, the shared memory) to aside and its suffixes.
    static bool SetAside(const wxString& path, const wxString& aside);
};
