// The History page's list: the events newest first, read from the store only as rows are shown.
#include "ui/HistoryListCtrl.h"

#include "model/UserGroups.h"
#include "site/SiteAddress.h"
#include "ui/MainMenu.h"
#include "ui/UserListTreeCtrl.h"
#include "util/Trace.h"
#include "util/Util.h"

#include <wx/datetime.h>
#include <wx/imaglist.h>
#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/settings.h>

#include <algorithm>
#include <numeric>

namespace
{
enum Column
{
    kTimeColumn,
    kNameColumn,
    kEventColumn
};

// Each column's width when the page has room for all (pixels at the standard resolution).
const int kNaturalWidths[] = {150, 110, 120};
} // namespace

wxBEGIN_EVENT_TABLE(HistoryListCtrl, wxListCtrl)
    EVT_USER_ADDED(-1, HistoryListCtrl::OnUserEvent)
    EVT_USER_DELETED(-1, HistoryListCtrl::OnUserEvent)
    EVT_USER_CHANGED(-1, HistoryListCtrl::OnUserEvent)
    EVT_USER_LIST_INITIALIZED(-1, HistoryListCtrl::OnUserListInitialized)
    EVT_LIST_ITEM_ACTIVATED(wxID_ANY, HistoryListCtrl::OnItemActivated)
    EVT_LIST_ITEM_RIGHT_CLICK(wxID_ANY, HistoryListCtrl::OnItemRightClick)
    EVT_CONTEXT_MENU(HistoryListCtrl::OnContextMenu)
    EVT_MENU(wxID_OPEN, HistoryListCtrl::OnMenu)
    EVT_MENU_RANGE(ID_POPUP_ALWAYS, ID_POPUP_AS_SETTINGS, HistoryListCtrl::OnMenu)
wxEND_EVENT_TABLE()

HistoryListCtrl::HistoryListCtrl(wxWindow* parent, wxWindowID id, HistoryStore* store)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_SINGLE_SEL | wxSUNKEN_BORDER),
      view(store), searchTimer(this)
{
    SOLVANE_TRACE("[%p]HistoryListCtrl::HistoryListCtrl(%p)", static_cast<void*>(this), static_cast<void*>(parent));
    auto* images = new wxImageList(16, 16, true, 3);
    offlineImage = images->Add(UserListTreeCtrl::SkinIcon("UserListTreeCtrl_offlineIcon"));
    freeImage = images->Add(UserListTreeCtrl::SkinIcon("UserListTreeCtrl_freeIcon"));
    busyImage = images->Add(UserListTreeCtrl::SkinIcon("UserListTreeCtrl_busyIcon"));
    AssignImageList(images, wxIMAGE_LIST_SMALL);
    SetProperties();
    view.SetFilter(wxEmptyString, {}, false);
    SetItemCount(static_cast<long>(view.GetCount()));
    Bind(wxEVT_TIMER, &HistoryListCtrl::OnSearchTimer, this, searchTimer.GetId());
    Bind(wxEVT_SIZE, &HistoryListCtrl::OnSize, this);
}

HistoryListCtrl::~HistoryListCtrl()
{
    SOLVANE_TRACE("[%p]HistoryListCtrl::~HistoryListCtrl(void)", static_cast<void*>(this));
}

void HistoryListCtrl::SetProperties()
{
    AppendColumn(_("Time"), wxLIST_FORMAT_LEFT, FromDIP(kNaturalWidths[kTimeColumn]));
    AppendColumn(_("Name"), wxLIST_FORMAT_LEFT, FromDIP(kNaturalWidths[kNameColumn]));
    AppendColumn(_("Event"), wxLIST_FORMAT_LEFT, FromDIP(kNaturalWidths[kEventColumn]));
}

void HistoryListCtrl::OnSize(wxSizeEvent& event)
{
    event.Skip();
    FitColumns();
}

