// A tree of users kept in step with the user events; the base of the All and Favorite trees.
#include "ui/UserListTreeCtrl.h"

#include "skin/SkinImageStore.h"
#include "ui/MainMenu.h"
#include "ui/UserListTreeItemData.h"
#include "util/Trace.h"
#include "util/Util.h"

#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/utils.h>

#include <algorithm>
#include <iterator>

wxBEGIN_EVENT_TABLE(UserListTreeCtrl, wxTreeCtrl)
    EVT_MENU(wxID_OPEN, UserListTreeCtrl::OnMenu)
    EVT_MENU_RANGE(ID_POPUP_ALWAYS, ID_POPUP_AS_SETTINGS, UserListTreeCtrl::OnMenu)
    EVT_TREE_ITEM_ACTIVATED(wxID_ANY, UserListTreeCtrl::OnTreeItemActivated)
    EVT_TREE_ITEM_RIGHT_CLICK(wxID_ANY, UserListTreeCtrl::OnTreeItemRightClick)
    EVT_CONTEXT_MENU(UserListTreeCtrl::OnContextMenu)
    EVT_KEY_DOWN(UserListTreeCtrl::OnKeyDown)
    EVT_USER_ADDED(-1, UserListTreeCtrl::OnUserAdded)
    EVT_USER_CHANGED(-1, UserListTreeCtrl::OnUserChanged)
    EVT_USER_DELETED(-1, UserListTreeCtrl::OnUserDeleted)
    EVT_USER_LIST_INITIALIZED(-1, UserListTreeCtrl::OnUserListInitialized)
    EVT_IDLE(UserListTreeCtrl::OnIdle)
wxEND_EVENT_TABLE()

UserListTreeCtrl::UserListTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                                   const wxValidator& validator, const wxString& name)
    : wxTreeCtrl(parent, id, pos, size, style, validator, name)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::UserListTreeCtrl(%p)", static_cast<void*>(this), static_cast<void*>(parent));
    AddRoot(wxEmptyString);
}

UserListTreeCtrl::~UserListTreeCtrl()
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::~UserListTreeCtrl(void)", static_cast<void*>(this));
    // The items go while the name index they leave still exists.
    DeleteAllItems();
}

wxTreeItemId UserListTreeCtrl::FindItem(const User& user, const wxTreeItemId& parent, bool recursive)
{
    const auto found = nameIndex.find(user.GetName());
    if (found == nameIndex.end() || !parent.IsOk())
        return wxTreeItemId();
    // Items of one name are listed in the order they were appended, which is their order in
    // the tree: the first below the parent is the one a depth-first search meets first.
    for (const wxTreeItemId& item : found->second)
    {
        if (IsBelow(item, parent, recursive))
            return item;
    }
    return wxTreeItemId();
}

bool UserListTreeCtrl::IsBelow(const wxTreeItemId& item, const wxTreeItemId& parent, bool recursive) const
{
    for (wxTreeItemId up = GetItemParent(item); up.IsOk(); up = GetItemParent(up))
    {
        if (up == parent)
            return true;
        if (!recursive)
            return false;
    }
    return false;
}

void UserListTreeCtrl::ForgetItem(const wxString& name, const wxTreeItemId& item)
{
    const auto found = nameIndex.find(name);
    if (found == nameIndex.end())
        return;
    std::vector<wxTreeItemId>& items = found->second;
    items.erase(std::remove(items.begin(), items.end(), item), items.end());
    if (items.empty())
        nameIndex.erase(found);
}

wxTreeItemId UserListTreeCtrl::AppendUserItem(const wxTreeItemId& parent, const User& user, int image)
{
    if (!nameFilter.Matches(user.GetName()))
    {
        hiddenUsers[user.GetName()] = HiddenUser{user, parent};
        return wxTreeItemId();
    }
    // One waiting for its slice (a favourite moving between groups) goes in now, and only once.
    if (!hiddenUsers.empty())
        hiddenUsers.erase(user.GetName());
    auto* data = new UserListTreeItemData(user, this);
    const wxTreeItemId item = AppendItem(parent, user.GetName(), image, image, data);
    nameIndex[user.GetName()].push_back(item);
    return item;
}

UserListTreeItemData* UserListTreeCtrl::GetUserData(const wxTreeItemId& item) const
{
    return item.IsOk() ? static_cast<UserListTreeItemData*>(GetItemData(item)) : nullptr;
}

wxBitmapBundle UserListTreeCtrl::SkinIconBundle(const wxString& name)
{
    SOLVANE_TRACE("[static]UserListTreeCtrl::SkinIconBundle(%s)", name);
    // Of another size, the picture is scaled: the rows are made for 16 x 16.
    wxBitmapBundle icon = SkinImageStore::GetInstance()->GetBitmapBundle(name, wxSize(16, 16));
    // A skin without the picture must not leave the tree without the image.
    if (!icon.IsOk())
    {
        wxImage blank(16, 16);
        blank.InitAlpha();
        std::fill_n(blank.GetAlpha(), 16 * 16, 0);
        icon = wxBitmapBundle(wxBitmap(blank));
    }
    return icon;
}

