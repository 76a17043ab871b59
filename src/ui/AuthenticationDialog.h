// The account dialog: the site's user name and password, stored when the user confirms.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxStaticBox;
class wxStaticText;
class wxTextCtrl;

class AuthenticationDialog : public wxDialog
{
public:
    /// Filled from the stored account (SettingsKeys::kId, kPassword); ShowModal gives wxID_OK
    /// once "OK" has stored both.
    AuthenticationDialog(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& pos = wxDefaultPosition,
                         const wxSize& size = wxDefaultSize, long style = wxDEFAULT_DIALOG_STYLE);

    void OnOK(wxCommandEvent& event);

private:
    void SetProperties();
    void DoLayout();
    /// How wide the dialog must be for its title bar to show the whole title.
    int TitleBarWidth(const wxString& title) const;

    wxStaticBox* accountBox;
    wxStaticText* usernameLabel;
    wxTextCtrl* usernameText;
    wxStaticText* passwordLabel;
    wxTextCtrl* passwordText;
    wxButton* okButton;
    wxButton* cancelButton;

    wxDECLARE_EVENT_TABLE();
};
