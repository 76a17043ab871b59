// The rows of the History page, newest first, read from the store only as they are shown.
//
// Usage (GUI thread):
//   HistoryView view(&store);
//   view.SetFilter("ann", {}, false);   // or the favourites' names, favoritesOnly true
//   view.Update();                      // after each refresh: takes in the new events
//   for (size_t row = 0; row < view.GetCount(); ++row) view.GetRow(row);
//
// Without a filter the rows are the store's contiguous ids counted down from the newest, so a
// month of history costs two numbers; a filter keeps the matching ids, at most kFilteredLimit.
#pragma once

#include "history/HistoryStore.h"

#include <unordered_map>
#include <vector>

class HistoryView
{
public:
    static const size_t kFilteredLimit = 100000;

    /// The store is not owned and may be null (no history).
    explicit HistoryView(HistoryStore* store);

    /// Names containing text (ignoring case); with favoritesOnly, only those of names.
    void SetFilter(const wxString& text, const std::vector<wxString>& names, bool favoritesOnly);
    /// Takes in the events added and removed since the last call; true when the rows changed.
    bool Update();
    size_t GetCount() const;
    /// Row 0 is the newest; a row whose event is gone reads as an event with id 0.
    const HistoryEvent& GetRow(size_t row);

    /// The page's short text for an event: came online, now free, busy, went offline.
    static wxString Describe(HistoryKind kind, uint32_t status);
    /// "last online 14:03, 2 h ago"; the date too when it was not today. Times in seconds.
    static wxString LastSeenText(long long lastSeen, long long now);

private:
    bool IsFiltered() const { return favoritesOnly || !text.empty(); }
    void Reload();

    HistoryStore* store;
    wxString text;
    std::vector<wxString> names;
    bool favoritesOnly = false;

    long long oldest = 0;
    long long newest = 0;
    // Filtered: the matching ids, newest first.
    std::vector<long long> ids;
    std::unordered_map<long long, HistoryEvent> cache;
    HistoryEvent none;
};
