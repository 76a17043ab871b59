// The History page's list: the events newest first, read from the store only as rows are shown,
// following each refresh of the polling thread. A filter's search goes on in slices between the
// window's own events, its rows shown as they are found. The window system's own list view, so
// that a screen reader reads its rows.
#pragma once

#include "history/HistoryView.h"
#include "model/UserEvent.h"
#include "model/UserListEvent.h"

#include <wx/bmpbndl.h>
#include <wx/dataview.h>
#include <wx/timer.h>

class HistoryListCtrl : public wxDataViewCtrl
{
public:
    enum Column
    {
        kTimeColumn,
        kNameColumn,
        kEventColumn,
        kColumnCount
    };

    /// The store is not owned and may be null (no history this run).
    HistoryListCtrl(wxWindow* parent, wxWindowID id, HistoryStore* store);
    ~HistoryListCtrl() override;

    /// Shows the events of names containing text; with favoritesOnly, of those of names only.
    void SetFilter(const wxString& text, const std::vector<wxString>& names, bool favoritesOnly);
    /// Takes in what the store gained since the last look.
    void UpdateRows();

    /// The rows shown, and a row's text as shown in a column.
    long GetRowCount() const { return static_cast<long>(view.GetCount()); }
    wxString GetRowText(long row, int column) const;
    /// The row selected, the row the keyboard is on and the top row shown; -1 when none.
    long GetSelectedRow() const;
    long GetCurrentRow() const;
    long GetTopRow() const;
    /// Selects row, the keyboard's place with it.
    void SelectRow(long row);

    void OnUserEvent(UserEvent& event);
    void OnUserListInitialized(UserListEvent& event);
    void OnItemActivated(wxDataViewEvent& event);
    /// A row's context menu: its performer's page and pop-up choice.
    void OnItemContextMenu(wxDataViewEvent& event);
    /// Shift+F10 or the Menu key: the same menu for the selected row, beside it.
    void OnContextMenu(wxContextMenuEvent& event);
    void OnMenu(wxCommandEvent& event);

private:
    class Model;
    // What the reader chose and looks at, by event (0: none): the rows move as events come and go.
    struct Place
    {
        long long selected = 0;
        long long focused = 0;
        // Only while scrolled down: at the very top the new rows show.
        long long top = 0;
    };

    void SetProperties();
    void ScheduleUpdate();
    /// Where the reader is; taken before the view changes.
    Place GetPlace() const;
    /// Shows the view's rows with kept's events where they were, all laid out anew when refilled,
    /// and lets a search under way go on after the window's next turn.
    void ShowRows(const Place& kept, bool refilled);
    /// Selection and focus on kept's events, or on none when they are no longer shown.
    void RestorePlace(const Place& kept);
    long long IdAt(long row) const { return row < 0 ? 0 : view.GetId(static_cast<size_t>(row)); }
    long RowOf(long long id) const;
    long RowOf(const wxDataViewItem& item) const;
    wxDataViewItem ItemOf(long row) const;
    void OnSearchTimer(wxTimerEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    /// Sizes the columns to the page's width.
    void FitColumns();
    /// The context menu of a row at pos (client co-ordinates; the default: at the mouse).
    void ShowMenu(long index, const wxPoint& pos);

    // Reading fills the view's cache, which the const getters of the model may do.
    mutable HistoryView view;
    Model* model;
    wxBitmapBundle offlineIcon;
    wxBitmapBundle freeIcon;
    wxBitmapBundle busyIcon;
    // The event of the top row when the list was last told of the rows; 0: none.
    long long shownNewest = 0;
    bool updatePending = false;
    // The performer whose context menu is up; empty otherwise.
    wxString menuName;
    // A timer, not a queued call: the toolkit runs queued calls in one go, so a search that queued
    // its next slice would hold the window until it ended.
    wxTimer searchTimer;

    wxDECLARE_EVENT_TABLE();
};
