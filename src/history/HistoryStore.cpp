// The history of performers' comings and goings, kept in an SQLite database.
#include "history/HistoryStore.h"

#include "history/HistoryFile.h"
#include "history/SqliteStatement.h"
#include "util/Trace.h"

#include <wx/datetime.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

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
    filePath = path;
    const OpenResult result = OpenLocked(path, error);
    // A store without its file lets the writer's lock go for the next program.
    if (result == OpenResult::Failed)
        CloseLocked();
    return result;
}

HistoryStore::OpenResult HistoryStore::OpenLocked(const wxString& path, wxString* error)
{
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

    // The writer's lock first: a second program goes without history, whatever the file's state.
    writerLock = HistoryFile::TakeWriterLock(path);
    if (writerLock < 0)
    {
        if (error)
            *error = wxString::Format("%s is in use by another program", path);
        return OpenResult::Failed;
    }
    const int code = OpenFile(path, error);
    if (code == SQLITE_OK)
        return OpenResult::Opened;
    if (!HistoryFile::IsDamage(code))
        return OpenResult::Failed;

    // A damaged file is kept for whoever wants to look at it, and the history starts again.
    const wxString aside = path + ".damaged-" + wxDateTime::Now().Format("%Y%m%d-%H%M%S");
    if (!HistoryFile::SetAside(path, aside))
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
    const int code = HistoryFile::Connect(file, kSchemaVersion, &db, error);
    writable = code == SQLITE_OK;
    if (code != SQLITE_OK)
        db = nullptr;
    return code;
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
    runId = 0;
    if (writerLock >= 0)
        ::close(writerLock);
    writerLock = -1;
}

bool HistoryStore::IsOpen() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return db != nullptr;
}

wxString HistoryStore::GetPath() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return filePath;
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

long long HistoryStore::NameId(const wxString& name, const std::shared_ptr<const wxString>& shared)
{
    const auto known = nameIds.find(std::wstring_view(name.wc_str(), name.length()));
    if (known != nameIds.end())
        return known->second.second;
    SqliteStatement find = PrepareStatement(db, "SELECT id FROM names WHERE name = ?1;");
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
        SqliteStatement insert = PrepareStatement(db, "INSERT INTO names(name) VALUES (?1);");
        if (!insert)
            return 0;
        BindText(insert.get(), 1, name);
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            return 0;
        id = sqlite3_last_insert_rowid(db);
    }
    auto kept = shared && *shared == name ? shared : std::make_shared<const wxString>(name);
    const std::wstring_view key(kept->wc_str(), kept->length());
    nameIds.emplace(key, std::make_pair(std::move(kept), id));
    return id;
}

bool HistoryStore::Record(const std::vector<HistoryEvent>& events, wxString* error)
{
    return RecordList(events, 0, false, error);
}

