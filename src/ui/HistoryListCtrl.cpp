// The History page's list: the events newest first, read from the store only as rows are shown.
#include "ui/HistoryListCtrl.h"

#include "model/UserGroups.h"
#include "ui/MainMenu.h"
#include "ui/NativeView.h"
#include "ui/PerformerCard.h"
#include "ui/UserListTreeCtrl.h"
#include "util/Trace.h"

#include <wx/datetime.h>
#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/settings.h>

#include <algorithm>
#include <numeric>

namespace
{
// Each column's width when the page has room for all (pixels at the standard resolution).
const int kNaturalWidths[] = {150, 110, 120};
} // namespace

// The rows as the view hands them to the window system's list, one at a time as they show.
class HistoryListCtrl::Model : public wxDataViewVirtualListModel
{
public:
    explicit Model(const HistoryListCtrl& list_)
        : wxDataViewVirtualListModel(static_cast<unsigned>(list_.GetRowCount())), list(list_)
    {
    }

    void GetValueByRow(wxVariant& value, unsigned row, unsigned column) const override
    {
        const wxString text = list.GetRowText(static_cast<long>(row), static_cast<int>(column));
        if (column == kEventColumn)
            value << wxDataViewIconText(text, IconOf(row));
        else
            value = text;
    }

    bool SetValueByRow(const wxVariant& WXUNUSED(value), unsigned WXUNUSED(row), unsigned WXUNUSED(column)) override
    {
        return false;
    }

private:
    wxBitmapBundle IconOf(unsigned row) const
    {
        const HistoryEvent& event = list.view.GetRow(row);
        if (event.id == 0)
            return wxBitmapBundle();
        if (event.kind == HistoryKind::WentOffline)
            return list.offlineIcon;
        switch (IconForStatus(event.status))
        {
        case StatusIcon::Free: return list.freeIcon;
        case StatusIcon::Busy: return list.busyIcon;
        default: return wxBitmapBundle();
        }
    }

    const HistoryListCtrl& list;
};

wxBEGIN_EVENT_TABLE(HistoryListCtrl, wxDataViewCtrl)
    EVT_USER_ADDED(-1, HistoryListCtrl::OnUserEvent)
    EVT_USER_DELETED(-1, HistoryListCtrl::OnUserEvent)
    EVT_USER_CHANGED(-1, HistoryListCtrl::OnUserEvent)
    EVT_USER_LIST_INITIALIZED(-1, HistoryListCtrl::OnUserListInitialized)
    EVT_DATAVIEW_ITEM_ACTIVATED(wxID_ANY, HistoryListCtrl::OnItemActivated)
    EVT_DATAVIEW_ITEM_CONTEXT_MENU(wxID_ANY, HistoryListCtrl::OnItemContextMenu)
    EVT_CONTEXT_MENU(HistoryListCtrl::OnContextMenu)
    EVT_MENU(wxID_OPEN, HistoryListCtrl::OnMenu)
    EVT_MENU(wxID_INFO, HistoryListCtrl::OnMenu)
    EVT_MENU_RANGE(ID_POPUP_ALWAYS, ID_POPUP_AS_SETTINGS, HistoryListCtrl::OnMenu)
wxEND_EVENT_TABLE()

HistoryListCtrl::HistoryListCtrl(wxWindow* parent, wxWindowID id, HistoryStore* store)
    : wxDataViewCtrl(parent, id, wxDefaultPosition, wxDefaultSize, wxDV_SINGLE | wxBORDER_SUNKEN),
      view(store), searchTimer(this)
{
    SOLVANE_TRACE("[%p]HistoryListCtrl::HistoryListCtrl(%p)", static_cast<void*>(this), static_cast<void*>(parent));
    offlineIcon = UserListTreeCtrl::SkinIconBundle("UserListTreeCtrl_offlineIcon");
    freeIcon = UserListTreeCtrl::SkinIconBundle("UserListTreeCtrl_freeIcon");
    busyIcon = UserListTreeCtrl::SkinIconBundle("UserListTreeCtrl_busyIcon");
    view.SetFilter(wxEmptyString, {}, false);
    model = new Model(*this);
    AssociateModel(model);
    model->DecRef(); // the control holds it
    shownNewest = IdAt(0);
    SetProperties();
    Bind(wxEVT_TIMER, &HistoryListCtrl::OnSearchTimer, this, searchTimer.GetId());
    Bind(wxEVT_SIZE, &HistoryListCtrl::OnSize, this);
    Bind(wxEVT_KEY_DOWN, &HistoryListCtrl::OnKeyDown, this);
}