wxBitmap UserListTreeCtrl::SkinIcon(const wxString& name)
{
    return SkinIconBundle(name).GetBitmap(wxSize(16, 16));
}

int UserListTreeCtrl::AddSkinIcon(const wxString& name)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::AddSkinIcon(%s)", static_cast<void*>(this), name);
    // Bundles: on a screen scaled by 2 the tree takes the skin's 2x renderings.
    skinIcons.push_back(SkinIconBundle(name));
    SetImages(skinIcons);
    return static_cast<int>(skinIcons.size()) - 1;
}

void UserListTreeCtrl::OnUserListInitialized(UserListEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnUserListInitialized(%p)", static_cast<void*>(this),
                  static_cast<void*>(&event));
    // One repaint for the whole list instead of one per user.
    Freeze();
    for (const auto& entry : event.GetUserList())
    {
        UserEvent added(entry.second, EVT_USER_ADDED, UserEvent::kNoStatus);
        ProcessEvent(added);
    }
    Thaw();
}

void UserListTreeCtrl::OnUserAdded(UserEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnUserAdded(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    AppendUserItem(GetRootItem(), event.GetUser(), -1);
}

void UserListTreeCtrl::OnUserDeleted(UserEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnUserDeleted(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    const wxTreeItemId item = FindItem(event.GetUser(), GetRootItem(), true);
    if (item.IsOk())
        Delete(item);
    else
        hiddenUsers.erase(event.GetUser().GetName());
}

void UserListTreeCtrl::OnUserChanged(UserEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnUserChanged(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    const wxTreeItemId item = FindItem(event.GetUser(), GetRootItem(), true);
    if (UserListTreeItemData* data = GetUserData(item))
        data->SetUser(event.GetUser());
    else if (const auto hidden = hiddenUsers.find(event.GetUser().GetName()); hidden != hiddenUsers.end())
        hidden->second.user = event.GetUser();
}

void UserListTreeCtrl::OnTreeItemActivated(wxTreeEvent& WXUNUSED(event))
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnTreeItemActivated(void)", static_cast<void*>(this));
    wxCommandEvent open(wxEVT_MENU, wxID_OPEN);
    open.SetEventObject(this);
    Command(open);
}

void UserListTreeCtrl::OnTreeItemRightClick(wxTreeEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnTreeItemRightClick(void)", static_cast<void*>(this));
    // The menu is for the row under the mouse, which need not be the selected one.
    ShowMenu(event.GetItem(), ScreenToClient(wxGetMousePosition()));
}

void UserListTreeCtrl::ShowMenu(const wxTreeItemId& item, const wxPoint& pos)
{
    const UserListTreeItemData* data = GetUserData(item);
    if (!data)
        return;
    // By name, as a poll may take the row away while the menu is up.
    menuName = data->GetUser().GetName();
    wxMenu menu;
    menu.Append(wxID_OPEN, _("Profile"));
    menu.AppendSeparator();
    AppendPopupChoiceItems(menu, menuName);
    PopupMenu(&menu, pos);
    menuName.clear();
}

int UserListTreeCtrl::ImageForUser(const User& WXUNUSED(user)) const
{
    return -1;
}

int UserListTreeCtrl::CountHidden(const wxTreeItemId& group) const
{
    return CountAside(group, false);
}

int UserListTreeCtrl::CountAside(const wxTreeItemId& group, bool waiting) const
{
    int count = 0;
    for (const auto& entry : hiddenUsers)
    {
        if (entry.second.parent == group && entry.second.waiting == waiting)
            ++count;
    }
    return count;
}

wxString UserListTreeCtrl::GroupLabel(const wxString& label, const wxTreeItemId& group) const
{
    // Those waiting for their slice count as shown: the label says at once what the filter lets
    // through.
    const int shown = static_cast<int>(GetChildrenCount(group, false)) + (waitingNames.empty() ? 0 : CountAside(group, true));
    if (nameFilter.IsEmpty())
        return wxString::Format("%s (%d)", label, shown);
    // TRANSLATORS: a group of the trees while the search field hides some: "Online (12 of 300)".
    return wxString::Format(_("%s (%d of %d)"), label, shown, shown + CountHidden(group));
}

void UserListTreeCtrl::DeleteChildren(const wxTreeItemId& item)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::DeleteChildren(void)", static_cast<void*>(this));
    for (auto entry = hiddenUsers.begin(); entry != hiddenUsers.end();)
        entry = entry->second.parent == item ? hiddenUsers.erase(entry) : std::next(entry);
    wxTreeCtrl::DeleteChildren(item);
}

void UserListTreeCtrl::SetFilter(const NameFilter& filter)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::SetFilter(%s)", static_cast<void*>(this), filter.GetText());
    std::vector<wxTreeItemId> leaving;
    size_t staying = 0;
    ForEachUserItem([&](const wxTreeItemId& item, const wxTreeItemId&, const UserListTreeItemData& data) {
        if (filter.Matches(data.GetUser().GetName()))
            ++staying;
        else
            leaving.push_back(item);
    });

    Freeze();
    nameFilter = filter;
    // Names to show, in order: the first slice goes in now, the rest an idle turn at a time.
    std::vector<wxString> coming;
    std::vector<wxTreeItemId> expanded;
    if (leaving.size() <= std::max(kFewLeaving, staying))
    {
        // A few leave: one by one, the others stay as they are.
        for (const wxTreeItemId& item : leaving)
        {
            HiddenUser hidden{GetUserData(item)->GetUser(), GetItemParent(item)};
            const wxString name = hidden.user.GetName();
            Delete(item);
            hiddenUsers[name] = std::move(hidden);
        }
    }
    else
    {
        // Many leave: taking thousands of items out one by one costs the square of their number,
        // so the groups are emptied whole and those who stay come back first, in their order.
        std::vector<wxTreeItemId> groups;
        std::vector<wxTreeItemId> topLevel;
        hiddenUsers.reserve(hiddenUsers.size() + leaving.size() + staying);
        ForEachUserItem([&](const wxTreeItemId& item, const wxTreeItemId& parent, const UserListTreeItemData& data) {
            if (parent == GetRootItem())
                topLevel.push_back(item);
            else if (groups.empty() || groups.back() != parent)
                groups.push_back(parent);
            const wxString& name = data.GetUser().GetName();
            const bool stays = nameFilter.Matches(name);
            hiddenUsers[name] = HiddenUser{data.GetUser(), parent, stays};
            if (stays)
                coming.push_back(name);
        });
        for (const wxTreeItemId& group : groups)
        {
            if (IsExpanded(group))
                expanded.push_back(group);
            wxTreeCtrl::DeleteChildren(group);
        }
        for (const wxTreeItemId& item : topLevel)
            Delete(item);
    }
    // Those kept aside that the filter now lets through come back; those waiting that it keeps
    // out wait no more.
    for (auto& entry : hiddenUsers)
    {
        const bool passes = nameFilter.Matches(entry.first);
        if (!entry.second.waiting && passes)
            coming.push_back(entry.first);
        entry.second.waiting = passes;
    }
    size_t shown = 0;
    for (const wxString& name : coming)
    {
        const auto entry = hiddenUsers.find(name);
        if (shown++ >= kUsersPerSlice)
        {
            waitingNames.push_back(name);
            continue;
        }
        const HiddenUser user = std::move(entry->second);
        hiddenUsers.erase(entry);
        AppendUserItem(user.parent, user.user, ImageForUser(user.user));
    }
    // A group open before stays open, also when it was emptied for a moment.
    for (const wxTreeItemId& group : expanded)
        Expand(group);
    Thaw();
    OnFilterChanged();
}

