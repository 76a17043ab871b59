// The history of performers' comings and goings, kept in an SQLite database: the one unit that
// speaks to SQLite.
//
// Usage:
//   HistoryStore store;
//   wxString error;
//   if (store.Open(HistoryStore::DefaultPath(), &error) == HistoryStore::OpenResult::Failed)
//       ...history is off for this run; error says why
//   store.Record(events);                 // one transaction (polling thread)
//   store.GetIdRange(oldest, newest);     // lazy reading (GUI thread)
//   store.ReadRange(first, last);
//   store.Prune(before, keepAtMost, stop); // in batches, each its own transaction
//
//   HistoryStore reader;                  // the command line, beside a running program
//   reader.OpenForReading(HistoryStore::DefaultPath(), &error);
//   reader.ReadNameHistory(name, history); // one snapshot, through the index by name
//
// Every call is serialised on one connection. The store that writes holds the file's writer's lock,
// so a second running program finds the file busy and goes without history; a store opened for
// reading (OpenForReading, the command line's report) reads beside it, each read one snapshot. Ids are contiguous from
// the oldest to the newest event: only the oldest events are ever removed.
#pragma once

#include "util/StopToken.h"

#include <wx/string.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

struct sqlite3;

/// What happened to a performer; the numbers are stored.
enum class HistoryKind : int
{
    OnlineAtStart = 0,
    CameOnline = 1,
    Changed = 2,
    WentOffline = 3
};

/// A program's span of lists on the file: from its first list to its last.
struct HistoryRun
{
    long long start = 0;
    long long lastList = 0;
};

struct HistoryEvent
{
    long long id = 0;
    /// Seconds since the epoch.
    long long time = 0;
    wxString name;
    HistoryKind kind = HistoryKind::OnlineAtStart;
    /// The status after the event; for a departure the last status seen.
    uint32_t status = 0;
    /// The name object of the user the event came from, when there is one: the store then keeps
    /// that one for the name rather than a copy.
    std::shared_ptr<const wxString> sharedName{};
};

class HistoryStore
{
public:
    enum class OpenResult
    {
        Opened,
        /// The file was damaged: it was set aside and a new one started.
        Replaced,
        Failed
    };

    static const int kSchemaVersion = 1;

    HistoryStore();
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    /// $XDG_DATA_HOME/solvane/history.sqlite, with ~/.local/share when the variable is unset.
    static wxString DefaultPath();

    /// Opens or creates the database (folder 0700, file 0600). A damaged file is renamed to
    /// "PATH.damaged-TIME" and a new one made. Failed, with the reason in error, when another
    /// program holds the file, the folder cannot be written or the file is of a newer release.
    OpenResult Open(const wxString& path, wxString* error = nullptr);
    /// Opens an existing file to read only, beside a program that writes to it.
    bool OpenForReading(const wxString& path, wxString* error = nullptr);
    void Close();
    bool IsOpen() const;
    /// The file opened last, empty before.
    wxString GetPath() const;
    /// False once a write failed (full disk, lost lock): the events stay readable.
    bool IsWritable() const;

    /// Adds the events in one transaction; false, and no writes from then on, on failure.
    bool Record(const std::vector<HistoryEvent>& events, wxString* error = nullptr);
    /// Record, and notes the list's time as the last of this run (the first of a new one when
    /// firstOfRun), also when the list brought no events.
    bool RecordList(const std::vector<HistoryEvent>& events, long long listTime, bool firstOfRun,
                    wxString* error = nullptr);
    /// Rows a batch of Prune removes. Each row rewrites a page of the index by name: at 3.5
    /// million events 500 rows held the lock 5 to 35 ms (a checkpoint every other batch), 2,000
    /// rows 40 to 110 ms, which a window waiting for the lock would show as a pause.
    static const long long kPruneBatch = 500;

    /// Removes the events older than the time, and the oldest beyond keepAtMost (none when
    /// negative), at most maxRows of them (all when negative), in batches of kPruneBatch each its
    /// own transaction, stopping between two when stop is requested; the count removed, -1 on
    /// failure.
    long long Prune(long long before, long long keepAtMost, const StopToken& stop = StopToken(),
                    long long maxRows = -1);
    /// The oldest and newest ids; false when there are none.
    bool GetIdRange(long long& oldest, long long& newest);
    /// The events with ids from first to last, newest first.
    std::vector<HistoryEvent> ReadRange(long long first, long long last);
    /// The names with ids above afterId, in the order of their ids, at most limit: (id, name).
    std::vector<std::pair<long long, wxString>> ReadNames(long long afterId, size_t limit);
    /// The events with ids from first to last, newest first, as (id, name's id).
    std::vector<std::pair<long long, long long>> ReadNameIds(long long first, long long last);
    /// The ids of the name's events up to lastId, newest first, at most limit: through the index
    /// by name, so that the cost follows that name's events only.
    std::vector<long long> FindIdsOfName(long long nameId, long long lastId, size_t limit);
    /// The time of the name's newest event, 0 when there is none.
    long long GetLastSeen(const wxString& name);

    /// What the store knows of one name, read in one snapshot: its events oldest first, through
    /// the index by name, and the runs of the file, oldest first. False for an unknown name.
    struct NameHistory
    {
        std::vector<HistoryEvent> events;
        std::vector<HistoryRun> runs;
        /// The times of the oldest and the newest event of any name.
        long long oldestTime = 0;
        long long newestTime = 0;
        /// The run this store records, when it writes; its start, 0 otherwise.
        long long currentRunStart = 0;
    };
    bool ReadNameHistory(const wxString& name, NameHistory& history);
    /// Calls each for every event, oldest first, count the number of events; stops when each
    /// returns false. One snapshot; false on a failed read or when each stopped.
    bool ForEachEvent(const std::function<bool(const HistoryEvent&, long long count)>& each);

private:
    OpenResult OpenLocked(const wxString& path, wxString* error);
    /// SQLite's result of opening and preparing the file; the connection stays open on success.
    int OpenFile(const wxString& file, wxString* error);
    bool Execute(const char* sql);
    /// The name's row id, made when new; 0 on failure. Called within a transaction.
    long long NameId(const wxString& name, const std::shared_ptr<const wxString>& shared);
    wxString LastError() const;
    /// Within Record's transaction: the list's time as its run's last, or a new run.
    bool NoteList(long long listTime, bool firstOfRun, long long& madeRun);
    /// Removes the runs that ended before the oldest event; within the lock.
    bool PruneRuns();
    void CloseLocked();

    mutable std::mutex mutex;
    sqlite3* db = nullptr;
    bool writable = false;
    // The writer's lock's descriptor, -1 when not held; the run this store records, 0 before one.
    int writerLock = -1;
    wxString filePath;
    long long runId = 0;
    // Keyed by a view of the name object kept beside the id: each name once, often the very
    // object the lists of users hold.
    std::unordered_map<std::wstring_view, std::pair<std::shared_ptr<const wxString>, long long>> nameIds;
};
