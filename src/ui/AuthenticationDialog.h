// The account dialog: the site's user name and password, kept once the site has accepted them.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxStaticBox;
class wxStaticText;
class wxTextCtrl;

class AuthenticationDialog : public wxDialog
{
public:
    /// Filled from the stored account (SettingsKeys::kId, kPassword); ShowModal gives wxID_OK on
    /// "OK" and stores nothing: the caller keeps the account once the site has accepted it.
    AuthenticationDialog(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& pos = wxDefaultPosition,
                         const wxSize& size = wxDefaultSize, long style = wxDEFAULT_DIALOG_STYLE);

    void OnOK(wxCommandEvent& event);

    /// Fills both fields (what was typed before, or the password from the keyring).
    void SetAccount(const wxString& id, const wxString& password);
    wxString GetId() const;
    wxString GetPassword() const;

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
