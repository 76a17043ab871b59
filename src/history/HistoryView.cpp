// The rows of the History page, newest first, read from the store only as they are shown.
#include "history/HistoryView.h"

#include "history/HistoryReport.h"
#include "model/UserGroups.h"
#include "util/Trace.h"

#include <wx/datetime.h>
#include <wx/intl.h>

#include <algorithm>
#include <chrono>
#include <functional>

namespace
{
// Rows read around one asked for: a page being drawn asks for its rows one after the other.
const long long kReadAhead = 64;
// The cache is dropped past this: it only has to hold what is on screen.
const size_t kCacheLimit = 4096;
// A search's step: a few milliseconds of the store's time each.
const size_t kNamesAStep = 5000;
const long long kSpanAStep = 10000;
} // namespace

HistoryView::HistoryView(HistoryStore* store_) : store(store_)
{
    SOLVANE_TRACE("[%p]HistoryView::HistoryView(%p)", static_cast<void*>(this), static_cast<void*>(store_));
}

void HistoryView::SetFilter(const wxString& text_, const std::vector<wxString>& names_, bool favoritesOnly_)
{
    SOLVANE_TRACE("[%p]HistoryView::SetFilter(%s, %zu, %d)", static_cast<void*>(this), text_, names_.size(),
                  favoritesOnly_);
    text = text_;
    names = names_;
    favoritesOnly = favoritesOnly_;
    wanted = text.Lower().utf8_string();
    favorites.clear();
    for (const wxString& name : names)
        favorites.insert(name.utf8_string());
    Reload();
    Search(kSliceMilliseconds);
}

void HistoryView::Reload()
{
    ids.clear();
    cache.clear();
    probes.clear();
    scanNext = 0;
    namesRead = true;
    oldest = newest = 0;
    if (!store || !store->GetIdRange(oldest, newest))
        return;
    if (!IsFiltered() || (favoritesOnly && names.empty()))
        return;
    matchedCount = 0;
    std::fill(matched.begin(), matched.end(), 0);
    for (const Name& name : known)
        Mark(name);
    searchTop = newest;
    namesRead = false;
}

void HistoryView::Mark(const Name& name)
{
    if (!wanted.empty() && name.lowered.find(wanted) == std::string::npos)
        return;
    if (favoritesOnly && favorites.count(name.exact) == 0)
        return;
    if (matched.size() <= static_cast<size_t>(name.id))
        matched.resize(static_cast<size_t>(name.id) + 1, 0);
    matched[static_cast<size_t>(name.id)] = 1;
    ++matchedCount;
}

bool HistoryView::Matches(long long nameId) const
{
    return nameId >= 0 && static_cast<size_t>(nameId) < matched.size() && matched[static_cast<size_t>(nameId)];
}

bool HistoryView::ReadNames(size_t limit)
{
    const std::vector<std::pair<long long, wxString>> read =
        store->ReadNames(known.empty() ? 0 : known.back().id, limit);
    for (const auto& [id, name] : read)
    {
        known.push_back({id, name.utf8_string(), name.Lower().utf8_string()});
        if (IsFiltered())
            Mark(known.back());
    }
    return read.size() == limit;
}

bool HistoryView::Search(long milliseconds)
{
    using namespace std::chrono;
    const steady_clock::time_point start = steady_clock::now(), end = start + std::chrono::milliseconds(milliseconds);
    // A step is not begun when one as long as the last would pass the end.
    for (steady_clock::time_point stepStart = start, now = start;
         IsSearching() && (now == start || now + (now - stepStart) <= end);)
    {
        stepStart = now;
        SearchStep();
        now = steady_clock::now();
    }
    // Names looked up one by one come in any order.
    if (!probes.empty() || scanNext == 0)
    {
        std::sort(ids.begin(), ids.end(), std::greater<long long>());
        if (ids.size() > kFilteredLimit)
            ids.resize(kFilteredLimit);
    }
    return IsSearching();
}

void HistoryView::SearchStep()
{
    if (!store)
    {
        namesRead = true;
        probes.clear();
        scanNext = 0;
        return;
    }
    if (!namesRead)
    {
        if (ReadNames(kNamesAStep))
            return;
        namesRead = true;
        if (matchedCount == 0)
            return;
        // The index costs a row for each matching event; the walk down the ids a row for each
        // event until the limit is reached. With a share s of the names matching, the first reads
        // about s * total rows, the second limit / s: the index wins below s = sqrt(limit / total).
        const double share = static_cast<double>(matchedCount) / static_cast<double>(std::max<size_t>(known.size(), 1));
        const double total = static_cast<double>(searchTop - oldest + 1);
        if (share * share * total < static_cast<double>(kFilteredLimit))
        {
            for (long long id = static_cast<long long>(matched.size()) - 1; id > 0; --id)
                if (matched[static_cast<size_t>(id)])
                    probes.push_back(id);
        }
        else
        {
            scanNext = searchTop;
        }
        return;
    }
    if (!probes.empty())
    {
        const std::vector<long long> found = store->FindIdsOfName(probes.back(), searchTop, kFilteredLimit);
        probes.pop_back();
        ids.insert(ids.end(), found.begin(), found.end());
        return;
    }
    if (scanNext != 0)
    {
        const long long low = std::max(oldest, scanNext - kSpanAStep + 1);
        for (const auto& [id, nameId] : store->ReadNameIds(low, scanNext))
        {
            if (Matches(nameId) && ids.size() < kFilteredLimit)
                ids.push_back(id);
        }
        scanNext = low <= oldest || ids.size() >= kFilteredLimit ? 0 : low - 1;
    }
}

