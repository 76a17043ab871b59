// The "All" tree: every online user under one "Online" group, with a free or busy icon.
#include "ui/AllTreeCtrl.h"

#include "model/UserGroups.h"
#include "ui/UserListTreeItemData.h"
#include "util/Trace.h"

#include <wx/intl.h>

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
}

AllTreeCtrl::~AllTreeCtrl()
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::~AllTreeCtrl(void)", static_cast<void*>(this));
}

void AllTreeCtrl::OnUserListInitialized(UserListEvent& event)
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnUserListInitialized(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    UserListTreeCtrl::OnUserListInitialized(event);
    Expand(onlineGroup);
    UpdateCount();
}

void AllTreeCtrl::OnUserAdded(UserEvent& event)
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnUserAdded(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    AppendUserItem(onlineGroup, event.GetUser(), -1);
    UserEvent changed(event.GetUser(), EVT_USER_CHANGED, UserEvent::kNoStatus);
    ProcessEvent(changed);
    if (!IsFilling())
        UpdateCount();
}

void AllTreeCtrl::OnUserChanged(UserEvent& event)
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::OnUserChanged(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    const wxTreeItemId item = FindItem(event.GetUser(), onlineGroup, false);
    if (item.IsOk())
    {
        // The All tree lists online users only: it has no offline picture.
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
    UserListTreeCtrl::OnUserDeleted(event);
    UpdateCount();
}

void AllTreeCtrl::UpdateCount()
{
    SOLVANE_TRACE("[%p]AllTreeCtrl::UpdateCount(void)", static_cast<void*>(this));
    // Users sit right below the group: counting its own children is immediate, where counting
    // recursively walks every item, once per deleted user of a poll.
    if (offline)
        SetItemText(onlineGroup, wxString::Format("%s (%s)", onlineLabel, _("No connection")));
    else
        SetItemText(onlineGroup, GroupLabel(onlineLabel, onlineGroup));
}

int AllTreeCtrl::ImageForUser(const User& user) const
{
    // The All tree lists online users only: it has no offline picture.
    const StatusIcon icon = IconForStatus(user.GetStatus());
    return icon == StatusIcon::Free ? freeImage : icon == StatusIcon::Busy ? busyImage : -1;
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
