// The history of performers' comings and goings, kept in an SQLite database.
#include "history/HistoryStore.h"

#include "util/Trace.h"

#include <wx/datetime.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace
{
struct StatementDeleter
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

Statement Prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return Statement();
    return Statement(statement);
}

void BindText(sqlite3_stmt* statement, int index, const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    sqlite3_bind_text(statement, index, utf8.data(), static_cast<int>(utf8.length()), SQLITE_TRANSIENT);
}

wxString ColumnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? wxString::FromUTF8(text, static_cast<size_t>(sqlite3_column_bytes(statement, column)))
                : wxString();
}

bool IsDamage(int code)
{
    const int primary = code & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// The schema of version 1: names are stored once; an event refers to its name by number.
const char* const kSchema = "CREATE TABLE IF NOT EXISTS names(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);"
                            "CREATE TABLE IF NOT EXISTS events(id INTEGER PRIMARY KEY, time INTEGER NOT NULL,"
                            " name_id INTEGER NOT NULL, kind INTEGER NOT NULL, status INTEGER NOT NULL);"
                            "CREATE INDEX IF NOT EXISTS events_by_name ON events(name_id);";
} // namespace

HistoryStore::HistoryStore()
{
    SOLVANE_TRACE("[%p]HistoryStore::HistoryStore(void)", static_cast<void*>(this));
}

HistoryStore::~HistoryStore()
{
    SOLVANE_TRACE("[%p]HistoryStore::~HistoryStore(void)", static_cast<void*>(this));
    Close();
}

wxString HistoryStore::DefaultPath()
{
    SOLVANE_TRACE("HistoryStore::DefaultPath(void)");
    wxString base;
    if (!wxGetEnv("XDG_DATA_HOME", &base) || base.empty() || !wxIsAbsolutePath(base))
        base = wxGetHomeDir() + "/.local/share";
    return base + "/solvane/history.sqlite";
}

HistoryStore::OpenResult HistoryStore::Open(const wxString& path, wxString* error)
{
    SOLVANE_TRACE("[%p]HistoryStore::Open(%s)", static_cast<void*>(this), path);
    std::lock_guard<std::mutex> lock(mutex);
    CloseLocked();
    const wxFileName file(path);
    const wxString folder = file.GetPath();
    wxLogNull quiet; // the caller says why, once
    if (!wxDirExists(folder) && !wxFileName::Mkdir(folder, 0700, wxPATH_MKDIR_FULL))
    {
        if (error)
            *error = wxString::Format("cannot create the folder %s", folder);
        return OpenResult::Failed;
    }
    // Made here with its mode: SQLite would make it with the process's umask, and gives its
    // write-ahead log the database file's mode.
    const int fd = ::open(path.fn_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
    {
        if (error)
            *error = wxString::Format("cannot open %s for writing", path);
        return OpenResult::Failed;
    }
    ::close(fd);

    const int code = OpenFile(path, error);
    if (code == SQLITE_OK)
        return OpenResult::Opened;
    if (!IsDamage(code))
        return OpenResult::Failed;

    // A damaged file is kept for whoever wants to look at it, and the history starts again.
    const wxString aside = path + ".damaged-" + wxDateTime::Now().Format("%Y%m%d-%H%M%S");
    bool moved = wxRenameFile(path, aside, false);
    for (const char* suffix : {"-wal", "-shm", "-journal"})
    {
        if (moved && wxFileExists(path + suffix))
            moved = wxRenameFile(path + suffix, aside + suffix, false);
    }
    if (!moved)
    {
        if (error)
            *error = wxString::Format("%s is damaged and cannot be set aside", path);
        return OpenResult::Failed;
    }
    const int fresh = ::open(path.fn_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fresh < 0)
    {
        if (error)
            *error = wxString::Format("cannot create %s", path);
        return OpenResult::Failed;
    }
    ::close(fresh);
    if (OpenFile(path, error) != SQLITE_OK)
        return OpenResult::Failed;
    if (error)
        *error = wxString::Format("%s was damaged; it was set aside as %s", path, aside);
    return OpenResult::Replaced;
}

int HistoryStore::OpenFile(const wxString& file, wxString* error)
{
    SOLVANE_TRACE("[%p]HistoryStore::OpenFile(%s)", static_cast<void*>(this), file);
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
        Statement statement = Prepare(db, "PRAGMA user_version;");
        code = statement ? sqlite3_step(statement.get()) : sqlite3_errcode(db);
        if (code == SQLITE_ROW)
        {
            version = sqlite3_column_int(statement.get(), 0);
            code = SQLITE_OK;
        }
    }
    if (code == SQLITE_OK && version > kSchemaVersion)
    {
        if (error)
            *error = wxString::Format("%s was made by a newer release (schema %d)", file, version);
        CloseLocked();
        return SQLITE_MISMATCH;
    }
    if (code == SQLITE_OK)
        code = sqlite3_exec(db, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr);
    if (code == SQLITE_OK)
    {
        code = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
        if (code == SQLITE_OK && version < kSchemaVersion)
            code = sqlite3_exec(db, wxString::Format("PRAGMA user_version=%d;", kSchemaVersion).utf8_str(), nullptr,
                                nullptr, nullptr);
        code = code == SQLITE_OK ? sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr) : code;
        if (code != SQLITE_OK)
            sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
    }
    if (code != SQLITE_OK)
    {
        if (error)
            *error = wxString::Format("cannot open %s: %s", file, db ? LastError() : wxString(sqlite3_errstr(code)));
        CloseLocked();
        return code;
    }
    writable = true;
    return SQLITE_OK;
}

