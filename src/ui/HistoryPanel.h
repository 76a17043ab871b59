// The "History" page: a favourites-only switch, "Export..." and the list of events, filtered by the name that
// the main window's search field gives.
#pragma once

#include <wx/panel.h>

#include <functional>
#include <vector>

class HistoryListCtrl;
class HistoryStore;
class wxButton;
class wxCheckBox;

class HistoryPanel : public wxPanel
{
public:
    /// The store is not owned and may be null; favorites gives the favourites' names.
    HistoryPanel(wxWindow* parent, HistoryStore* store, std::function<std::vector<wxString>()> favorites);
    ~HistoryPanel() override;

    HistoryListCtrl* GetListCtrl() const { return listCtrl; }
    wxCheckBox* GetFavoritesOnly() const { return favoritesOnly; }
    wxButton* GetExportButton() const { return exportButton; }

    /// Shows the events of names containing text (blanks around it ignored); the same text again
    /// searches nothing anew.
    void SetNameFilter(const wxString& text);
    const wxString& GetNameFilter() const { return nameFilter; }

    void OnFilter(wxCommandEvent& event);

private:
    void DoLayout();

    wxString nameFilter;
    wxCheckBox* favoritesOnly;
    wxButton* exportButton;
    HistoryListCtrl* listCtrl;
    std::function<std::vector<wxString>()> favorites;
};
