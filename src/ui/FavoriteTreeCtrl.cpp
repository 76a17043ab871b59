// The "Favorite" tree: the user's favourites under "Online" and "Offline", moved as they come and go.
#include "ui/FavoriteTreeCtrl.h"

#include "history/HistoryView.h"
#include "model/UserGroups.h"
#include "ui/NativeView.h"
#include "util/Trace.h"

#include <wx/intl.h>

#include <ctime>

wxBEGIN_EVENT_TABLE(FavoriteTreeCtrl, UserListTreeCtrl)
    EVT_USER_LIST_INITIALIZED(-1, FavoriteTreeCtrl::OnUserListInitialized)
    EVT_USER_ADDED(-1, FavoriteTreeCtrl::OnUserAdded)
    EVT_USER_DELETED(-1, FavoriteTreeCtrl::OnUserDeleted)
    EVT_USER_CHANGED(-1, FavoriteTreeCtrl::OnUserStatusChanged)
wxEND_EVENT_TABLE()

FavoriteTreeCtrl::FavoriteTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                                   const wxValidator& validator, const wxString& name)
    : UserListTreeCtrl(parent, id, pos, size, style, validator, name)
{
    SOLVANE_TRACE("[%p]FavoriteTreeCtrl::FavoriteTreeCtrl(%p)", static_cast<void*>(this), static_cast<void*>(parent));
    offlineImage = AddSkinIcon("UserListTreeCtrl_offlineIcon");
    freeImage = AddSkinIcon("UserListTreeCtrl_freeIcon");
    busyImage = AddSkinIcon("UserListTreeCtrl_busyIcon");
    SetAccessibleName(this, _("Favorite"));
    agoTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &FavoriteTreeCtrl::OnAgoTimer, this, agoTimer.GetId());
    agoTimer.Start(60 * 1000);
}

FavoriteTreeCtrl::~FavoriteTreeCtrl()
{
    SOLVANE_TRACE("[%p]FavoriteTreeCtrl::~FavoriteTreeCtrl(void)", static_cast<void*>(this));
}

void FavoriteTreeCtrl::CreateGroups()
{
    SOLVANE_TRACE("[%p]FavoriteTreeCtrl::CreateGroups(void)", static_cast<void*>(this));
    const int onlineGroupImage = AddSkinIcon("UserListTreeCtrl_onlineGroupIcon");
    const int offlineGroupImage = AddSkinIcon("UserListTreeCtrl_offlineGroupIcon");
    onlineLabel = _("Online");
    onlineGroup = AddGroup(wxString::Format("%s (%s)", onlineLabel, _("Loading")), onlineGroupImage);
    offlineLabel = _("Offline");
    offlineGroup = AddGroup(wxString::Format("%s (%s)", offlineLabel, _("Loading")), offlineGroupImage);
}

int FavoriteTreeCtrl::ImageFor(StatusIcon icon) const
{
    switch (icon)
    {
    case StatusIcon::Offline: return offlineImage;
    case StatusIcon::Free: return freeImage;
    case StatusIcon::Busy: return busyImage;
    case StatusIcon::None: break;
    }
    return -1;
}

wxDataViewItem FavoriteTreeCtrl::GroupItem(FavoriteGroup group) const
{
    return group == FavoriteGroup::Online    ? onlineGroup
           : group == FavoriteGroup::Offline ? offlineGroup
                                             : wxDataViewItem();
}

void FavoriteTreeCtrl::UpdateCount()
{
    SOLVANE_TRACE("[%p]FavoriteTreeCtrl::UpdateCount(void)", static_cast<void*>(this));
    SetGroupLabel(onlineGroup, GroupLabel(onlineLabel, onlineGroup));
    SetGroupLabel(offlineGroup, GroupLabel(offlineLabel, offlineGroup));
}

void FavoriteTreeCtrl::OnFilterChanged()
{
    // Before the first login there are no groups to count in.
    if (onlineGroup.IsOk())
        UpdateCount();
}