void UserListTreeCtrl::ForEachUserItem(
    const std::function<void(const wxTreeItemId&, const wxTreeItemId&, const UserListTreeItemData&)>& visit) const
{
    const wxTreeItemId root = GetRootItem();
    wxTreeItemIdValue rootCookie;
    for (wxTreeItemId child = GetFirstChild(root, rootCookie); child.IsOk(); child = GetNextChild(root, rootCookie))
    {
        if (const UserListTreeItemData* data = GetUserData(child))
        {
            visit(child, root, *data);
            continue;
        }
        wxTreeItemIdValue cookie;
        for (wxTreeItemId item = GetFirstChild(child, cookie); item.IsOk(); item = GetNextChild(child, cookie))
        {
            if (const UserListTreeItemData* data = GetUserData(item))
                visit(item, child, *data);
        }
    }
}

void UserListTreeCtrl::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    if (waitingNames.empty())
        return;
    ShowWaitingSlice();
    // The next slice after the toolkit has had its turn.
    if (!waitingNames.empty())
        event.RequestMore();
}

void UserListTreeCtrl::ShowWaitingSlice()
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::ShowWaitingSlice(%zu)", static_cast<void*>(this),
                  waitingNames.size() - nextWaiting);
    Freeze();
    for (size_t shown = 0; nextWaiting < waitingNames.size() && shown < kUsersPerSlice; ++nextWaiting)
    {
        // A user who left, or whom a change brought in already, has no waiting entry any more.
        const auto entry = hiddenUsers.find(waitingNames[nextWaiting]);
        if (entry == hiddenUsers.end() || !entry->second.waiting)
            continue;
        const HiddenUser user = std::move(entry->second);
        hiddenUsers.erase(entry);
        AppendUserItem(user.parent, user.user, ImageForUser(user.user));
        ++shown;
    }
    if (nextWaiting == waitingNames.size())
    {
        waitingNames.clear();
        nextWaiting = 0;
    }
    Thaw();
}