HistoryListCtrl::~HistoryListCtrl()
{
    SOLVANE_TRACE("[%p]HistoryListCtrl::~HistoryListCtrl(void)", static_cast<void*>(this));
}

void HistoryListCtrl::SetProperties()
{
    AppendTextColumn(_("Time"), kTimeColumn, wxDATAVIEW_CELL_INERT, FromDIP(kNaturalWidths[kTimeColumn]));
    AppendTextColumn(_("Name"), kNameColumn, wxDATAVIEW_CELL_INERT, FromDIP(kNaturalWidths[kNameColumn]));
    AppendIconTextColumn(_("Event"), kEventColumn, wxDATAVIEW_CELL_INERT, FromDIP(kNaturalWidths[kEventColumn]));
    SetAccessibleName(this, _("History"));
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
    GetColumn(kTimeColumn)->SetWidth(time);
    GetColumn(kNameColumn)->SetWidth(name);
    // The last column takes what is left, all of a wide page.
    GetColumn(kEventColumn)->SetWidth(std::max(1, room - time - name));
}

void HistoryListCtrl::SetFilter(const wxString& text, const std::vector<wxString>& names, bool favoritesOnly)
{
    SOLVANE_TRACE("[%p]HistoryListCtrl::SetFilter(%s, %d)", static_cast<void*>(this), text, favoritesOnly);
    const Place kept = GetPlace();
    view.SetFilter(text, names, favoritesOnly);
    ShowRows(kept, true);
}

wxDataViewItem HistoryListCtrl::ItemOf(long row) const
{
    return row < 0 || row >= GetRowCount() ? wxDataViewItem() : model->GetItem(static_cast<unsigned>(row));
}

long HistoryListCtrl::RowOf(const wxDataViewItem& item) const
{
    return item.IsOk() ? static_cast<long>(model->GetRow(item)) : -1;
}

long HistoryListCtrl::RowOf(long long id) const
{
    const size_t row = view.FindRow(id);
    return row == HistoryView::kNoRow ? -1 : static_cast<long>(row);
}

long HistoryListCtrl::GetSelectedRow() const
{
    return HasSelection() ? RowOf(GetSelection()) : -1;
}

long HistoryListCtrl::GetCurrentRow() const
{
    return RowOf(GetCurrentItem());
}

long HistoryListCtrl::GetTopRow() const
{
    return GetRowCount() > 0 ? RowOf(GetTopItem()) : -1;
}

void HistoryListCtrl::SelectRow(long row)
{
    const wxDataViewItem item = ItemOf(row);
    if (!item.IsOk())
        return;
    SetCurrentItem(item);
    Select(item);
}

HistoryListCtrl::Place HistoryListCtrl::GetPlace() const
{
    Place place;
    place.selected = IdAt(GetSelectedRow());
    place.focused = IdAt(GetCurrentRow());
    const long top = GetTopRow();
    place.top = top > 0 ? IdAt(top) : 0;
    return place;
}

void HistoryListCtrl::ShowRows(const Place& kept, bool refilled)
{
    // A refresh brings rows above, a search finds them below and the clean-up takes them from
    // below, the rows between staying: the list is told of those alone, as laying out a month of
    // rows anew takes a good part of a second. Another filter lays them out anew.
    const size_t count = view.GetCount();
    const size_t added = refilled || shownNewest == 0 ? HistoryView::kNoRow : view.FindRow(shownNewest);
    if (added == HistoryView::kNoRow || added > count)
    {
        model->Reset(static_cast<unsigned>(count));
    }
    else
    {
        for (size_t row = 0; row < added; ++row)
            model->RowPrepended();
        const size_t listed = model->GetCount();
        for (size_t row = listed; row < count; ++row)
            model->RowAppended();
        wxArrayInt gone;
        for (size_t row = count; row < listed; ++row)
            gone.Add(static_cast<int>(row));
        if (!gone.empty())
            model->RowsDeleted(gone);
        Refresh();
    }
    shownNewest = IdAt(0);
    RestorePlace(kept);
    if (view.IsSearching() && !searchTimer.IsRunning())
        searchTimer.StartOnce(1);
}

