// The main window's search field: one field above the pages, filtering whichever page shows.
#include "ui/MainFrame.h"

#include "model/NameFilter.h"
#include "ui/AllTreeCtrl.h"
#include "ui/FavoriteTreeCtrl.h"
#include "ui/HistoryPanel.h"
#include "util/Trace.h"

#include <wx/notebook.h>
#include <wx/srchctrl.h>

void MainFrame::OnSearchText(wxCommandEvent& WXUNUSED(event))
{
    SOLVANE_TRACE("[%p]MainFrame::OnSearchText(void)", static_cast<void*>(this));
    const NameFilter filter(searchCtrl->GetValue());
    allTreeCtrl->SetFilter(filter);
    favoriteTreeCtrl->SetFilter(filter);
    // The History page searches its store, which costs more: only while it shows.
    if (notebook->GetCurrentPage() == historyPanel)
        historyPanel->SetNameFilter(searchCtrl->GetValue());
}

void MainFrame::OnPageChanged(wxBookCtrlEvent& event)
{
    event.Skip();
    if (notebook->GetCurrentPage() == historyPanel)
        historyPanel->SetNameFilter(searchCtrl->GetValue());
}

void MainFrame::OnCharHook(wxKeyEvent& event)
{
    // Escape in the search field empties it, which shows every performer again.
    if (event.GetKeyCode() == WXK_ESCAPE && searchCtrl && wxWindow::FindFocus() == searchCtrl)
    {
        searchCtrl->Clear();
        return;
    }
    event.Skip();
}

