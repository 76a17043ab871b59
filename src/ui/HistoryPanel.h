// The "History" page: a name filter, a favourites-only switch and the list of events.
#pragma once

#include <wx/panel.h>

#include <functional>
#include <vector>

class HistoryListCtrl;
class HistoryStore;
class wxCheckBox;
class wxTextCtrl;

class HistoryPanel : public wxPanel
{
public:
    /// The store is not owned and may be null; favorites gives the favourites' names.
    HistoryPanel(wxWindow* parent, HistoryStore* store, std::function<std::vector<wxString>()> favorites);
    ~HistoryPanel() override;

    HistoryListCtrl* GetListCtrl() const { return listCtrl; }
    wxTextCtrl* GetFilterText() const { return filterText; }
    wxCheckBox* GetFavoritesOnly() const { return favoritesOnly; }

    void OnFilter(wxCommandEvent& event);

private:
    void SetProperties();
    void DoLayout();

    wxTextCtrl* filterText;
    wxCheckBox* favoritesOnly;
    HistoryListCtrl* listCtrl;
    std::function<std::vector<wxString>()> favorites;
};
