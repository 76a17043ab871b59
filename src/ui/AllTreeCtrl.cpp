// The "All" tree: every online user under one "Online" group, with a free or busy icon.
#include "ui/AllTreeCtrl.h"

#include "model/UserGroups.h"
#include "site/SiteAddress.h"
#include "ui/UserListTreeItemData.h"
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
    onlineGroup =
        AppendItem(GetRootItem(), wxString::Format("%s (%s)", onlineLabel, _("Loading")), groupImage, groupImage);
    SetItemHasChildren(onlineGroup, true);
    Bind(wxEVT_IDLE, &AllTreeCtrl::OnIdle, this);
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
    // A second list while the first still goes in: the rest of the first goes in at once.
    while (pending)
        AddSlice();
    // Expanded while still empty: expanding a group lays out all its items at once.
    Expand(onlineGroup);
    // Not copied: a copy of a large list alone would keep the window waiting.
    pending = event.ShareUserList();
    next = pending->begin();
    pendingLeft = pending->GetCount();
    sliceUsers = kFirstSliceUsers;
    lastSlice = 0;
    // A list that fits into one slice is in the tree when this returns.
    AddSlice();
}

void AllTreeCtrl::OnConnectingTimer(wxTimerEvent& WXUNUSED(event))
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnConnectingTimer(void)", static_cast<void*>(this));
    // An outage already speaks for itself ("No connection").
    if (firstListSeen || offline)
        return;
    SetItemText(onlineGroup, wxString::Format("%s (%s)", onlineLabel,
                                              wxString::Format(_("Connecting to %s..."), SiteAddress::ListServer())));
}

void AllTreeCtrl::AddSlice()
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::AddSlice(%zu)", static_cast<void*>(this), pendingLeft);
    // The tree lays out and paints new items after the slice, which costs far more than adding
    // them: the next slice is sized by what the last one cost, all told.
    if (lastSlice > 0)
        sliceUsers = std::clamp<size_t>(lastSlice * kSliceMilliseconds / std::max(1L, sinceSlice.Time()), 100, 20000);
    sinceSlice.Start();
    lastSlice = 0;
    // One repaint for the whole slice instead of one per user.
    Freeze();
    for (; next != pending->end() && lastSlice < sliceUsers; ++next, --pendingLeft, ++lastSlice)
    {
        if (outOfTurn.count(next->first) == 0)
            AppendUserItem(onlineGroup, next->second, ImageFor(next->second.GetStatus()));
    }
    Thaw();
    if (next != pending->end())
        return;
    pending.reset();
    outOfTurn.clear();
    UpdateCount();
}

void AllTreeCtrl::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    if (!pending)
        return;
    AddSlice();
    // The next slice after the toolkit has had its turn.
    if (pending)
        event.RequestMore();
}

void AllTreeCtrl::TakeOutOfTurn(const UserEvent& event)
{
    if (!pending || outOfTurn.count(event.GetUser().GetName()) > 0)
        return;
    const User* listed = pending->FindUser(event.GetUser().GetName());
    // Users of the list that the slices have reached are in the tree.
    if (!listed || FindItem(*listed, onlineGroup, false).IsOk())
        return;
    outOfTurn.insert(listed->GetName());
    if (event.GetEventType() != EVT_USER_ADDED) // an arrival brings her in itself
        AppendUserItem(onlineGroup, *listed, ImageFor(listed->GetStatus()));
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
    TakeOutOfTurn(event);
    AppendUserItem(onlineGroup, event.GetUser(), ImageFor(event.GetUser().GetStatus()));
    UpdateCount();
}

void AllTreeCtrl::OnUserChanged(UserEvent& event)
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnUserChanged(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    TakeOutOfTurn(event);
    const wxTreeItemId item = FindItem(event.GetUser(), onlineGroup, false);
    if (item.IsOk())
    {
        const int image = ImageForUser(event.GetUser());
        SetItemImage(item, image, wxTreeItemIcon_Normal);
        SetItemImage(item, image, wxTreeItemIcon_Selected);
    }
    // The base handler stores the new status in the item's data.
    event.Skip();
}

void AllTreeCtrl::OnUserDeleted(UserEvent& event)
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnUserDeleted(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    TakeOutOfTurn(event);
    UserListTreeCtrl::OnUserDeleted(event);
    UpdateCount();
}

void AllTreeCtrl::UpdateCount()
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::UpdateCount(void)", static_cast<void*>(this));
    // "Loading" until the whole first list is in.
    if (pending)
        return;
    // Users sit right below the group: counting its own children is immediate, where counting
    // recursively walks every item, once per deleted user of a poll.
    if (offline)
        SetItemText(onlineGroup, wxString::Format("%s (%s)", onlineLabel, _("No connection")));
    else
        SetItemText(onlineGroup, GroupLabel(onlineLabel, onlineGroup));
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
