// The history store's reading by name and in whole, its reading beside a running program, and
// the runs of the program that it keeps.
#include "history/HistoryStore.h"

#include "history/HistoryFile.h"
#include "history/SqliteStatement.h"
#include "util/Trace.h"

#include <wx/filefn.h>

namespace
{
HistoryKind KindOf(int stored)
{
    return stored >= 0 && stored <= static_cast<int>(HistoryKind::WentOffline) ? static_cast<HistoryKind>(stored)
                                                                               : HistoryKind::Changed;
}

// A read transaction for the span of the object: every read inside it sees one state of the file,
// whatever the writer commits meanwhile.
class ReadSnapshot
{
public:
    explicit ReadSnapshot(sqlite3* db_) : db(db_)
    {
        began = sqlite3_exec(db, "BEGIN;", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~ReadSnapshot()
    {
        if (began)
            sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;
    explicit operator bool() const { return began; }

private:
    sqlite3* db;
    bool began = false;
};

long long TimeOfEnd(sqlite3* db, const char* sql)
{
    SqliteStatement read = PrepareStatement(db, sql);
    return read && sqlite3_step(read.get()) == SQLITE_ROW ? sqlite3_column_int64(read.get(), 0) : 0;
}
} // namespace

bool HistoryStore::OpenForReading(const wxString& path, wxString* error)
{
    SOLVANE_TRACE("[%p]HistoryStore::OpenForReading(%s)", static_cast<void*>(this), path);
    std::lock_guard<std::mutex> lock(mutex);
    CloseLocked();
    filePath = path;
    if (!wxFileExists(path))
    {
        if (error)
            *error = wxString::Format("there is no history at %s", path);
        return false;
    }
    sqlite3* connection = nullptr;
    if (HistoryFile::ConnectForReading(path, kSchemaVersion, &connection, error) != SQLITE_OK)
        return false;
    db = connection;
    return true;
}

bool HistoryStore::NoteList(long long listTime, bool firstOfRun, long long& madeRun)
{
    if (firstOfRun)
    {
        SqliteStatement insert = PrepareStatement(db, "INSERT INTO runs(start, last_list) VALUES (?1, ?1);");
        if (!insert)
            return false;
        sqlite3_bind_int64(insert.get(), 1, listTime);
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            return false;
        madeRun = sqlite3_last_insert_rowid(db);
        return true;
    }
    if (runId == 0)
        return true;
    SqliteStatement update = PrepareStatement(db, "UPDATE runs SET last_list = ?1 WHERE id = ?2;");
    if (!update)
        return false;
    sqlite3_bind_int64(update.get(), 1, listTime);
    sqlite3_bind_int64(update.get(), 2, runId);
    return sqlite3_step(update.get()) == SQLITE_DONE;
}

bool HistoryStore::PruneRuns()
{
    SqliteStatement remove = PrepareStatement(
        db, "DELETE FROM runs WHERE last_list < (SELECT time FROM events WHERE id = (SELECT min(id) FROM events));");
    return remove && sqlite3_step(remove.get()) == SQLITE_DONE;
}

bool HistoryStore::ReadNameHistory(const wxString& name, NameHistory& history)
{
    SOLVANE_TRACE("[%p]HistoryStore::ReadNameHistory(%s)", static_cast<void*>(this), name);
    std::lock_guard<std::mutex> lock(mutex);
    history = NameHistory();
    if (!db)
        return false;
    ReadSnapshot snapshot(db);
    if (!snapshot)
        return false;
    SqliteStatement find = PrepareStatement(db, "SELECT id FROM names WHERE name = ?1;");
    if (!find)
        return false;
    BindText(find.get(), 1, name);
    if (sqlite3_step(find.get()) != SQLITE_ROW)
        return false;
    const long long nameId = sqlite3_column_int64(find.get(), 0);
    SqliteStatement read = PrepareStatement(db, "SELECT id, time, kind, status FROM events INDEXED BY events_by_name"
                                                " WHERE name_id = ?1 ORDER BY id;");
    if (!read)
        return false;
    sqlite3_bind_int64(read.get(), 1, nameId);
    while (sqlite3_step(read.get()) == SQLITE_ROW)
    {
        HistoryEvent event;
        event.id = sqlite3_column_int64(read.get(), 0);
        event.time = sqlite3_column_int64(read.get(), 1);
        event.name = name;
        event.kind = KindOf(sqlite3_column_int(read.get(), 2));
        event.status = static_cast<uint32_t>(sqlite3_column_int64(read.get(), 3));
        history.events.push_back(event);
    }
    // A file of a release before the runs were kept has no such table: no runs then.
    SqliteStatement runs = PrepareStatement(db, "SELECT start, last_list FROM runs ORDER BY start, id;");
    while (runs && sqlite3_step(runs.get()) == SQLITE_ROW)
        history.runs.push_back({sqlite3_column_int64(runs.get(), 0), sqlite3_column_int64(runs.get(), 1)});
    history.oldestTime = TimeOfEnd(db, "SELECT time FROM events WHERE id = (SELECT min(id) FROM events);");
    history.newestTime = TimeOfEnd(db, "SELECT time FROM events WHERE id = (SELECT max(id) FROM events);");
    if (runId != 0)
    {
        SqliteStatement current = PrepareStatement(db, "SELECT start FROM runs WHERE id = ?1;");
        if (current && sqlite3_bind_int64(current.get(), 1, runId) == SQLITE_OK &&
            sqlite3_step(current.get()) == SQLITE_ROW)
            history.currentRunStart = sqlite3_column_int64(current.get(), 0);
    }
    return true;
}

bool HistoryStore::ForEachEvent(const std::function<bool(const HistoryEvent&, long long count)>& each)
{
    SOLVANE_TRACE("[%p]HistoryStore::ForEachEvent(void)", static_cast<void*>(this));
    std::lock_guard<std::mutex> lock(mutex);
    if (!db)
        return false;
    ReadSnapshot snapshot(db);
    if (!snapshot)
        return false;
    const long long count = TimeOfEnd(db, "SELECT (SELECT max(id) FROM events) - (SELECT min(id) FROM events) + 1;");
    SqliteStatement read = PrepareStatement(db, "SELECT e.id, e.time, n.name, e.kind, e.status FROM events e"
                                                " JOIN names n ON n.id = e.name_id ORDER BY e.id;");
    if (!read)
        return false;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(read.get())) == SQLITE_ROW)
    {
        HistoryEvent event;
        event.id = sqlite3_column_int64(read.get(), 0);
        event.time = sqlite3_column_int64(read.get(), 1);
        event.name = ColumnText(read.get(), 2);
        event.kind = KindOf(sqlite3_column_int(read.get(), 3));
        event.status = static_cast<uint32_t>(sqlite3_column_int64(read.get(), 4));
        if (!each(event, count))
            return false;
    }
    return step == SQLITE_DONE;
}

std::vector<long long> HistoryStore::FindIdsOfName(long long nameId, long long lastId, size_t limit)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<long long> ids;
    SqliteStatement find =
        db ? PrepareStatement(db, "SELECT id FROM events INDEXED BY events_by_name WHERE name_id = ?1 AND id <= ?2"
                                  " ORDER BY id DESC LIMIT ?3;")
           : SqliteStatement();
    if (!find)
        return ids;
    sqlite3_bind_int64(find.get(), 1, nameId);
    sqlite3_bind_int64(find.get(), 2, lastId);
    sqlite3_bind_int64(find.get(), 3, static_cast<long long>(limit));
    while (sqlite3_step(find.get()) == SQLITE_ROW)
        ids.push_back(sqlite3_column_int64(find.get(), 0));
    return ids;
}

long long HistoryStore::GetLastSeen(const wxString& name)
{
    SOLVANE_TRACE("[%p]HistoryStore::GetLastSeen(%s)", static_cast<void*>(this), name);
    std::lock_guard<std::mutex> lock(mutex);
    if (!db)
        return 0;
    SqliteStatement last = PrepareStatement(db, "SELECT e.time FROM events e JOIN names n ON n.id = e.name_id"
                                                " WHERE n.name = ?1 ORDER BY e.id DESC LIMIT 1;");
    if (!last)
        return 0;
    BindText(last.get(), 1, name);
    return sqlite3_step(last.get()) == SQLITE_ROW ? sqlite3_column_int64(last.get(), 0) : 0;
}
