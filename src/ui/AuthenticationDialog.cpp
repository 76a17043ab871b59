// The account dialog: the site's user name and password, kept once the site has accepted them.
#include "ui/AuthenticationDialog.h"

#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"

#include <wx/button.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

wxBEGIN_EVENT_TABLE(AuthenticationDialog, wxDialog)
    EVT_BUTTON(wxID_OK, AuthenticationDialog::OnOK)
wxEND_EVENT_TABLE()

AuthenticationDialog::AuthenticationDialog(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& pos,
                                           const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style)
{
    SOLVANE_TRACE("[%p]AuthenticationDialog::AuthenticationDialog(%p)", static_cast<void*>(this),
                  static_cast<void*>(parent));
    accountBox = new wxStaticBox(this, wxID_ANY, _("Account"));
    usernameLabel = new wxStaticText(this, wxID_ANY, _("Username"));
    usernameText = new wxTextCtrl(this, wxID_ANY, wxEmptyString);
    passwordLabel = new wxStaticText(this, wxID_ANY, _("Password"));
    passwordText = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxTE_PASSWORD);
    okButton = new wxButton(this, wxID_OK, _("OK"));
    cancelButton = new wxButton(this, wxID_CANCEL, _("Cancel"));

    SetProperties();
    DoLayout();

    usernameText->ChangeValue(Settings::ReadString(SettingsKeys::kId, wxEmptyString));
    passwordText->ChangeValue(Settings::ReadString(SettingsKeys::kPassword, wxEmptyString));
}

void AuthenticationDialog::SetProperties()
{
    SetTitle(_("Authentication"));
    // Enter in either field presses "OK"; Escape presses "Cancel" (the toolkit's default).
    okButton->SetDefault();
}

void AuthenticationDialog::DoLayout()
{
    auto* grid = new wxFlexGridSizer(2, 2, 0, 0);
    grid->Add(usernameLabel, 0, 0, 0);
    grid->Add(usernameText, 0, 0, 0);
    grid->Add(passwordLabel, 0, 0, 0);
    grid->Add(passwordText, 0, 0, 0);

    auto* accountSizer = new wxStaticBoxSizer(accountBox, wxVERTICAL);
    accountSizer->Add(grid, 0, wxEXPAND, 0);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(okButton, 0, 0, 0);
    buttons->Add(cancelButton, 0, 0, 0);

    auto* dialogSizer = new wxBoxSizer(wxVERTICAL);
    dialogSizer->Add(accountSizer, 0, wxALL, 8);
    dialogSizer->Add(buttons, 0, wxALL | wxALIGN_RIGHT, 4);
    SetAutoLayout(true);
    SetSizer(dialogSizer);
    dialogSizer->Fit(this);
    dialogSizer->SetSizeHints(this);
    Layout();
}

void AuthenticationDialog::OnOK(wxCommandEvent& event)
{
    SOLVANE_TRACE("[%p]AuthenticationDialog::OnOK(void)", static_cast<void*>(this));
    // A password the site rejects is stored nowhere, so nothing is written here. The toolkit's own handling ends the dialog with wxID_OK.
    event.Skip();
}

void AuthenticationDialog::SetAccount(const wxString& id, const wxString& password)
{
    usernameText->ChangeValue(id);
    passwordText->ChangeValue(password);
}

wxString AuthenticationDialog::GetId() const
{
    return usernameText->GetValue();
}

wxString AuthenticationDialog::GetPassword() const
{
    return passwordText->GetValue();
}
