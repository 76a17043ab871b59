// The rows of the History page, newest first, read from the store only as they are shown.
//
// Usage (GUI thread):
//   HistoryView view(&store);
//   view.SetFilter("ann", {}, false);   // or the favourites' names, favoritesOnly true
//   while (view.Search(20)) ...         // the rest of the search, a slice at a time
//   view.Update();                      // after each refresh: takes in the new events
//   for (size_t row = 0; row < view.GetCount(); ++row) view.GetRow(row);
//
// Without a filter the rows are the store's contiguous ids counted down from the newest, so a
// month of history costs two numbers; a filter keeps the matching ids, at most kFilteredLimit.
// The names are read once and matched here; the matching events are found in slices that each
// hold the store a few milliseconds: through the index by name when few names match, by a walk
// down the ids otherwise, whichever reads fewer rows. A refresh reads only its own events.
#pragma once

#include "history/HistoryStore.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class HistoryView
{
public:
    static const size_t kFilteredLimit = 100000;
    /// The slice of a search that SetFilter runs at once.
    static const long kSliceMilliseconds = 20;
    /// FindRow's answer for an event that is not among the rows.
    static constexpr size_t kNoRow = static_cast<size_t>(-1);

    /// The store is not owned and may be null (no history).
    explicit HistoryView(HistoryStore* store);

    /// Names containing text (ignoring case); with favoritesOnly, only those of names. Runs the
    /// search's first slice; Search goes on with it.
    void SetFilter(const wxString& text, const std::vector<wxString>& names, bool favoritesOnly);
    /// Goes on with the filter's search for about milliseconds (one step at least); true while
    /// more of it is left. The rows found so far are there meanwhile, newest first.
    bool Search(long milliseconds);
    bool IsSearching() const { return !namesRead || scanNext != 0 || !probes.empty(); }
    /// Takes in the events added and removed since the last call; true when the rows changed.
    bool Update();
    size_t GetCount() const;
    /// Row 0 is the newest; a row whose event is gone reads as an event with id 0.
    const HistoryEvent& GetRow(size_t row);
    /// The id of a row's event without reading it; 0 past the end.
    long long GetId(size_t row) const;
    /// The row that shows the event of id now, kNoRow when it is not among them.
    size_t FindRow(long long id) const;

    HistoryStore* GetStore() const { return store; }

    /// The page's short text for an event: came online, now free, busy, went offline.
    static wxString Describe(HistoryKind kind, uint32_t status);
    /// "last online 14:03, 2 h ago"; the date too when it was not today. Times in seconds.
    static wxString LastSeenText(long long lastSeen, long long now);
    /// "3 h ago": how long ago the time was, in minutes, hours or days.
    static wxString AgoText(long long lastSeen, long long now);

private:
    struct Name
    {
        long long id;
        std::string exact;
        std::string lowered;
    };

    bool IsFiltered() const { return favoritesOnly || !text.empty(); }
    void Reload();
    /// One step of the search: a slice of names, a name's events or a span of ids.
    void SearchStep();
    /// Reads up to limit names not seen yet and marks those the filter takes; true when more are left.
    bool ReadNames(size_t limit);
    void Mark(const Name& name);
    bool Matches(long long nameId) const;

    HistoryStore* store;
    wxString text;
    std::vector<wxString> names;
    bool favoritesOnly = false;

    long long oldest = 0;
    long long newest = 0;
    // Filtered: the matching ids, newest first.
    std::vector<long long> ids;

    // Every name of the store so far, and whether the filter takes it, by id.
    std::vector<Name> known;
    std::vector<char> matched;
    size_t matchedCount = 0;
    std::string wanted;
    std::unordered_set<std::string> favorites;
    // The search: true once every name is in; then the names left to look up through the index,
    // or the next id of the walk down (0: none). The search covers the ids up to searchTop;
    // Update takes in those above it.
    bool namesRead = true;
    std::vector<long long> probes;
    long long scanNext = 0;
    long long searchTop = 0;
    std::unordered_map<long long, HistoryEvent> cache;
    HistoryEvent none;
};