void FavoriteTreeCtrl::OnUserListInitialized(UserListEvent& event)
{
    SOLVANE_TRACE("[%p]FavoriteTreeCtrl::OnUserListInitialized(%d)", static_cast<void*>(this), event.GetId());
    // Only the favourites download names favourites. The polling thread's own first list
    // (identifier -1) reaches this tree too when the user logged in before the first poll
    // succeeded; taking it would make every online performer a favourite.
    if (event.GetId() != kFavoritesListId || !onlineGroup.IsOk())
        return;
    DeleteChildren(onlineGroup);
    DeleteChildren(offlineGroup);
    lastSeenKnown.clear();
    favorites = event.GetUserList();
    for (const auto& entry : favorites)
    {
        UserEvent changed(entry.second, EVT_USER_CHANGED, 0);
        ProcessEvent(changed);
    }
    // An empty list adds nothing, yet the groups must not keep counts of the favourites
    // that were just removed.
    UpdateCount();
}

void FavoriteTreeCtrl::OnUserAdded(UserEvent& event)
{
    SOLVANE_TRACE("[%p]FavoriteTreeCtrl::OnUserAdded(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    if (!favorites.FindUser(event.GetUser().GetName()))
        return;
    UserEvent changed(event.GetUser(), EVT_USER_CHANGED, 0);
    ProcessEvent(changed);
}

void FavoriteTreeCtrl::OnUserDeleted(UserEvent& event)
{
    SOLVANE_TRACE("[%p]FavoriteTreeCtrl::OnUserDeleted(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    if (!favorites.FindUser(event.GetUser().GetName()))
        return;
    User gone(event.GetUser());
    const uint32_t lastStatus = gone.GetStatus();
    gone.SetStatus(0);
    UserEvent changed(gone, EVT_USER_CHANGED, lastStatus);
    ProcessEvent(changed);
}

void FavoriteTreeCtrl::OnUserStatusChanged(UserEvent& event)
{
    SOLVANE_TRACE("[%p]FavoriteTreeCtrl::OnUserStatusChanged(%p)", static_cast<void*>(this),
                  static_cast<void*>(&event));
    const User& user = event.GetUser();
    if (!favorites.FindUser(user.GetName()) || !onlineGroup.IsOk())
        return;
    const uint32_t status = user.GetStatus();
    // Gone offline now: last seen now. Back online: asked anew the next time she leaves.
    if (status == 0 && event.GetOldStatus() != 0)
        lastSeenKnown[user.GetName()] = static_cast<long long>(std::time(nullptr));
    else if (status != 0)
        lastSeenKnown.erase(user.GetName());
    const FavoriteGroup left = FavoriteGroupLeft(event.GetOldStatus(), status);
    if (left != FavoriteGroup::None)
        RemoveUser(GroupItem(left), user.GetName());
    // Shown or kept aside by the filter, she is changed where she is; else she joins her group.
    if (const wxDataViewItem group = GroupOf(user.GetName()); group.IsOk())
        PutUser(group, user);
    else if (const FavoriteGroup joined = FavoriteGroupFor(status); joined != FavoriteGroup::None)
    {
        PutUser(GroupItem(joined), user);
        UpdateCount();
    }
}

wxString FavoriteTreeCtrl::ToolTipFor(const wxDataViewItem& item) const
{
    const User* user = GetUser(item);
    if (!lastSeen || !user || !offlineGroup.IsOk() || GroupOfItem(item) != offlineGroup)
        return wxString();
    const long long when = lastSeen(user->GetName());
    return when > 0 ? HistoryView::LastSeenText(when, static_cast<long long>(std::time(nullptr))) : wxString();
}

wxString FavoriteTreeCtrl::TextForUser(const User& user) const
{
    if (user.GetStatus() != 0 || !lastSeen)
        return user.GetName();
    auto known = lastSeenKnown.find(user.GetName());
    if (known == lastSeenKnown.end())
        known = lastSeenKnown.emplace(user.GetName(), lastSeen(user.GetName())).first;
    if (known->second <= 0)
        return user.GetName();
    return user.GetName() + "  " + HistoryView::AgoText(known->second, static_cast<long long>(std::time(nullptr)));
}

void FavoriteTreeCtrl::OnAgoTimer(wxTimerEvent& WXUNUSED(event))
{
    // The view reads the rows' texts as it draws them.
    if (offlineGroup.IsOk() && GetModel(offlineGroup).GetShownCount() > 0)
        Refresh();
}
