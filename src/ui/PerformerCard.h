// A performer's card: the status now and when last seen online, free and busy; the sessions of the
// last seven days with the hours online per day; and the chart of the hours usually online. Opened
// by "Details..." in a performer's context menu or a double click (or Enter) with Shift; closed
// with Escape.
//
// Usage:
//   ShowPerformerCard(tree, name);           // the main window's history
//   OpenPerformer(list, name, store, shift); // a performer's page, or with details its card
#pragma once

#include "history/HistorySessions.h"

#include <wx/dialog.h>

class WeeklyChartCtrl;
class wxDataViewListCtrl;
class wxStaticText;

class PerformerCard : public wxDialog
{
public:
    /// Reads the name's history from the store (null: no history this run); now in seconds.
    PerformerCard(wxWindow* parent, const wxString& name, HistoryStore* store, long long now);

    const wxString& GetPerformer() const { return name; }
    WeeklyChartCtrl* GetChart() const { return chart; }
    wxDataViewListCtrl* GetSessions() const { return sessions; }
    wxStaticText* GetStatus() const { return status; }

    /// "1 h 05 min", "12 min".
    static wxString Length(long long seconds);

private:
    void DoLayout();
    void OnClose(wxCommandEvent& event);

    wxString name;
    wxStaticText* status;
    wxStaticText* lastSeen;
    wxDataViewListCtrl* sessions;
    wxStaticText* perDay;
    WeeklyChartCtrl* chart;
    wxStaticText* usual;
};

/// Shows the card of name with the history of the main window that parent belongs to.
PerformerCard* ShowPerformerCard(wxWindow* parent, const wxString& name);
/// Shows the card of name with the store's history (null: none).
PerformerCard* ShowPerformerCard(wxWindow* parent, const wxString& name, HistoryStore* store);
/// The performer's page in the browser, or with details the card.
void OpenPerformer(wxWindow* parent, const wxString& name, HistoryStore* store, bool details);
