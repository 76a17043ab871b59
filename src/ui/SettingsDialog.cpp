// The settings dialog: the servers, the polling, the pop-ups, the start and what an outage does;
// how to have fewer pop-ups on a page of its own.
#include "ui/SettingsDialog.h"

#include "ui/PopupSettingsPage.h"
#include "util/AutostartEntry.h"
#include "util/ServerAddress.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/stdpaths.h>
#include <wx/textctrl.h>

namespace
{
const int kServerTextIds[] = {wxID_HIGHEST + 101, wxID_HIGHEST + 102, wxID_HIGHEST + 103};
const char* const kServerKeys[] = {SettingsKeys::kWebServer, SettingsKeys::kImageServer, SettingsKeys::kPreviewServer};
// A marked field: the light red of a form's error, readable with dark text.
const wxColour kBadServerBackground(255, 204, 204);

int Clamped(long value, int low, int high)
{
    return static_cast<int>(value < low ? low : value > high ? high : value);
}
} // namespace

wxBEGIN_EVENT_TABLE(SettingsDialog, wxDialog)
    EVT_BUTTON(wxID_OK, SettingsDialog::OnOK)
    EVT_TEXT(wxID_ANY, SettingsDialog::OnServerText)
wxEND_EVENT_TABLE()

SettingsDialog::SettingsDialog(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& pos,
                               const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style)
{
    SOLVANE_TRACE("[%p]SettingsDialog::SettingsDialog(%p)", static_cast<void*>(this), static_cast<void*>(parent));
    notebook = new wxNotebook(this, wxID_ANY);
    general = new wxPanel(notebook, wxID_ANY);
    serversBox = new wxStaticBox(general, wxID_ANY, _("Servers"));
    const wxString serverLabels[] = {_("&Web server"), _("&Image server"), _("&Preview server")};
    for (int i = 0; i < SERVER_COUNT; ++i)
    {
        serverLabel[i] = new wxStaticText(general, wxID_ANY, serverLabels[i]);
        serverText[i] = new wxTextCtrl(general, kServerTextIds[i], wxEmptyString);
    }
    pollingBox = new wxStaticBox(general, wxID_ANY, _("Polling"));
    intervalLabel = new wxStaticText(general, wxID_ANY, _("&Refresh every (seconds)"));
    intervalSpin = new wxSpinCtrl(general, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                                  SettingsKeys::kSyncIntervalMin, SettingsKeys::kSyncIntervalMax,
                                  SettingsKeys::kSyncIntervalDefault);
    endRadio = new wxRadioButton(general, wxID_ANY, _("When the site cannot be reached, end after the &message"),
                                 wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
    keepTryingRadio = new wxRadioButton(general, wxID_ANY, _("When the site cannot be reached, keep &trying quietly"));
    popupBox = new wxStaticBox(general, wxID_ANY, _("Pop-ups"));
    durationLabel = new wxStaticText(general, wxID_ANY, _("Pop-up &duration (seconds)"));
    durationSpin = new wxSpinCtrl(general, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                                  SettingsKeys::kPopupDurationMin, SettingsKeys::kPopupDurationOfferedMax,
                                  SettingsKeys::kPopupDurationDefault);
    onlineCheck = new wxCheckBox(general, wxID_ANY, _("When a performer comes &online"));
    freeCheck = new wxCheckBox(general, wxID_ANY, _("When a performer becomes &free"));
    onlyFavoriteCheck = new wxCheckBox(general, wxID_ANY, _("Only for fa&vorites"));
    startBox = new wxStaticBox(general, wxID_ANY, _("Start"));
    updateCheck = new wxCheckBox(general, wxID_ANY, _("Check for &updates at start"));
    autostartCheck = new wxCheckBox(general, wxID_ANY, _("Start at &login"));
    historyLabel = new wxStaticText(general, wxID_ANY, _("&History keeps (days)"));
    historySpin =
        new wxSpinCtrl(general, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                       SettingsKeys::kHistoryDaysMin, SettingsKeys::kHistoryDaysMax, SettingsKeys::kHistoryDaysDefault);
    popupPage = new PopupSettingsPage(notebook);
    okButton = new wxButton(this, wxID_OK, _("OK"));
    cancelButton = new wxButton(this, wxID_CANCEL, _("Cancel"));

    SetProperties();
    DoLayout();
    ReadValues();
    // Over the window it belongs to, not in the screen's corner; kept on the screen when that
    // window is at its edge.
    CentreOnParent();
}

void SettingsDialog::SetProperties()
{
    SetTitle(_("Settings"));
    // Enter presses "OK" while it is enabled; Escape presses "Cancel" (the toolkit's default).
    okButton->SetDefault();
    normalBackground = serverText[WEB_SERVER]->GetBackgroundColour();
    for (wxTextCtrl* text : serverText)
        text->SetToolTip(_("A host name or address, optionally followed by a colon and a port"));
}

void SettingsDialog::DoLayout()
{
    auto* serverGrid = new wxFlexGridSizer(SERVER_COUNT, 2, 4, 8);
    for (int i = 0; i < SERVER_COUNT; ++i)
    {
        serverGrid->Add(serverLabel[i], 0, wxALIGN_CENTER_VERTICAL, 0);
        serverGrid->Add(serverText[i], 1, wxEXPAND, 0);
    }
    serverGrid->AddGrowableCol(1);
    // A label with its spin control at the right, as each number of the dialog is laid out.
    const auto labelledRow = [](wxWindow* label, wxWindow* control) {
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(label, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
        row->Add(control, 0, 0, 0);
        return row;
    };
    auto* serversSizer = new wxStaticBoxSizer(serversBox, wxVERTICAL);
    serversSizer->Add(serverGrid, 0, wxEXPAND | wxALL, 4);

    wxSizer* intervalRow = labelledRow(intervalLabel, intervalSpin);
    auto* pollingSizer = new wxStaticBoxSizer(pollingBox, wxVERTICAL);
    pollingSizer->Add(intervalRow, 0, wxEXPAND | wxALL, 4);
    pollingSizer->Add(endRadio, 0, wxALL, 4);
    pollingSizer->Add(keepTryingRadio, 0, wxALL, 4);

    wxSizer* durationRow = labelledRow(durationLabel, durationSpin);
    auto* popupSizer = new wxStaticBoxSizer(popupBox, wxVERTICAL);
    popupSizer->Add(durationRow, 0, wxEXPAND | wxALL, 4);
    popupSizer->Add(onlineCheck, 0, wxALL, 4);
    popupSizer->Add(freeCheck, 0, wxALL, 4);
    popupSizer->Add(onlyFavoriteCheck, 0, wxALL, 4);

    wxSizer* historyRow = labelledRow(historyLabel, historySpin);
    auto* startSizer = new wxStaticBoxSizer(startBox, wxVERTICAL);
    startSizer->Add(updateCheck, 0, wxALL, 4);
    startSizer->Add(autostartCheck, 0, wxALL, 4);
    startSizer->Add(historyRow, 0, wxEXPAND | wxALL, 4);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(okButton, 0, 0, 0);
    buttons->Add(cancelButton, 0, 0, 0);

    auto* generalSizer = new wxBoxSizer(wxVERTICAL);
    generalSizer->Add(serversSizer, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);
    generalSizer->Add(pollingSizer, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);
    generalSizer->Add(popupSizer, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);
    generalSizer->Add(startSizer, 0, wxEXPAND | wxALL, 8);
    general->SetSizer(generalSizer);
    notebook->AddPage(general, _("General"));
    notebook->AddPage(popupPage, _("Pop-ups"));

    auto* dialogSizer = new wxBoxSizer(wxVERTICAL);
    dialogSizer->Add(notebook, 1, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);
    dialogSizer->Add(buttons, 0, wxALL | wxALIGN_RIGHT, 4);
    SetAutoLayout(true);
    SetSizer(dialogSizer);
    dialogSizer->Fit(this);
    dialogSizer->SetSizeHints(this);
    Layout();
}

void SettingsDialog::ReadValues()
{
    SOLVANE_TRACE("[%p]SettingsDialog::ReadValues(void)", static_cast<void*>(this));
    const wxString servers[] = {Settings::WebServer(), Settings::ImageServer(), Settings::PreviewServer()};
    for (int i = 0; i < SERVER_COUNT; ++i)
    {
        serverText[i]->ChangeValue(servers[i]);
        MarkServer(static_cast<Server>(i));
    }
    intervalSpin->SetValue(Clamped(Settings::ReadLong(SettingsKeys::kSyncInterval, SettingsKeys::kSyncIntervalDefault),
                                   SettingsKeys::kSyncIntervalMin, SettingsKeys::kSyncIntervalMax));
    const bool keepTrying = Settings::ReadBool(SettingsKeys::kKeepTrying, SettingsKeys::kKeepTryingDefault);
    endRadio->SetValue(!keepTrying);
    keepTryingRadio->SetValue(keepTrying);
    durationSpin->SetValue(Clamped(Settings::ReadLong(SettingsKeys::kPopupDuration, SettingsKeys::kPopupDurationDefault),
                                   SettingsKeys::kPopupDurationMin, SettingsKeys::kPopupDurationOfferedMax));
    onlineCheck->SetValue(Settings::ReadBool(SettingsKeys::kPopupOnline, SettingsKeys::kPopupOnlineDefault));
    freeCheck->SetValue(Settings::ReadBool(SettingsKeys::kPopupFree, SettingsKeys::kPopupFreeDefault));
    onlyFavoriteCheck->SetValue(Settings::ReadBool(SettingsKeys::kPopupOnlyFavorite, SettingsKeys::kPopupOnlyFavoriteDefault));
    updateCheck->SetValue(Settings::ReadBool(SettingsKeys::kUpdateCheck, SettingsKeys::kUpdateCheckDefault));
    autostartWas = AutostartEntry::Exists();
    autostartCheck->SetValue(autostartWas);
    historySpin->SetValue(Clamped(Settings::ReadLong(SettingsKeys::kHistoryDays, SettingsKeys::kHistoryDaysDefault),
                                  SettingsKeys::kHistoryDaysMin, SettingsKeys::kHistoryDaysMax));
}

bool SettingsDialog::IsServerValid(Server server) const
{
    return IsValidServerAddress(serverText[server]->GetValue());
}

void SettingsDialog::MarkServer(Server server)
{
    const bool valid = IsServerValid(server);
    serverText[server]->SetBackgroundColour(valid ? normalBackground : kBadServerBackground);
    serverText[server]->Refresh();
    UpdateOkButton();
}

void SettingsDialog::UpdateOkButton()
{
    if (!okButton)
        return; // still being made
    // A bad value keeps the dialog open with everything typed: "OK" waits until it is put right.
    bool allValid = popupPage->IsValid();
    for (int i = 0; i < SERVER_COUNT; ++i)
        allValid = allValid && IsServerValid(static_cast<Server>(i));
    okButton->Enable(allValid);
}

void SettingsDialog::OnServerText(wxCommandEvent& event)
{
    SOLVANE_TRACE("[%p]SettingsDialog::OnServerText(%d)", static_cast<void*>(this), event.GetId());
    for (int i = 0; i < SERVER_COUNT; ++i)
    {
        if (event.GetId() == kServerTextIds[i])
            MarkServer(static_cast<Server>(i));
    }
    // The pop-up page's times, which it has marked already.
    UpdateOkButton();
    event.Skip();
}

void SettingsDialog::WriteValues()
{
    SOLVANE_TRACE("[%p]SettingsDialog::WriteValues(void)", static_cast<void*>(this));
    for (int i = 0; i < SERVER_COUNT; ++i)
        Settings::WriteString(kServerKeys[i], serverText[i]->GetValue());
    Settings::WriteLong(SettingsKeys::kSyncInterval, intervalSpin->GetValue());
    Settings::WriteBool(SettingsKeys::kKeepTrying, keepTryingRadio->GetValue());
    Settings::WriteLong(SettingsKeys::kPopupDuration, durationSpin->GetValue());
    Settings::WriteBool(SettingsKeys::kPopupOnline, onlineCheck->GetValue());
    Settings::WriteBool(SettingsKeys::kPopupFree, freeCheck->GetValue());
    Settings::WriteBool(SettingsKeys::kPopupOnlyFavorite, onlyFavoriteCheck->GetValue());
    popupPage->WriteValues();
    Settings::WriteBool(SettingsKeys::kUpdateCheck, updateCheck->GetValue());
    Settings::WriteLong(SettingsKeys::kHistoryDays, historySpin->GetValue());
    Settings::Flush();
    if (autostartCheck->GetValue() != autostartWas)
        ApplyAutostart();
}

void SettingsDialog::ApplyAutostart()
{
    SOLVANE_TRACE("[%p]SettingsDialog::ApplyAutostart(void)", static_cast<void*>(this));
    // The entry says its own failures on stderr; the person who just ticked or unticked the box
    // is told in a box of the program's, never in one of the toolkit's log.
    wxString why;
    if (!autostartCheck->GetValue())
    {
        if (!AutostartEntry::Remove(&why))
            wxMessageBox(_("Solvane could not remove its start-at-login entry:") + "\n" + why, _("Settings"),
                         wxOK | wxICON_WARNING, this);
        return;
    }
    const wxString program = wxStandardPaths::Get().GetExecutablePath();
    if (!AutostartEntry::CanStart(program))
    {
        AutostartEntry::Write(program, &why); // refused, and said on stderr
        wxMessageBox(_("Solvane can not start at login from this folder: the name of a folder on its path "
                       "holds a line break or another control character.\n\nMove the program to a folder "
                       "without one and tick \"Start at login\" again."),
                     _("Settings"), wxOK | wxICON_WARNING, this);
    }
    else if (!AutostartEntry::Write(program, &why))
    {
        wxMessageBox(_("Solvane could not write its start-at-login entry:") + "\n" + why, _("Settings"),
                     wxOK | wxICON_WARNING, this);
    }
}

void SettingsDialog::OnOK(wxCommandEvent& event)
{
    SOLVANE_TRACE("[%p]SettingsDialog::OnOK(void)", static_cast<void*>(this));
    // Enter reaches the default button even while it is disabled on some desktops.
    if (!okButton->IsEnabled())
        return;
    WriteValues();
    // The toolkit's own handling ends the dialog with wxID_OK.
    event.Skip();
}
