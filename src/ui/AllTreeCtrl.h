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
    /// The site is being retried quietly: the group says so until it answers again.
    void OnSiteUnreachable(UserListEvent& event);
    void OnSiteReachable(UserListEvent& event);
    bool IsOffline() const { return offline; }

    wxTreeItemId GetOnlineGroup() const { return onlineGroup; }

protected:
    int ImageForUser(const User& user) const override;
    void OnFilterChanged() override { UpdateCount(); }

private:
    bool offline = false;
    wxString onlineLabel;
    wxTreeItemId onlineGroup;
    int freeImage;
    int busyImage;

    wxDECLARE_EVENT_TABLE();
};
