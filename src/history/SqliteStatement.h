// The history's few helpers around SQLite's statements: a statement that finalises itself, and
// text in and out as UTF-8.
#pragma once

#include <wx/string.h>

#include <sqlite3.h>

#include <memory>

struct SqliteStatementDeleter
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using SqliteStatement = std::unique_ptr<sqlite3_stmt, SqliteStatementDeleter>;

/// The statement prepared, or null.
inline SqliteStatement PrepareStatement(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return SqliteStatement();
    return SqliteStatement(statement);
}

inline void BindText(sqlite3_stmt* statement, int index, const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    sqlite3_bind_text(statement, index, utf8.data(), static_cast<int>(utf8.length()), SQLITE_TRANSIENT);
}

inline wxString ColumnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? wxString::FromUTF8(text, static_cast<size_t>(sqlite3_column_bytes(statement, column))) : wxString();
}
