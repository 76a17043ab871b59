// The "All" tree: every online user under one "Online" group, with a free or busy icon.
#include "ui/AllTreeCtrl.h"

#include "model/UserGroups.h"
#include "site/SiteAddress.h"
#include "ui/NativeView.h"
#include "util/Trace.h"

#include <wx/intl.h>

#include <algorithm>

wxBEGIN_EVENT_TABLE(AllTreeCtrl, UserListTreeCtrl)
    EVT_USER_ADDED(-1, AllTreeCtrl::OnUserAdded)
    EVT_USER_CHANGED(-1, AllTreeCtrl::OnUserChanged)
    EVT_USER_DELETED(-1, AllTreeCtrl::OnUserDeleted)
    EVT_USER_LIST_INITIALIZED(-1, AllTreeCtrl::OnUserListInitialized)
    EVT_SITE_UNREACHABLE(-1, AllTreeCtrl::OnSiteUnreachable)
    EVT_SITE_REACHABLE(-1, AllTreeCtrl::OnSiteReachable)
wxEND_EVENT_TABLE()

AllTreeCtrl::AllTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                         const wxValidator& validator, const wxString& name)
    : UserListTreeCtrl(parent, id, pos, size, style, validator, name)
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::AllTreeCtrl(%p)", static_cast<void*>(this), static_cast<void*>(parent));
    const int groupImage = AddSkinIcon("UserListTreeCtrl_onlineGroupIcon");
    freeImage = AddSkinIcon("UserListTreeCtrl_freeIcon");
    busyImage = AddSkinIcon("UserListTreeCtrl_busyIcon");

    onlineLabel = _("Online");
    onlineGroup = AddGroup(wxString::Format("%s (%s)", onlineLabel, _("Loading")), groupImage);
    SetAccessibleName(this, _("All"));
    // A first start against a server that does not answer takes half a minute to fail: meanwhile
    // the group says whom it waits for, so that a wrong server shows before the failure box.
    connectingTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &AllTreeCtrl::OnConnectingTimer, this, connectingTimer.GetId());
    connectingTimer.StartOnce(kConnectingMilliseconds);
}

AllTreeCtrl::~AllTreeCtrl()
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::~AllTreeCtrl(void)", static_cast<void*>(this));
}

void AllTreeCtrl::OnUserListInitialized(UserListEvent& event)
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnUserListInitialized(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    firstListSeen = true;
    connectingTimer.Stop();
    // A second list while the first still goes in joins what is still to come; its users that
    // are in the tree already are changed in place.
    loading = true;
    sliceUsers = kFirstSliceUsers;
    sinceSlice.Start();
    // A list that fits into one slice is in the tree when this returns.
    PutUsersLater(onlineGroup, event.ShareUserList(), kFirstSliceUsers);
    OnSliceShown();
}

void AllTreeCtrl::OnConnectingTimer(wxTimerEvent& WXUNUSED(event))
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnConnectingTimer(void)", static_cast<void*>(this));
    // An outage already speaks for itself ("No connection").
    if (firstListSeen || offline)
        return;
    SetGroupLabel(onlineGroup, wxString::Format("%s (%s)", onlineLabel,
                                              wxString::Format(_("Connecting to %s..."), SiteAddress::ListServer())));
}

size_t AllTreeCtrl::SliceSize() const
{
    if (!loading)
        return UserListTreeCtrl::SliceSize();
    // The tree lays out and paints new items after the slice, which costs far more than adding
    // them: the next slice is sized by what the last one cost, all told.
    sliceUsers = std::clamp<size_t>(sliceUsers * kSliceMilliseconds / std::max(1L, sinceSlice.Time()), 100, 20000);
    sinceSlice.Start();
    return sliceUsers;
}

void AllTreeCtrl::OnSliceShown()
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnSliceShown(%zu)", static_cast<void*>(this), GetWaitingCount());
    if (!loading || GetWaitingCount() > 0)
        return;
    loading = false;
    UpdateCount();
}

int AllTreeCtrl::ImageFor(uint32_t status) const
{
    // The All tree lists online users only: it has no offline picture.
    const StatusIcon icon = IconForStatus(status);
    return icon == StatusIcon::Free ? freeImage : icon == StatusIcon::Busy ? busyImage : -1;
}

void AllTreeCtrl::OnUserAdded(UserEvent& event)
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnUserAdded(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    PutUser(onlineGroup, event.GetUser());
    UpdateCount();
}

void AllTreeCtrl::OnUserChanged(UserEvent& event)
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnUserChanged(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    // One of the first list still to come changes what comes; an unknown one changes nothing.
    if (GetModel(onlineGroup).Find(event.GetUser().GetName()))
        PutUser(onlineGroup, event.GetUser());
}

void AllTreeCtrl::OnUserDeleted(UserEvent& event)
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnUserDeleted(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    RemoveUser(onlineGroup, event.GetUser().GetName());
    UpdateCount();
}

void AllTreeCtrl::UpdateCount()
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::UpdateCount(void)", static_cast<void*>(this));
    // "Loading" until the whole first list is in.
    if (loading)
        return;
    // Users sit right below the group: counting its own children is immediate, where counting
    // recursively walks every item, once per deleted user of a poll.
    if (offline)
        SetGroupLabel(onlineGroup, wxString::Format("%s (%s)", onlineLabel, _("No connection")));
    else
        SetGroupLabel(onlineGroup, GroupLabel(onlineLabel, onlineGroup));
}

int AllTreeCtrl::ImageForUser(const User& user) const
{
    return ImageFor(user.GetStatus());
}

void AllTreeCtrl::OnSiteUnreachable(UserListEvent& WXUNUSED(event))
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnSiteUnreachable(void)", static_cast<void*>(this));
    offline = true;
    UpdateCount();
}

void AllTreeCtrl::OnSiteReachable(UserListEvent& WXUNUSED(event))
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnSiteReachable(void)", static_cast<void*>(this));
    offline = false;
    UpdateCount();
}