void HistoryListCtrl::FitColumns()
{
    // The columns share the page's width, so that every one shows without scrolling sideways:
    // their natural widths while there is room; below that (the main window is narrow by default)
    // the time keeps room for a time of day, today's rows showing no date, and the name and the
    // event share the rest. The room of a vertical scroll bar is kept, as rows come and go.
    const int room = GetClientSize().x - std::max(0, wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, this));
    if (room <= 0)
        return;
    const int natural = FromDIP(std::accumulate(std::begin(kNaturalWidths), std::end(kNaturalWidths), 0));
    const bool wide = room >= natural;
    const int time = wide ? FromDIP(kNaturalWidths[kTimeColumn]) : GetTextExtent("00:00:00").x + FromDIP(12);
    const int nameShare = kNaturalWidths[kNameColumn] + kNaturalWidths[kEventColumn];
    const int name = wide ? FromDIP(kNaturalWidths[kNameColumn]) : (room - time) * kNaturalWidths[kNameColumn] / nameShare;
    SetColumnWidth(kTimeColumn, time);
    SetColumnWidth(kNameColumn, name);
    // The last column takes what is left, all of a wide page.
    SetColumnWidth(kEventColumn, std::max(0, room - time - name));
}

void HistoryListCtrl::SetFilter(const wxString& text, const std::vector<wxString>& names, bool favoritesOnly)
{
    SOLVANE_TRACE("[%p]HistoryListCtrl::SetFilter(%s, %d)", static_cast<void*>(this), text, favoritesOnly);
    const Place kept = GetPlace();
    view.SetFilter(text, names, favoritesOnly);
    ShowRows(kept);
}

HistoryListCtrl::Place HistoryListCtrl::GetPlace() const
{
    Place place;
    place.selected = IdAt(SelectedRow());
    place.focused = IdAt(GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED));
    const long top = GetItemCount() > 0 ? GetTopItem() : 0;
    place.top = top > 0 ? IdAt(top) : 0;
    return place;
}

long HistoryListCtrl::SelectedRow() const
{
    // The control looks for it row by row: a month of rows is not walked when none is selected.
    return GetSelectedItemCount() > 0 ? GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED) : -1;
}

long HistoryListCtrl::RowOf(long long id) const
{
    const size_t row = view.FindRow(id);
    return row == HistoryView::kNoRow ? -1 : static_cast<long>(row);
}

void HistoryListCtrl::ShowRows(const Place& kept)
{
    SetItemCount(static_cast<long>(view.GetCount()));
    RestorePlace(kept);
    Refresh();
    if (view.IsSearching() && !searchTimer.IsRunning())
        searchTimer.StartOnce(1);
}