void HistoryStore::Close()
{
    SOLVANE_TRACE("[%p]HistoryStore::Close(void)", static_cast<void*>(this));
    std::lock_guard<std::mutex> lock(mutex);
    CloseLocked();
}

void HistoryStore::CloseLocked()
{
    if (db)
        sqlite3_close_v2(db);
    db = nullptr;
    writable = false;
    nameIds.clear();
}

bool HistoryStore::IsOpen() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return db != nullptr;
}

bool HistoryStore::IsWritable() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return writable;
}

wxString HistoryStore::LastError() const
{
    return wxString::FromUTF8(sqlite3_errmsg(db));
}

bool HistoryStore::Execute(const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

long long HistoryStore::NameId(const wxString& name)
{
    const auto known = nameIds.find(name);
    if (known != nameIds.end())
        return known->second;
    Statement find = Prepare(db, "SELECT id FROM names WHERE name = ?1;");
    if (!find)
        return 0;
    BindText(find.get(), 1, name);
    long long id = 0;
    if (sqlite3_step(find.get()) == SQLITE_ROW)
    {
        id = sqlite3_column_int64(find.get(), 0);
    }
    else
    {
        Statement insert = Prepare(db, "INSERT INTO names(name) VALUES (?1);");
        if (!insert)
            return 0;
        BindText(insert.get(), 1, name);
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            return 0;
        id = sqlite3_last_insert_rowid(db);
    }
    nameIds.emplace(name, id);
    return id;
}

bool HistoryStore::Record(const std::vector<HistoryEvent>& events, wxString* error)
{
    SOLVANE_TRACE("[%p]HistoryStore::Record(%zu)", static_cast<void*>(this), events.size());
    std::lock_guard<std::mutex> lock(mutex);
    if (!db || !writable)
        return false;
    if (events.empty())
        return true;
    bool ok = Execute("BEGIN IMMEDIATE;");
    if (ok)
    {
        Statement insert = Prepare(db, "INSERT INTO events(time, name_id, kind, status) VALUES (?1, ?2, ?3, ?4);");
        ok = static_cast<bool>(insert);
        for (size_t i = 0; ok && i < events.size(); ++i)
        {
            const HistoryEvent& event = events[i];
            const long long nameId = NameId(event.name);
            ok = nameId != 0;
            if (!ok)
                break;
            sqlite3_bind_int64(insert.get(), 1, event.time);
            sqlite3_bind_int64(insert.get(), 2, nameId);
            sqlite3_bind_int(insert.get(), 3, static_cast<int>(event.kind));
            sqlite3_bind_int64(insert.get(), 4, event.status);
            ok = sqlite3_step(insert.get()) == SQLITE_DONE;
            sqlite3_reset(insert.get());
        }
        insert.reset();
        ok = ok && Execute("COMMIT;");
    }
    if (!ok)
    {
        if (error)
            *error = LastError();
        // Names made in the failed transaction are gone with it.
        Execute("ROLLBACK;");
        nameIds.clear();
        writable = false;
    }
    return ok;
}

long long HistoryStore::Prune(long long before, long long keepAtMost)
{
    SOLVANE_TRACE("[%p]HistoryStore::Prune(%lld, %lld)", static_cast<void*>(this), before, keepAtMost);
    std::lock_guard<std::mutex> lock(mutex);
    if (!db || !writable)
        return -1;
    // Ids grow with time, so the old events are those below the first event that is not old;
    // removing them by id keeps the remaining ids contiguous.
    Statement first = Prepare(db, "SELECT id FROM events WHERE time >= ?1 ORDER BY id LIMIT 1;");
    Statement last = Prepare(db, "SELECT max(id) FROM events;");
    Statement remove = Prepare(db, "DELETE FROM events WHERE id < ?1;");
    if (!first || !last || !remove)
        return -1;
    sqlite3_bind_int64(first.get(), 1, before);
    const int found = sqlite3_step(first.get());
    if (found != SQLITE_ROW && found != SQLITE_DONE)
        return -1;
    const long long newest = sqlite3_step(last.get()) == SQLITE_ROW ? sqlite3_column_int64(last.get(), 0) : 0;
    long long bound = found == SQLITE_ROW ? sqlite3_column_int64(first.get(), 0) : newest + 1;
    if (keepAtMost >= 0 && newest - keepAtMost + 1 > bound)
        bound = newest - keepAtMost + 1;
    sqlite3_bind_int64(remove.get(), 1, bound);
    if (sqlite3_step(remove.get()) != SQLITE_DONE)
        return -1;
    return sqlite3_changes(db);
}

bool HistoryStore::GetIdRange(long long& oldest, long long& newest)
{
    std::lock_guard<std::mutex> lock(mutex);
    oldest = newest = 0;
    if (!db)
        return false;
    // Each end on its own: SQLite reads one end of the rowid for a lone min() or max(), but scans
    // the whole table for both in one query, which a long history made a pause of the window.
    Statement range = Prepare(db, "SELECT (SELECT min(id) FROM events), (SELECT max(id) FROM events);");
    if (!range || sqlite3_step(range.get()) != SQLITE_ROW || sqlite3_column_type(range.get(), 0) == SQLITE_NULL)
        return false;
    oldest = sqlite3_column_int64(range.get(), 0);
    newest = sqlite3_column_int64(range.get(), 1);
    return true;
}

std::vector<HistoryEvent> HistoryStore::ReadRange(long long first, long long last)
{
    SOLVANE_TRACE("[%p]HistoryStore::ReadRange(%lld, %lld)", static_cast<void*>(this), first, last);
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<HistoryEvent> events;
    if (!db)
        return events;
    Statement read = Prepare(db, "SELECT e.id, e.time, n.name, e.kind, e.status FROM events e"
                                 " JOIN names n ON n.id = e.name_id WHERE e.id BETWEEN ?1 AND ?2 ORDER BY e.id DESC;");
    if (!read)
        return events;
    sqlite3_bind_int64(read.get(), 1, first);
    sqlite3_bind_int64(read.get(), 2, last);
    while (sqlite3_step(read.get()) == SQLITE_ROW)
    {
        HistoryEvent event;
        event.id = sqlite3_column_int64(read.get(), 0);
        event.time = sqlite3_column_int64(read.get(), 1);
        event.name = ColumnText(read.get(), 2);
        const int kind = sqlite3_column_int(read.get(), 3);
        event.kind = kind >= 0 && kind <= static_cast<int>(HistoryKind::WentOffline) ? static_cast<HistoryKind>(kind)
                                                                                    : HistoryKind::Changed;
        event.status = static_cast<uint32_t>(sqlite3_column_int64(read.get(), 4));
        events.push_back(event);
    }
    return events;
}

std::vector<long long> HistoryStore::FindIds(const wxString& text, const std::vector<wxString>& names,
                                             long long afterId, size_t limit)
{
    SOLVANE_TRACE("[%p]HistoryStore::FindIds(%s, %zu, %lld)", static_cast<void*>(this), text, names.size(), afterId);
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<long long> ids;
    if (!db)
        return ids;
    // The names first, then their events through the index by name: the cost follows the
    // matches, not the whole history.
    const wxString wanted = text.Lower();
    wxString nameIdList;
    auto addName = [&](long long id, const wxString& name) {
        if (!wanted.empty() && name.Lower().Find(wanted) == wxNOT_FOUND)
            return;
        nameIdList += (nameIdList.empty() ? "" : ",") + wxString::Format("%lld", id);
    };
    if (names.empty())
    {
        Statement all = Prepare(db, "SELECT id, name FROM names;");
        while (all && sqlite3_step(all.get()) == SQLITE_ROW)
            addName(sqlite3_column_int64(all.get(), 0), ColumnText(all.get(), 1));
    }
    else
    {
        Statement find = Prepare(db, "SELECT id FROM names WHERE name = ?1;");
        for (const wxString& name : names)
        {
            if (!find)
                break;
            BindText(find.get(), 1, name);
            if (sqlite3_step(find.get()) == SQLITE_ROW)
                addName(sqlite3_column_int64(find.get(), 0), name);
            sqlite3_reset(find.get());
        }
    }
    if (nameIdList.empty())
        return ids;
    const wxString sql = "SELECT id FROM events WHERE name_id IN (" + nameIdList + ") AND id > ?1 ORDER BY id DESC LIMIT ?2;";
    Statement select = Prepare(db, sql.utf8_str());
    if (!select)
        return ids;
    sqlite3_bind_int64(select.get(), 1, afterId);
    sqlite3_bind_int64(select.get(), 2, static_cast<long long>(limit));
    while (sqlite3_step(select.get()) == SQLITE_ROW)
        ids.push_back(sqlite3_column_int64(select.get(), 0));
    return ids;
}

long long HistoryStore::GetLastSeen(const wxString& name)
{
    SOLVANE_TRACE("[%p]HistoryStore::GetLastSeen(%s)", static_cast<void*>(this), name);
    std::lock_guard<std::mutex> lock(mutex);
    if (!db)
        return 0;
    Statement last = Prepare(db, "SELECT e.time FROM events e JOIN names n ON n.id = e.name_id"
                                 " WHERE n.name = ?1 ORDER BY e.id DESC LIMIT 1;");
    if (!last)
        return 0;
    BindText(last.get(), 1, name);
    return sqlite3_step(last.get()) == SQLITE_ROW ? sqlite3_column_int64(last.get(), 0) : 0;
}
