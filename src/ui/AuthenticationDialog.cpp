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

namespace
{
// Between a label and its field, and between the rows (pixels at the standard resolution).
const int kGap = 6;
// The fields' width, in characters of the dialog's font.
const int kFieldChars = 24;
// What a title bar needs besides the title: the window's icon, its buttons and margins.
const int kTitleBarRoom = 120;
} // namespace

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
    const int gap = FromDIP(kGap);
    // The fields take the room the dialog has; each label stands apart from its field, centred on it.
    auto* grid = new wxFlexGridSizer(2, 2, gap, 2 * gap);
    grid->AddGrowableCol(1);
    grid->Add(usernameLabel, 0, wxALIGN_CENTER_VERTICAL, 0);
    grid->Add(usernameText, 1, wxEXPAND, 0);
    grid->Add(passwordLabel, 0, wxALIGN_CENTER_VERTICAL, 0);
    grid->Add(passwordText, 1, wxEXPAND, 0);
    // Room for a user name of the usual length without scrolling.
    usernameText->SetMinSize(wxSize(GetCharWidth() * kFieldChars, -1));
    passwordText->SetMinSize(wxSize(GetCharWidth() * kFieldChars, -1));

    auto* accountSizer = new wxStaticBoxSizer(accountBox, wxVERTICAL);
    accountSizer->Add(grid, 1, wxEXPAND | wxALL, gap);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(okButton, 0, 0, 0);
    buttons->Add(cancelButton, 0, wxLEFT, gap);

    auto* dialogSizer = new wxBoxSizer(wxVERTICAL);
    dialogSizer->Add(accountSizer, 1, wxEXPAND | wxALL, FromDIP(8));
    dialogSizer->Add(buttons, 0, wxLEFT | wxRIGHT | wxBOTTOM | wxALIGN_RIGHT, FromDIP(8));
    // The window manager shortens a title that is wider than its title bar leaves room for (the
    // dialog's icon and buttons): the dialog is at least as wide as the whole title needs.
    dialogSizer->SetMinSize(wxSize(TitleBarWidth(GetTitle()), -1));
    SetSizerAndFit(dialogSizer);
}

int AuthenticationDialog::TitleBarWidth(const wxString& title) const
{
    // Title bars draw their text bold, often somewhat larger than the dialog's own font.
    wxFont font = GetFont().Bold();
    font.SetFractionalPointSize(font.GetFractionalPointSize() * 1.2);
    int width = 0, height = 0;
    GetTextExtent(title, &width, &height, nullptr, nullptr, &font);
    return width + FromDIP(kTitleBarRoom);
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
