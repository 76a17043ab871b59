// The "History" page: a favourites-only switch and the list of events, filtered by name.
#include "ui/HistoryPanel.h"

#include "ui/HistoryExport.h"
#include "ui/HistoryListCtrl.h"
#include "util/Trace.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/intl.h>
#include <wx/sizer.h>

HistoryPanel::HistoryPanel(wxWindow* parent, HistoryStore* store, std::function<std::vector<wxString>()> favorites_)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER),
      favorites(std::move(favorites_))
{
    SOLVANE_TRACE("[%p]HistoryPanel::HistoryPanel(%p)", static_cast<void*>(this), static_cast<void*>(parent));
    favoritesOnly = new wxCheckBox(this, wxID_ANY, _("Favorites only"));
    exportButton = new wxButton(this, wxID_ANY, _("&Export..."));
    listCtrl = new HistoryListCtrl(this, wxID_ANY, store);
    DoLayout();
    favoritesOnly->Bind(wxEVT_CHECKBOX, &HistoryPanel::OnFilter, this);
    exportButton->Bind(wxEVT_BUTTON, [this, store](wxCommandEvent&) { ExportHistoryWithDialogs(this, store); });
}

HistoryPanel::~HistoryPanel()
{
    SOLVANE_TRACE("[%p]HistoryPanel::~HistoryPanel(void)", static_cast<void*>(this));
}

void HistoryPanel::DoLayout()
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    // Both at their own widths, the space between them: a window narrower than the two clips the
    // button rather than give the check box a width below nothing, which the toolkit refuses.
    row->Add(favoritesOnly, 0, wxALIGN_CENTER_VERTICAL);
    row->AddStretchSpacer();
    row->Add(exportButton, 0, wxALIGN_CENTER_VERTICAL);
    sizer->Add(row, 0, wxEXPAND | wxALL, FromDIP(2));
    sizer->Add(listCtrl, 1, wxEXPAND, 0);
    SetSizer(sizer);
}

void HistoryPanel::SetNameFilter(const wxString& text)
{
    SOLVANE_TRACE("[%p]HistoryPanel::SetNameFilter(%s)", static_cast<void*>(this), text);
    const wxString name = wxString(text).Strip(wxString::both);
    // The main window hands the field over whenever the page shows: only a change searches.
    if (name == nameFilter)
        return;
    nameFilter = name;
    wxCommandEvent changed;
    OnFilter(changed);
}

void HistoryPanel::OnFilter(wxCommandEvent& WXUNUSED(event))
{
    SOLVANE_TRACE("[%p]HistoryPanel::OnFilter(void)", static_cast<void*>(this));
    const bool only = favoritesOnly->GetValue();
    listCtrl->SetFilter(nameFilter, only && favorites ? favorites() : std::vector<wxString>(), only);
}
