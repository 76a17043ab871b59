// The "All" tree: every online user under one "Online" group, with a free or busy icon.
//
// A large first list goes into the tree in slices, one an idle turn, so that the window never
// waits long; the group reads "Loading" until the last slice. Changes that arrive meanwhile for
// users not yet in the tree change what is still to come.
#pragma once

#include "ui/UserListTreeCtrl.h"

#include <wx/stopwatch.h>
#include <wx/timer.h>


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

    wxDataViewItem GetOnlineGroup() const { return onlineGroup; }
    /// Users of the first list not yet in the tree.
    size_t GetPendingCount() const { return loading ? GetWaitingCount() : 0; }
    /// Fires once, a while after the start, when the first list is still awaited.
    wxTimer& GetConnectingTimer() { return connectingTimer; }

    /// How long the group may say "Loading" before it names the server it tries.
    static constexpr int kConnectingMilliseconds = 5000;

    /// What a slice of the first list aims to cost, its layout and painting included, and
    /// how many users the first slice takes.
    static constexpr long kSliceMilliseconds = 40;
    static constexpr size_t kFirstSliceUsers = 1000;

protected:
    int ImageForUser(const User& user) const override;
    void OnFilterChanged() override { UpdateCount(); }
    size_t SliceSize() const override;
    void OnSliceShown() override;

private:
    bool offline = false;
    bool firstListSeen = false;
    wxTimer connectingTimer;
    void OnConnectingTimer(wxTimerEvent& event);
    /// The picture of a user's item: free, busy or none.
    int ImageFor(uint32_t status) const;

    // While the first list goes in, its slices are sized by what the last one cost, all told.
    bool loading = false;
    mutable size_t sliceUsers = kFirstSliceUsers;
    mutable wxStopWatch sinceSlice; // since the last slice began

    wxString onlineLabel;
    wxDataViewItem onlineGroup;
    int freeImage;
    int busyImage;

    wxDECLARE_EVENT_TABLE();
};