bool HistoryView::Update()
{
    SOLVANE_TRACE("[%p]HistoryView::Update(void)", static_cast<void*>(this));
    long long nowOldest = 0, nowNewest = 0;
    if (!store || !store->GetIdRange(nowOldest, nowNewest))
    {
        const bool had = GetCount() != 0;
        ids.clear();
        cache.clear();
        probes.clear();
        scanNext = 0;
        oldest = newest = 0;
        return had;
    }
    if (nowOldest == oldest && nowNewest == newest)
        return false;
    // A store started again (a damaged file replaced) counts from the beginning.
    if (nowNewest < newest)
    {
        Reload();
        Search(kSliceMilliseconds);
        return true;
    }
    if (!namesRead)
    {
        // The search has found nothing yet: it takes in the new events itself.
        searchTop = nowNewest;
    }
    else if (IsFiltered() && !(favoritesOnly && names.empty()))
    {
        // Only this refresh's events are read, and only the names they brought are matched.
        while (ReadNames(kNamesAStep))
            ;
        std::vector<long long> fresh;
        for (const auto& [id, nameId] : store->ReadNameIds(newest + 1, nowNewest))
        {
            if (Matches(nameId))
                fresh.push_back(id);
        }
        fresh.insert(fresh.end(), ids.begin(), ids.end());
        ids.swap(fresh);
        // Pruned events leave from the end; the list keeps its bound, and a walk down the ids
        // would only find what falls past it.
        while (!ids.empty() && (ids.back() < nowOldest || ids.size() > kFilteredLimit))
        {
            ids.pop_back();
            scanNext = 0;
        }
    }
    oldest = nowOldest;
    newest = nowNewest;
    if (scanNext != 0 && scanNext < oldest)
        scanNext = 0;
    // Row numbers moved: what is cached is kept by id, and stays right.
    if (cache.size() > kCacheLimit)
        cache.clear();
    return true;
}

size_t HistoryView::GetCount() const
{
    if (IsFiltered())
        return ids.size();
    return newest >= oldest && newest != 0 ? static_cast<size_t>(newest - oldest + 1) : 0;
}

long long HistoryView::GetId(size_t row) const
{
    if (row >= GetCount())
        return 0;
    return IsFiltered() ? ids[row] : newest - static_cast<long long>(row);
}

size_t HistoryView::FindRow(long long id) const
{
    if (id <= 0)
        return kNoRow;
    if (!IsFiltered())
        return GetCount() != 0 && id >= oldest && id <= newest ? static_cast<size_t>(newest - id) : kNoRow;
    // Newest first: the ids fall down the rows.
    const auto found = std::lower_bound(ids.begin(), ids.end(), id, std::greater<long long>());
    return found != ids.end() && *found == id ? static_cast<size_t>(found - ids.begin()) : kNoRow;
}

const HistoryEvent& HistoryView::GetRow(size_t row)
{
    if (row >= GetCount() || !store)
        return none;
    const long long id = IsFiltered() ? ids[row] : newest - static_cast<long long>(row);
    auto found = cache.find(id);
    if (found != cache.end())
        return found->second;
    if (cache.size() > kCacheLimit)
        cache.clear();
    if (IsFiltered())
    {
        // The neighbouring rows' ids are scattered: read the span only when it is short.
        const size_t last = std::min(ids.size() - 1, row + static_cast<size_t>(kReadAhead));
        const long long low = ids[last];
        for (const HistoryEvent& event : store->ReadRange(id - low <= 4 * kReadAhead ? low : id, id))
        {
            if (std::binary_search(ids.rbegin(), ids.rend(), event.id))
                cache[event.id] = event;
        }
    }
    else
    {
        for (const HistoryEvent& event : store->ReadRange(std::max(oldest, id - kReadAhead), id))
            cache[event.id] = event;
    }
    found = cache.find(id);
    if (found != cache.end())
        return found->second;
    // Gone from the store meanwhile (pruned): remembered as gone until the cache is dropped.
    HistoryEvent& gone = cache[id];
    gone = HistoryEvent();
    return gone;
}

wxString HistoryView::Describe(HistoryKind kind, uint32_t status)
{
    return wxGetTranslation(HistoryEventWord(kind, status));
}

namespace
{
wxString Elapsed(long long from, long long now)
{
    const long long minutes = std::max(0LL, now - from) / 60;
    if (minutes < 60)
        return wxString::Format(_("%d min"), static_cast<int>(minutes));
    if (minutes < 48 * 60)
        return wxString::Format(_("%d h"), static_cast<int>(minutes / 60));
    return wxString::Format(_("%d days"), static_cast<int>(minutes / (24 * 60)));
}
} // namespace

wxString HistoryView::LastSeenText(long long lastSeen, long long now)
{
    const wxDateTime when(static_cast<time_t>(lastSeen));
    const wxDateTime today(static_cast<time_t>(now));
    const wxString at = when.IsSameDate(today) ? when.Format("%H:%M") : when.Format("%Y-%m-%d %H:%M");
    return wxString::Format(_("last online %s, %s ago"), at, Elapsed(lastSeen, now));
}

wxString HistoryView::AgoText(long long lastSeen, long long now)
{
    // TRANSLATORS: how long ago an offline favourite was last online: "3 h ago".
    return wxString::Format(_("%s ago"), Elapsed(lastSeen, now));
}
