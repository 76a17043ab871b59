// The history's file: the connection with the settings the store relies on, and a damaged file set
// aside.
#include "history/HistoryFile.h"

#include "history/SqliteStatement.h"
#include "util/Trace.h"

#include <wx/filefn.h>

namespace
{
// The schema of version 1: names are stored once; an event refers to its name by number.
const char* const kSchema = "CREATE TABLE IF NOT EXISTS names(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);"
                            "CREATE TABLE IF NOT EXISTS events(id INTEGER PRIMARY KEY, time INTEGER NOT NULL,"
                            " name_id INTEGER NOT NULL, kind INTEGER NOT NULL, status INTEGER NOT NULL);"
                            "CREATE INDEX IF NOT EXISTS events_by_name ON events(name_id);";
} // namespace

bool HistoryFile::IsDamage(int code)
{
    const int primary = code & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool HistoryFile::SetAside(const wxString& path, const wxString& aside)
{
    SOLVANE_TRACE("HistoryFile::SetAside(%s, %s)", path, aside);
    bool moved = wxRenameFile(path, aside, false);
    for (const char* suffix : {"-wal", "-shm", "-journal"})
    {
        if (moved && wxFileExists(path + suffix))
            moved = wxRenameFile(path + suffix, aside + suffix, false);
    }
    return moved;
}

int HistoryFile::Connect(const wxString& file, int schemaVersion, sqlite3** connection, wxString* error)
{
    SOLVANE_TRACE("HistoryFile::Connect(%s)", file);
    sqlite3* db = nullptr;
    const auto fail = [&](int code) {
        sqlite3_close_v2(db);
        return code;
    };
    int code = sqlite3_open_v2(file.utf8_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code == SQLITE_OK)
    {
        sqlite3_extended_result_codes(db, 1);
        // The exclusive locking mode keeps the file locked for as long as this connection lives:
        // another program's history finds it busy at once, instead of writing in between.
        code = sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE;", nullptr, nullptr, nullptr);
    }
    if (code == SQLITE_OK)
        code = sqlite3_exec(db, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr);
    // With the write-ahead log, NORMAL syncs at each checkpoint rather than at each list: a
    // killed program keeps every committed list and the file is never damaged; only a power cut
    // may lose the last few lists. A full sync per list took over 100 ms of the polling thread.
    if (code == SQLITE_OK)
        code = sqlite3_exec(db, "PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
    int version = -1;
    if (code == SQLITE_OK)
    {
        SqliteStatement statement = PrepareStatement(db, "PRAGMA user_version;");
        code = statement ? sqlite3_step(statement.get()) : sqlite3_errcode(db);
        if (code == SQLITE_ROW)
        {
            version = sqlite3_column_int(statement.get(), 0);
            code = SQLITE_OK;
        }
    }
    if (code == SQLITE_OK && version > schemaVersion)
    {
        if (error)
            *error = wxString::Format("%s was made by a newer release (schema %d)", file, version);
        return fail(SQLITE_MISMATCH);
    }
    if (code == SQLITE_OK)
        code = sqlite3_exec(db, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr);
    if (code == SQLITE_OK)
    {
        code = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
        if (code == SQLITE_OK && version < schemaVersion)
            code = sqlite3_exec(db, wxString::Format("PRAGMA user_version=%d;", schemaVersion).utf8_str(), nullptr,
                                nullptr, nullptr);
        code = code == SQLITE_OK ? sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr) : code;
        if (code != SQLITE_OK)
            sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
    }
    if (code != SQLITE_OK)
    {
        if (error)
            *error = wxString::Format("cannot open %s: %s", file,
                                      db ? wxString::FromUTF8(sqlite3_errmsg(db)) : wxString(sqlite3_errstr(code)));
        return fail(code);
    }
    *connection = db;
    return SQLITE_OK;
}
