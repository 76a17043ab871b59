// The "All" tree: every online user under one "Online" group, with a free or busy icon.
#pragma once

#include "ui/UserListTreeCtrl.h"

class AllTreeCtrl : public UserListTreeCtrl
{
public:
    AllTreeCtrl(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = wxTR_HAS_BUTTONS,
                const wxValidator& validator = wxDefaultValidator, const wxString& name = wxTreeCtrlNameStr);
    ~AllTreeCtrl() override;

    void OnUserListInitialized(UserListEvent& event);
    void OnUserAdded(UserEvent& event);
    void OnUserChanged(UserEvent& event);
    void OnUserDeleted(UserEvent& event);
    void UpdateCount();

    wxTreeItemId GetOnlineGroup() const { return onlineGroup; }

private:
    wxString onlineLabel;
    wxTreeItemId onlineGroup;
    int freeImage;
    int busyImage;

    wxDECLARE_EVENT_TABLE();
};
