// The settings dialog: the servers, the polling, the pop-ups, the start and what an outage does;
// how to have fewer pop-ups on a page of its own.
#pragma once

#include "ui/PopupSettingsPage.h"

#include <wx/dialog.h>

class wxButton;
class wxCheckBox;
class wxNotebook;
class wxPanel;
class wxRadioButton;
class wxSpinCtrl;
class wxStaticBox;
class wxStaticText;
class wxTextCtrl;

class SettingsDialog : public wxDialog
{
public:
    enum Server
    {
        WEB_SERVER,
        IMAGE_SERVER,
        PREVIEW_SERVER,
        SERVER_COUNT
    };

    /// Filled from the stored settings and the autostart entry; ShowModal gives wxID_OK once
    /// "OK" has stored every value.
    SettingsDialog(wxWindow* parent, wxWindowID id = wxID_ANY, const wxString& title = wxEmptyString,
                   const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                   long style = wxDEFAULT_DIALOG_STYLE);

    void OnOK(wxCommandEvent& event);
    void OnServerText(wxCommandEvent& event);

    /// The fields, for the tests that type into them.
    wxTextCtrl* GetServerText(Server server) const { return serverText[server]; }
    wxSpinCtrl* GetIntervalSpin() const { return intervalSpin; }
    wxSpinCtrl* GetDurationSpin() const { return durationSpin; }
    wxSpinCtrl* GetHistorySpin() const { return historySpin; }
    wxCheckBox* GetAutostartCheck() const { return autostartCheck; }
    wxCheckBox* GetOnlineCheck() const { return onlineCheck; }
    wxCheckBox* GetFreeCheck() const { return freeCheck; }
    wxCheckBox* GetOnlyFavoriteCheck() const { return onlyFavoriteCheck; }
    PopupSettingsPage* GetPopupPage() const { return popupPage; }
    wxNotebook* GetNotebook() const { return notebook; }
    wxCheckBox* GetUpdateCheck() const { return updateCheck; }
    wxRadioButton* GetKeepTryingRadio() const { return keepTryingRadio; }
    wxButton* GetOkButton() const { return okButton; }
    wxButton* GetCancelButton() const { return cancelButton; }
    /// True when the server field holds a usable address (it is not marked).
    bool IsServerValid(Server server) const;

private:
    void SetProperties();
    void DoLayout();
    void ReadValues();
    void WriteValues();
    /// Writes or removes the start-at-login entry as the tick says; a failure is told in a box.
    void ApplyAutostart();
    void MarkServer(Server server);
    void UpdateOkButton();

    wxNotebook* notebook;
    wxPanel* general;
    PopupSettingsPage* popupPage;
    wxStaticBox* serversBox;
    wxStaticText* serverLabel[SERVER_COUNT];
    wxTextCtrl* serverText[SERVER_COUNT];
    wxStaticBox* pollingBox;
    wxStaticText* intervalLabel;
    wxSpinCtrl* intervalSpin;
    wxRadioButton* endRadio;
    wxRadioButton* keepTryingRadio;
    wxStaticBox* popupBox;
    wxStaticText* durationLabel;
    wxSpinCtrl* durationSpin;
    wxCheckBox* onlineCheck;
    wxCheckBox* freeCheck;
    wxCheckBox* onlyFavoriteCheck;
    wxStaticBox* startBox;
    wxCheckBox* updateCheck;
    wxCheckBox* autostartCheck;
    wxStaticText* historyLabel;
    wxSpinCtrl* historySpin;
    wxButton* okButton = nullptr;
    wxButton* cancelButton;

    wxColour normalBackground;
    // Whether the autostart entry was there when the dialog opened: an entry left alone is
    // neither rewritten nor removed.
    bool autostartWas = false;

    wxDECLARE_EVENT_TABLE();
};
