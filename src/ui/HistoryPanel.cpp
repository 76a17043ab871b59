// The "History" page: a name filter, a favourites-only switch and the list of events.
#include "ui/HistoryPanel.h"

#include "ui/HistoryListCtrl.h"
#include "util/Trace.h"

#include <wx/checkbox.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

HistoryPanel::HistoryPanel(wxWindow* parent, HistoryStore* store, std::function<std::vector<wxString>()> favorites_)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER),
      favorites(std::move(favorites_))
{
    SOLVANE_TRACE("[%p]HistoryPanel::HistoryPanel(%p)", static_cast<void*>(this), static_cast<void*>(parent));
    filterText = new wxTextCtrl(this, wxID_ANY);
    favoritesOnly = new wxCheckBox(this, wxID_ANY, _("Favorites only"));
    listCtrl = new HistoryListCtrl(this, wxID_ANY, store);
    SetProperties();
    DoLayout();
    filterText->Bind(wxEVT_TEXT, &HistoryPanel::OnFilter, this);
    favoritesOnly->Bind(wxEVT_CHECKBOX, &HistoryPanel::OnFilter, this);
}

HistoryPanel::~HistoryPanel()
{
    SOLVANE_TRACE("[%p]HistoryPanel::~HistoryPanel(void)", static_cast<void*>(this));
}

void HistoryPanel::SetProperties()
{
    filterText->SetHint(_("Name"));
}

void HistoryPanel::DoLayout()
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(filterText, 0, wxEXPAND | wxALL, FromDIP(2));
    sizer->Add(favoritesOnly, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, FromDIP(2));
    sizer->Add(listCtrl, 1, wxEXPAND, 0);
    SetSizer(sizer);
}

void HistoryPanel::OnFilter(wxCommandEvent& WXUNUSED(event))
{
    SOLVANE_TRACE("[%p]HistoryPanel::OnFilter(void)", static_cast<void*>(this));
    const bool only = favoritesOnly->GetValue();
    listCtrl->SetFilter(filterText->GetValue().Strip(wxString::both), only && favorites ? favorites() : std::vector<wxString>(),
                        only);
}
