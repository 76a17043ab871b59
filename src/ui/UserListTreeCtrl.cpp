// A tree of users kept in step with the user events; the base of the All and Favorite trees.
#include "ui/UserListTreeCtrl.h"

#include "site/SiteAddress.h"
#include "skin/SkinImageStore.h"
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
    EVT_TREE_ITEM_ACTIVATED(wxID_ANY, UserListTreeCtrl::OnTreeItemActivated)
    EVT_TREE_ITEM_RIGHT_CLICK(wxID_ANY, UserListTreeCtrl::OnTreeItemRightClick)
    EVT_USER_ADDED(-1, UserListTreeCtrl::OnUserAdded)
    EVT_USER_CHANGED(-1, UserListTreeCtrl::OnUserChanged)
    EVT_USER_DELETED(-1, UserListTreeCtrl::OnUserDeleted)
    EVT_USER_LIST_INITIALIZED(-1, UserListTreeCtrl::OnUserListInitialized)
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
    if (!GetUserData(event.GetItem()))
        return;
    wxMenu menu;
    menu.Append(wxID_OPEN, _("Profile"));
    PopupMenu(&menu, ScreenToClient(wxGetMousePosition()));
}

void UserListTreeCtrl::OnMenu(wxCommandEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnMenu(%d)", static_cast<void*>(this), event.GetId());
    if (event.GetId() != wxID_OPEN)
        return;
    const wxTreeItemId selection = GetSelection();
    const UserListTreeItemData* data = GetUserData(selection);
    if (!data)
        return;
    Util::LaunchBrowser(SiteAddress::PerformerPage(data->GetUser().GetName()));
}

int UserListTreeCtrl::ImageForUser(const User& WXUNUSED(user)) const
{
    return -1;
}

int UserListTreeCtrl::CountHidden(const wxTreeItemId& group) const
{
    int count = 0;
    for (const auto& entry : hiddenUsers)
    {
        if (entry.second.parent == group)
            ++count;
    }
    return count;
}

wxString UserListTreeCtrl::GroupLabel(const wxString& label, const wxTreeItemId& group) const
{
    const int shown = static_cast<int>(GetChildrenCount(group, false));
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
    // Every user with the group it belongs below, shown ones first in their order. Groups are
    // emptied whole and filled again: taking thousands of items out one by one costs the
    // square of their number.
    std::vector<HiddenUser> users;
    std::vector<wxTreeItemId> groups;
    const wxTreeItemId root = GetRootItem();
    wxTreeItemIdValue rootCookie;
    for (wxTreeItemId child = GetFirstChild(root, rootCookie); child.IsOk(); child = GetNextChild(root, rootCookie))
    {
        if (const UserListTreeItemData* data = GetUserData(child))
        {
            users.push_back(HiddenUser{data->GetUser(), root});
            continue;
        }
        groups.push_back(child);
        wxTreeItemIdValue cookie;
        for (wxTreeItemId item = GetFirstChild(child, cookie); item.IsOk(); item = GetNextChild(child, cookie))
        {
            if (const UserListTreeItemData* data = GetUserData(item))
                users.push_back(HiddenUser{data->GetUser(), child});
        }
    }
    for (auto& entry : hiddenUsers)
        users.push_back(std::move(entry.second));
    hiddenUsers.clear();

    Freeze();
    std::vector<wxTreeItemId> expanded;
    for (const wxTreeItemId& group : groups)
    {
        if (IsExpanded(group))
            expanded.push_back(group);
        wxTreeCtrl::DeleteChildren(group);
    }
    for (const HiddenUser& entry : users)
    {
        if (entry.parent == root)
        {
            const wxTreeItemId item = FindItem(entry.user, root, false);
            if (item.IsOk())
                Delete(item);
        }
    }
    nameFilter = filter;
    for (const HiddenUser& entry : users)
        AppendUserItem(entry.parent, entry.user, ImageForUser(entry.user));
    // A group open before stays open, also when it was emptied for a moment.
    for (const wxTreeItemId& group : expanded)
        Expand(group);
    Thaw();
    OnFilterChanged();
}

