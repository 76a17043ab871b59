// A tree of users kept in step with the user events; the base of the All and Favorite trees.
#include "ui/UserListTreeCtrl.h"

#include "skin/SkinImageStore.h"
#include "ui/UserListTreeItemData.h"
#include "util/Settings.h"
#include "util/Trace.h"
#include "util/UrlEncode.h"
#include "util/Util.h"

#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/utils.h>

#include <algorithm>

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
    auto* data = new UserListTreeItemData(user, this);
    const wxTreeItemId item = AppendItem(parent, user.GetName(), image, image, data);
    nameIndex[user.GetName()].push_back(item);
    return item;
}

UserListTreeItemData* UserListTreeCtrl::GetUserData(const wxTreeItemId& item) const
{
    return item.IsOk() ? static_cast<UserListTreeItemData*>(GetItemData(item)) : nullptr;
}

wxBitmap UserListTreeCtrl::SkinIcon(const wxString& name)
{
    wxBitmap bitmap = SkinImageStore::GetInstance()->GetBitmap(name);
    if (bitmap.IsOk() && bitmap.GetWidth() == 16 && bitmap.GetHeight() == 16)
        return bitmap;
    // A skin without the picture (or with one of another size) must not break the image list.
    if (bitmap.IsOk())
        return wxBitmap(bitmap.ConvertToImage().Rescale(16, 16, wxIMAGE_QUALITY_HIGH));
    wxImage blank(16, 16);
    blank.InitAlpha();
    std::fill_n(blank.GetAlpha(), 16 * 16, 0);
    return wxBitmap(blank);
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
}

void UserListTreeCtrl::OnUserChanged(UserEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnUserChanged(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    const wxTreeItemId item = FindItem(event.GetUser(), GetRootItem(), true);
    if (UserListTreeItemData* data = GetUserData(item))
        data->SetUser(event.GetUser());
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
    Util::LaunchBrowser("http://" + Settings::PreviewServer() + "/preview.shtml?" +
                        PercentEncodeName(data->GetUser().GetName()));
}