void HistoryListCtrl::RestorePlace(const Place& kept)
{
    // The control keeps its highlight on a row number: left there, Enter would open whoever the
    // new events pushed into that row. An event gone (pruned, filtered out) leaves no selection.
    const long selected = RowOf(kept.selected);
    const long highlighted = SelectedRow();
    if (highlighted != selected)
    {
        if (highlighted >= 0)
            SetItemState(highlighted, 0, wxLIST_STATE_SELECTED);
        if (selected >= 0)
            SetItemState(selected, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    const long focused = RowOf(kept.focused);
    const long current = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
    if (focused != current)
    {
        if (focused >= 0)
            SetItemState(focused, wxLIST_STATE_FOCUSED, wxLIST_STATE_FOCUSED);
        else if (current >= 0)
            SetItemState(current, 0, wxLIST_STATE_FOCUSED);
    }
    // Scrolled down, the reader keeps the rows being read; the new ones wait above.
    const long top = RowOf(kept.top);
    if (top > 0 && top != GetTopItem())
        ScrollToTop(top);
}

void HistoryListCtrl::ScrollToTop(long row)
{
    // Bringing the row into view lays the list out for its new count first: a scroll before that
    // would stop at the old end.
    EnsureVisible(row);
    wxRect rect;
    if (!GetItemRect(row, rect) || rect.height <= 0)
        return;
    ScrollList(0, static_cast<int>(row - GetTopItem()) * rect.height);
}

void HistoryListCtrl::OnSearchTimer(wxTimerEvent& WXUNUSED(event))
{
    const Place kept = GetPlace();
    view.Search(HistoryView::kSliceMilliseconds);
    ShowRows(kept);
}

void HistoryListCtrl::UpdateRows()
{
    SOLVANE_TRACE("[%p]HistoryListCtrl::UpdateRows(void)", static_cast<void*>(this));
    updatePending = false;
    const Place kept = GetPlace();
    const long long newestShown = IdAt(0);
    if (!view.Update())
        return;
    // A store started again (a damaged file replaced) counts anew: its ids name other events.
    ShowRows(IdAt(0) < newestShown ? Place() : kept);
}

// A refresh brings its events one by one, all written before the first: one look for all.
void HistoryListCtrl::ScheduleUpdate()
{
    if (updatePending)
        return;
    updatePending = true;
    CallAfter(&HistoryListCtrl::UpdateRows);
}

void HistoryListCtrl::OnUserEvent(UserEvent& WXUNUSED(event))
{
    ScheduleUpdate();
}

void HistoryListCtrl::OnUserListInitialized(UserListEvent& WXUNUSED(event))
{
    ScheduleUpdate();
}

void HistoryListCtrl::OnItemActivated(wxListEvent& event)
{
    SOLVANE_TRACE("[%p]HistoryListCtrl::OnItemActivated(%ld)", static_cast<void*>(this), event.GetIndex());
    const HistoryEvent& row = view.GetRow(static_cast<size_t>(event.GetIndex()));
    if (row.id == 0)
        return;
    Util::LaunchBrowser(SiteAddress::PerformerPage(row.name));
}

void HistoryListCtrl::OnItemRightClick(wxListEvent& event)
{
    SOLVANE_TRACE("[%p]HistoryListCtrl::OnItemRightClick(%ld)", static_cast<void*>(this), event.GetIndex());
    // The row under the mouse, at the mouse.
    ShowMenu(event.GetIndex(), wxDefaultPosition);
}

void HistoryListCtrl::OnContextMenu(wxContextMenuEvent& event)
{
    SOLVANE_TRACE("[%p]HistoryListCtrl::OnContextMenu(%d, %d)", static_cast<void*>(this), event.GetPosition().x,
                  event.GetPosition().y);
    // A click brings its own position and is served by the right-click event; the keyboard
    // brings none, and its menu is for the selected row, just below it.
    if (event.GetPosition() != wxDefaultPosition)
    {
        event.Skip();
        return;
    }
    const long row = SelectedRow();
    if (row < 0)
        return;
    EnsureVisible(row);
    wxRect rect;
    if (GetItemRect(row, rect, wxLIST_RECT_LABEL))
        ShowMenu(row, rect.GetBottomLeft() + wxPoint(0, 1));
}

void HistoryListCtrl::ShowMenu(long index, const wxPoint& pos)
{
    const HistoryEvent& row = view.GetRow(static_cast<size_t>(index));
    if (row.id == 0)
        return;
    // By name: a refresh may move the rows while the menu is up.
    menuName = row.name;
    wxMenu menu;
    menu.Append(wxID_OPEN, _("&Open page"));
    menu.AppendSeparator();
    AppendPopupChoiceItems(menu, menuName);
    PopupMenu(&menu, pos);
    menuName.clear();
}

void HistoryListCtrl::OnMenu(wxCommandEvent& event)
{
    SOLVANE_TRACE("[%p]HistoryListCtrl::OnMenu(%d)", static_cast<void*>(this), event.GetId());
    if (menuName.empty())
        return;
    if (event.GetId() == wxID_OPEN)
        Util::LaunchBrowser(SiteAddress::PerformerPage(menuName));
    else
        ApplyPopupChoiceItem(event.GetId(), menuName);
}

wxString HistoryListCtrl::OnGetItemText(long item, long column) const
{
    const HistoryEvent& row = view.GetRow(static_cast<size_t>(item));
    if (row.id == 0)
        return wxEmptyString;
    switch (column)
    {
    case kTimeColumn:
    {
        // Today's date goes without saying, and a narrow page has room for the time alone.
        const wxDateTime when(static_cast<time_t>(row.time));
        return when.Format(when.IsSameDate(wxDateTime::Today()) ? "%H:%M:%S" : "%Y-%m-%d %H:%M:%S");
    }
    case kNameColumn: return row.name;
    case kEventColumn: return HistoryView::Describe(row.kind, row.status);
    default: return wxEmptyString;
    }
}

int HistoryListCtrl::OnGetItemColumnImage(long item, long column) const
{
    if (column != kEventColumn)
        return -1;
    const HistoryEvent& row = view.GetRow(static_cast<size_t>(item));
    if (row.id == 0)
        return -1;
    if (row.kind == HistoryKind::WentOffline)
        return offlineImage;
    switch (IconForStatus(row.status))
    {
    case StatusIcon::Free: return freeImage;
    case StatusIcon::Busy: return busyImage;
    default: return -1;
    }
}