bool HistoryStore::RecordList(const std::vector<HistoryEvent>& events, long long listTime, bool firstOfRun,
                              wxString* error)
{
    SOLVANE_TRACE("[%p]HistoryStore::RecordList(%zu, %lld)", static_cast<void*>(this), events.size(), listTime);
    std::lock_guard<std::mutex> lock(mutex);
    if (!db || !writable)
        return false;
    if (events.empty() && (listTime == 0 || (!firstOfRun && runId == 0)))
        return true;
    bool ok = Execute("BEGIN IMMEDIATE;");
    if (ok)
    {
        SqliteStatement insert =
            PrepareStatement(db, "INSERT INTO events(time, name_id, kind, status) VALUES (?1, ?2, ?3, ?4);");
        ok = static_cast<bool>(insert);
        for (size_t i = 0; ok && i < events.size(); ++i)
        {
            const HistoryEvent& event = events[i];
            const long long nameId = NameId(event.name, event.sharedName);
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
        long long madeRun = 0;
        if (ok && listTime != 0)
            ok = NoteList(listTime, firstOfRun, madeRun);
        ok = ok && Execute("COMMIT;");
        if (ok && madeRun != 0)
            runId = madeRun;
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

long long HistoryStore::Prune(long long before, long long keepAtMost, const StopToken& stop, long long maxRows)
{
    SOLVANE_TRACE("[%p]HistoryStore::Prune(%lld, %lld, %lld)", static_cast<void*>(this), before, keepAtMost, maxRows);
    // The first id kept is found once; then the batches remove the ids below it from the oldest
    // up, which keeps the remaining ids contiguous.
    long long oldest = 0, bound = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!db || !writable)
            return -1;
        SqliteStatement low = PrepareStatement(db, "SELECT min(id) FROM events;");
        SqliteStatement high = PrepareStatement(db, "SELECT max(id) FROM events;");
        SqliteStatement timeAt = PrepareStatement(db, "SELECT time FROM events WHERE id >= ?1 ORDER BY id LIMIT 1;");
        if (!low || !high || !timeAt || sqlite3_step(low.get()) != SQLITE_ROW || sqlite3_step(high.get()) != SQLITE_ROW)
            return -1;
        if (sqlite3_column_type(low.get(), 0) == SQLITE_NULL)
            return 0;
        oldest = sqlite3_column_int64(low.get(), 0);
        const long long newest = sqlite3_column_int64(high.get(), 0);
        // Ids grow with time, so the old events are those below the first that is not old: found by
        // halving, as there is no index by time and a scan of millions of rows held the lock.
        long long first = oldest, last = newest + 1;
        while (first < last)
        {
            const long long middle = first + (last - first) / 2;
            sqlite3_reset(timeAt.get());
            sqlite3_bind_int64(timeAt.get(), 1, middle);
            const int found = sqlite3_step(timeAt.get());
            if (found != SQLITE_ROW && found != SQLITE_DONE)
                return -1;
            if (found == SQLITE_DONE || sqlite3_column_int64(timeAt.get(), 0) >= before)
                last = middle;
            else
                first = middle + 1;
        }
        bound = first;
        if (keepAtMost >= 0 && newest - keepAtMost + 1 > bound)
            bound = newest - keepAtMost + 1;
    }
    long long removed = 0;
    while (oldest < bound && (maxRows < 0 || removed < maxRows) && !stop.IsStopRequested())
    {
        long long upTo = std::min(bound, oldest + kPruneBatch);
        if (maxRows >= 0)
            upTo = std::min(upTo, oldest + maxRows - removed);
        // Each batch its own transaction: the lock is let go in between, for the page's reads and
        // the next list's write, and a stop waits for one batch at most.
        std::lock_guard<std::mutex> lock(mutex);
        if (!db || !writable)
            return -1;
        SqliteStatement remove = PrepareStatement(db, "DELETE FROM events WHERE id < ?1;");
        if (!remove)
            return -1;
        sqlite3_bind_int64(remove.get(), 1, upTo);
        if (sqlite3_step(remove.get()) != SQLITE_DONE)
            return -1;
        removed += sqlite3_changes(db);
        oldest = upTo;
    }
    if (oldest >= bound && !stop.IsStopRequested())
    {
        // The runs go with the last of their events; one row a run, so one statement.
        std::lock_guard<std::mutex> lock(mutex);
        if (db && writable && !PruneRuns())
            return -1;
    }
    return removed;
}

bool HistoryStore::GetIdRange(long long& oldest, long long& newest)
{
    std::lock_guard<std::mutex> lock(mutex);
    oldest = newest = 0;
    if (!db)
        return false;
    // Each end on its own: SQLite reads one end of the rowid for a lone min() or max(), but scans
    // the whole table for both in one query, which a long history made a pause of the window.
    SqliteStatement range = PrepareStatement(db, "SELECT (SELECT min(id) FROM events), (SELECT max(id) FROM events);");
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
    SqliteStatement read =
        PrepareStatement(db, "SELECT e.id, e.time, n.name, e.kind, e.status FROM events e"
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

std::vector<std::pair<long long, wxString>> HistoryStore::ReadNames(long long afterId, size_t limit)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::pair<long long, wxString>> names;
    SqliteStatement read =
        db ? PrepareStatement(db, "SELECT id, name FROM names WHERE id > ?1 ORDER BY id LIMIT ?2;") : SqliteStatement();
    if (!read)
        return names;
    sqlite3_bind_int64(read.get(), 1, afterId);
    sqlite3_bind_int64(read.get(), 2, static_cast<long long>(limit));
    while (sqlite3_step(read.get()) == SQLITE_ROW)
        names.emplace_back(sqlite3_column_int64(read.get(), 0), ColumnText(read.get(), 1));
    return names;
}

std::vector<std::pair<long long, long long>> HistoryStore::ReadNameIds(long long first, long long last)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::pair<long long, long long>> rows;
    SqliteStatement read =
        db ? PrepareStatement(db, "SELECT id, name_id FROM events WHERE id BETWEEN ?1 AND ?2 ORDER BY id DESC;")
           : SqliteStatement();
    if (!read)
        return rows;
    sqlite3_bind_int64(read.get(), 1, first);
    sqlite3_bind_int64(read.get(), 2, last);
    while (sqlite3_step(read.get()) == SQLITE_ROW)
        rows.emplace_back(sqlite3_column_int64(read.get(), 0), sqlite3_column_int64(read.get(), 1));
    return rows;
}
