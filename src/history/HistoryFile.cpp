// The history's file: the connection with the settings the store relies on, and a damaged file set
// aside.
#include "history/HistoryFile.h"

#include "history/SqliteStatement.h"
#include "util/Trace.h"

#include <wx/filefn.h>

#include <fcntl.h>
#include <unistd.h>

namespace
{
// The schema of version 1: names are stored once; an event refers to its name by number.
const char* const kSchema = "CREATE TABLE IF NOT EXISTS names(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);"
                            "CREATE TABLE IF NOT EXISTS events(id INTEGER PRIMARY KEY, time INTEGER NOT NULL,"
                            " name_id INTEGER NOT NULL, kind INTEGER NOT NULL, status INTEGER NOT NULL);"
                            "CREATE INDEX IF NOT EXISTS events_by_name ON events(name_id);"
                            // Added within version 1: a release without it ignores the table, and
                            // a file without it gets it here; a run is a program's span of lists,
                            // which tells where a session open at the program's end ended.
                            "CREATE TABLE IF NOT EXISTS runs(id INTEGER PRIMARY KEY, start INTEGER NOT NULL,"
                            " last_list INTEGER NOT NULL);";
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

namespace
{
// The file's schema version, into version; SQLITE_OK or the error.
int ReadSchemaVersion(sqlite3* db, int& version)
{
    SqliteStatement statement = PrepareStatement(db, "PRAGMA user_version;");
    const int code = statement ? sqlite3_step(statement.get()) : sqlite3_errcode(db);
    if (code != SQLITE_ROW)
        return code;
    version = sqlite3_column_int(statement.get(), 0);
    return SQLITE_OK;
}
} // namespace

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
        // The one writer is the holder of the writer's lock (TakeWriterLock); the file's own
        // locking stays normal so that a reader from the command line can read beside it. A
        // reader that comes in the middle of a checkpoint waits a little rather than fail.
        code = sqlite3_exec(db, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr);
        sqlite3_busy_timeout(db, 2000);
    }
    // With the write-ahead log, NORMAL syncs at each checkpoint rather than at each list: a
    // killed program keeps every committed list and the file is never damaged; only a power cut
    // may lose the last few lists. A full sync per list took over 100 ms of the polling thread.
    if (code == SQLITE_OK)
        code = sqlite3_exec(db, "PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
    int version = -1;
    if (code == SQLITE_OK)
        code = ReadSchemaVersion(db, version);
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

int HistoryFile::ConnectForReading(const wxString& file, int schemaVersion, sqlite3** connection, wxString* error)
{
    SOLVANE_TRACE("HistoryFile::ConnectForReading(%s)", file);
    sqlite3* db = nullptr;
    int code = sqlite3_open_v2(file.utf8_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    int version = -1;
    if (code == SQLITE_OK)
    {
        sqlite3_extended_result_codes(db, 1);
        // The writer may be checkpointing; a reader waits for it rather than fail.
        sqlite3_busy_timeout(db, 5000);
        code = ReadSchemaVersion(db, version);
    }
    if (code == SQLITE_OK && version > schemaVersion)
    {
        if (error)
            *error = wxString::Format("%s was made by a newer release (schema %d)", file, version);
        sqlite3_close_v2(db);
        return SQLITE_MISMATCH;
    }
    if (code != SQLITE_OK)
    {
        if (error)
            *error = wxString::Format("cannot read %s: %s", file,
                                      db ? wxString::FromUTF8(sqlite3_errmsg(db)) : wxString(sqlite3_errstr(code)));
        sqlite3_close_v2(db);
        return code;
    }
    *connection = db;
    return SQLITE_OK;
}

namespace
{
struct flock WholeFile(short type)
{
    struct flock range = {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    return range;
}
} // namespace

int HistoryFile::TakeWriterLock(const wxString& file)
{
    SOLVANE_TRACE("HistoryFile::TakeWriterLock(%s)", file);
    // A lock of the open file itself (not of the process), so that a second store in the same
    // process is refused too; it goes when the descriptor is closed, or the process ends.
    const int fd = ::open((file + kWriterLockSuffix).fn_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    struct flock range = WholeFile(F_WRLCK);
    if (::fcntl(fd, F_OFD_SETLK, &range) != 0)
    {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool HistoryFile::IsWriterRunning(const wxString& file)
{
    const int fd = ::open((file + kWriterLockSuffix).fn_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Asked, not taken: a reader that held the lock even briefly could turn away a program
    // starting in that moment.
    struct flock range = WholeFile(F_WRLCK);
    const bool held = ::fcntl(fd, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
    ::close(fd);
    return held;
}
