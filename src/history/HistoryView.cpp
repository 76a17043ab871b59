// The rows of the History page, newest first, read from the store only as they are shown.
#include "history/HistoryView.h"

#include "model/UserGroups.h"
#include "util/Trace.h"

#include <wx/datetime.h>
#include <wx/intl.h>

#include <algorithm>

namespace
{
// Rows read around one asked for: a page being drawn asks for its rows one after the other.
const long long kReadAhead = 64;
// The cache is dropped past this: it only has to hold what is on screen.
const size_t kCacheLimit = 4096;
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
    Reload();
}

void HistoryView::Reload()
{
    ids.clear();
    cache.clear();
    oldest = newest = 0;
    if (!store || !store->GetIdRange(oldest, newest))
        return;
    if (IsFiltered() && !(favoritesOnly && names.empty()))
        ids = store->FindIds(text, favoritesOnly ? names : std::vector<wxString>(), 0, kFilteredLimit);
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
        oldest = newest = 0;
        return had;
    }
    if (nowOldest == oldest && nowNewest == newest)
        return false;
    // A store started again (a damaged file replaced) counts from the beginning.
    if (nowNewest < newest)
    {
        Reload();
        return true;
    }
    if (IsFiltered() && !(favoritesOnly && names.empty()))
    {
        std::vector<long long> fresh =
            store->FindIds(text, favoritesOnly ? names : std::vector<wxString>(), newest, kFilteredLimit);
        fresh.insert(fresh.end(), ids.begin(), ids.end());
        ids.swap(fresh);
        // Pruned events leave from the end; the list keeps its bound.
        while (!ids.empty() && (ids.back() < nowOldest || ids.size() > kFilteredLimit))
            ids.pop_back();
    }
    oldest = nowOldest;
    newest = nowNewest;
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
    switch (kind)
    {
    case HistoryKind::OnlineAtStart: return _("online at start");
    case HistoryKind::CameOnline: return _("came online");
    case HistoryKind::WentOffline: return _("went offline");
    case HistoryKind::Changed: break;
    }
    switch (IconForStatus(status))
    {
    case StatusIcon::Free: return _("now free");
    case StatusIcon::Busy: return _("busy");
    default: return _("online");
    }
}

wxString HistoryView::LastSeenText(long long lastSeen, long long now)
{
    const wxDateTime when(static_cast<time_t>(lastSeen));
    const wxDateTime today(static_cast<time_t>(now));
    const wxString at = when.IsSameDate(today) ? when.Format("%H:%M") : when.Format("%Y-%m-%d %H:%M");
    const long long minutes = std::max(0LL, now - lastSeen) / 60;
    wxString ago;
    if (minutes < 60)
        ago = wxString::Format(_("%d min"), static_cast<int>(minutes));
    else if (minutes < 48 * 60)
        ago = wxString::Format(_("%d h"), static_cast<int>(minutes / 60));
    else
        ago = wxString::Format(_("%d days"), static_cast<int>(minutes / (24 * 60)));
    return wxString::Format(_("last online %s, %s ago"), at, ago);
}