void HistoryListCtrl::RestorePlace(const Place& kept)
{
    // A list laid out anew keeps no highlight: it goes back on its event, as Enter must open whom
    // the reader chose. An event gone (pruned, filtered out) leaves no selection.
    const long focused = RowOf(kept.focused);
    if (focused >= 0 && focused != GetCurrentRow())
        SetCurrentItem(ItemOf(focused));
    const long selected = RowOf(kept.selected);
    if (selected >= 0 && selected != GetSelectedRow())
        Select(ItemOf(selected));
    else if (selected < 0 && HasSelection())
        UnselectAll();
    // Scrolled down, the reader keeps the rows being read; the new ones wait above. At the very
    // top the new rows show: the list would follow the keyboard's row down, in its own time, so
    // the top is asked for whatever the top row seems to be now.
    const long top = RowOf(kept.top);
    if (top > 0 && top != GetTopRow())
        ScrollRowToTop(this, top);
    else if (kept.top == 0 && focused > 0)
        ScrollRowToTop(this, 0);
}

void HistoryListCtrl::OnSearchTimer(wxTimerEvent& WXUNUSED(event))
{
    const Place kept = GetPlace();
    view.Search(HistoryView::kSliceMilliseconds);
    ShowRows(kept, false);
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
    const bool restarted = IdAt(0) < newestShown;
    ShowRows(restarted ? Place() : kept, restarted);
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

void HistoryListCtrl::OnItemActivated(wxDataViewEvent& event)
{
    const long index = RowOf(event.GetItem());
    SOLVANE_TRACE("[%p]HistoryListCtrl::OnItemActivated(%ld)", static_cast<void*>(this), index);
    if (index < 0)
        return;
    const HistoryEvent& row = view.GetRow(static_cast<size_t>(index));
    if (row.id == 0)
        return;
    OpenPerformer(this, row.name, view.GetStore(), wxGetKeyState(WXK_SHIFT));
}

void HistoryListCtrl::OnItemContextMenu(wxDataViewEvent& event)
{
    const long index = RowOf(event.GetItem());
    SOLVANE_TRACE("[%p]HistoryListCtrl::OnItemContextMenu(%ld)", static_cast<void*>(this), index);
    // The row under the mouse, at the mouse.
    if (index >= 0)
        ShowMenu(index, wxDefaultPosition);
}

void HistoryListCtrl::OnKeyDown(wxKeyEvent& event)
{
    // The window system's list takes these keys for itself and tells nothing of them: Enter
    // activates no row, Shift+F10 and the Menu key ask for a menu of its own. They are served
    // here first.
    const int key = event.GetKeyCode();
    if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER)
    {
        wxDataViewEvent enter(wxEVT_DATAVIEW_ITEM_ACTIVATED, this, GetCurrentItem());
        OnItemActivated(enter);
    }
    else if (key == WXK_MENU || (key == WXK_F10 && event.GetModifiers() == wxMOD_SHIFT))
    {
        wxContextMenuEvent request(wxEVT_CONTEXT_MENU, GetId(), wxDefaultPosition);
        OnContextMenu(request);
    }
    else
    {
        event.Skip();
    }
}

void HistoryListCtrl::OnContextMenu(wxContextMenuEvent& event)
{
    SOLVANE_TRACE("[%p]HistoryListCtrl::OnContextMenu(%d, %d)", static_cast<void*>(this), event.GetPosition().x,
                  event.GetPosition().y);
    // A click brings its own position and is served by the item's context-menu event; the
    // keyboard brings none, and its menu is for the selected row, just below it.
    if (event.GetPosition() != wxDefaultPosition)
    {
        event.Skip();
        return;
    }
    const long row = GetSelectedRow();
    if (row < 0)
        return;
    EnsureVisible(ItemOf(row));
    // A row not laid out yet has no place: its menu goes to the list's corner.
    const wxRect rect = GetItemRect(ItemOf(row));
    ShowMenu(row, rect.IsEmpty() ? wxPoint(0, 0) : rect.GetBottomLeft() + wxPoint(0, 1));
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
    menu.Append(wxID_INFO, _("&Details..."));
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
    if (event.GetId() == wxID_OPEN || event.GetId() == wxID_INFO)
        OpenPerformer(this, menuName, view.GetStore(), event.GetId() == wxID_INFO);
    else
        ApplyPopupChoiceItem(event.GetId(), menuName);
}

wxString HistoryListCtrl::GetRowText(long item, int column) const
{
    if (item < 0 || item >= GetRowCount())
        return wxEmptyString;
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
