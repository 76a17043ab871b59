// The history's file: the connection with the settings the store relies on, and a damaged file set
// aside. The store's lock is held around every call.
#pragma once

#include <wx/string.h>

struct sqlite3;

class HistoryFile
{
public:
    /// Connects to the file and makes or checks the schema (the caller holds the writer's lock).
    /// SQLite's result; on success *db is the connection, on failure error says why (a file of a
    /// schema newer than schemaVersion gives SQLITE_MISMATCH).
    static int Connect(const wxString& file, int schemaVersion, sqlite3** db, wxString* error);
    /// Connects to the file read-only, beside a running writer; the same results as Connect.
    static int ConnectForReading(const wxString& file, int schemaVersion, sqlite3** db, wxString* error);
    /// The lock that makes its holder the file's one writer: a descriptor to close to let it go,
    /// -1 when another store holds it (or the lock's file cannot be made).
    static int TakeWriterLock(const wxString& file);
    /// True while a store holds the writer's lock of the file: a program is running on it.
    static bool IsWriterRunning(const wxString& file);
    /// The lock's file is the database's path with this after it.
    static constexpr const char* kWriterLockSuffix = ".lock";
    /// True for the results that mean the file is damaged, not busy or unreadable.
    static bool IsDamage(int code);
    /// Renames the file and its companions (the log, the shared memory) to aside and its suffixes.
    static bool SetAside(const wxString& path, const wxString& aside);
};
