// A history of many events made in one go, for the measurements and the tests that need a long
// one: the schema is the program's own (the store makes the file), the rows a bulk insert.
#pragma once

#include "history/HistoryStore.h"

#include <sqlite3.h>

#include <string>

/// The name of the event with the id in a file that FillHistory made from empty.
inline std::string FilledName(long long id, long long names)
{
    return "p" + std::to_string((id - 1) * 7919 % names);
}

/// Adds events one second apart, the newest at newestTime, their names "p0".."p<names-1>"
/// scattered over them as a busy site's polls scatter them. True on success.
inline bool FillHistory(const wxString& path, long long events, long long names, long long newestTime)
{
    {
        HistoryStore store;
        if (store.Open(path) == HistoryStore::OpenResult::Failed)
            return false;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open(path.utf8_str(), &db) != SQLITE_OK)
    {
        sqlite3_close(db);
        return false;
    }
    // The index is made again after the rows: a sort is far quicker than millions of scattered inserts.
    const std::string sql = "BEGIN; DROP INDEX IF EXISTS events_by_name;"
                            " WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < " +
                            std::to_string(names) +
                            ")"
                            " INSERT OR IGNORE INTO names(name) SELECT 'p' || i FROM n;"
                            " WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < " +
                            std::to_string(events) +
                            ")"
                            " INSERT INTO events(time, name_id, kind, status) SELECT " +
                            std::to_string(newestTime - events + 1) +
                            " + i,"
                            " (SELECT min(id) FROM names) + (i * 7919) % " +
                            std::to_string(names) +
                            ", 1 + i % 3, 3 FROM n;"
                            " CREATE INDEX events_by_name ON events(name_id); COMMIT;";
    const bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}
