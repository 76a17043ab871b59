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
#include <cstdint>

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
    // The models go first: the items need not be forgotten one by one.
    models.clear();
    DeleteAllItems();
}

wxTreeItemId UserListTreeCtrl::FindItem(const User& user, const wxTreeItemId& parent, bool recursive)
{
    if (!parent.IsOk())
        return wxTreeItemId();
    // Groups in the order of the tree: the first whose item shows her is the one a depth-first
    // search meets first.
    for (const auto& entry : models)
    {
        if (entry.first != parent && !(recursive && IsBelow(entry.first, parent, true)))
            continue;
        if (void* item = entry.second->GetTag(user.GetName()))
            return wxTreeItemId(item);
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
    // The trees take their items out through their models; this keeps a model from naming an
    // item that went another way.
    for (auto& entry : models)
    {
        if (entry.second->GetTag(name) == item.GetID())
            entry.second->SetTag(name, nullptr);
    }
}

UserListModel& UserListTreeCtrl::GetModel(const wxTreeItemId& group)
{
    for (auto& entry : models)
    {
        if (entry.first == group)
            return *entry.second;
    }
    models.emplace_back(group, std::make_unique<UserListModel>());
    models.back().second->SetFilter(nameFilter);
    return *models.back().second;
}

const UserListModel* UserListTreeCtrl::FindModel(const wxTreeItemId& group) const
{
    for (const auto& entry : models)
    {
        if (entry.first == group)
            return entry.second.get();
    }
    return nullptr;
}

wxTreeItemId UserListTreeCtrl::GroupOf(const wxString& name) const
{
    for (const auto& entry : models)
    {
        if (entry.second->Find(name))
            return entry.first;
    }
    return wxTreeItemId();
}

wxTreeItemId UserListTreeCtrl::InsertUserItem(const wxTreeItemId& group, const User& user, size_t index)
{
    const int image = ImageForUser(user);
    auto* data = new UserListTreeItemData(user, this);
    const wxTreeItemId item = InsertItem(group, index, user.GetName(), image, image, data);
    GetModel(group).SetShownTag(index, item.GetID());
    return item;
}

void UserListTreeCtrl::PutUser(const wxTreeItemId& group, const User& user)
{
    UserListModel& model = GetModel(group);
    size_t newIndex = SIZE_MAX;
    if (model.Put(user, &newIndex) != UserListModel::Place::Shown)
        return;
    if (newIndex != SIZE_MAX)
    {
        InsertUserItem(group, user, newIndex);
        return;
    }
    const wxTreeItemId item(model.GetTag(user.GetName()));
    if (UserListTreeItemData* data = GetUserData(item))
    {
        data->SetUser(user);
        const int image = ImageForUser(user);
        SetItemImage(item, image, wxTreeItemIcon_Normal);
        SetItemImage(item, image, wxTreeItemIcon_Selected);
    }
}

void UserListTreeCtrl::PutUsers(const wxTreeItemId& group, const UserList& users, size_t firstSlice)
{
    UserListModel& model = GetModel(group);
    // Those known already change in place; the others are sorted once and wait for their slice.
    for (auto entry = users.begin(); model.GetShownCount() > 0 && entry != users.end(); ++entry)
    {
        if (model.PlaceOf(entry->first) == UserListModel::Place::Shown)
            PutUser(group, entry->second);
    }
    model.PutAll(users);
    ShowWaiting(firstSlice);
}

bool UserListTreeCtrl::RemoveUser(const wxTreeItemId& group, const wxString& name)
{
    UserListModel& model = GetModel(group);
    const wxTreeItemId item(model.GetTag(name));
    if (!model.Remove(name))
        return false;
    if (item.IsOk())
        Delete(item);
    return true;
}

void UserListTreeCtrl::ShowWaiting(size_t max)
{
    Freeze();
    for (auto& entry : models)
    {
        // Taken in name order: after a first list or an emptied group every one is appended.
        for (const auto& [user, index] : entry.second->TakeWaiting(max))
            InsertUserItem(entry.first, *user, index);
    }
    Thaw();
}

size_t UserListTreeCtrl::GetWaitingCount() const
{
    size_t count = 0;
    for (const auto& entry : models)
        count += entry.second->GetWaitingCount();
    return count;
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
    // A list of any length: sorted once and put in whole.
    PutUsers(GetRootItem(), event.GetUserList(), event.GetUserList().GetCount());
}

void UserListTreeCtrl::OnUserAdded(UserEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnUserAdded(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    PutUser(GetRootItem(), event.GetUser());
}

void UserListTreeCtrl::OnUserDeleted(UserEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnUserDeleted(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    RemoveUser(GetRootItem(), event.GetUser().GetName());
}

void UserListTreeCtrl::OnUserChanged(UserEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnUserChanged(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    if (GetModel(GetRootItem()).Find(event.GetUser().GetName()))
        PutUser(GetRootItem(), event.GetUser());
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
    const UserListModel* model = FindModel(group);
    return model ? static_cast<int>(model->GetHiddenCount()) : 0;
}

wxString UserListTreeCtrl::GroupLabel(const wxString& label, const wxTreeItemId& group) const
{
    // Those waiting for their slice count as shown: the label says at once what the filter lets
    // through.
    const UserListModel* model = FindModel(group);
    const int shown = model ? static_cast<int>(model->GetPassingCount()) : 0;
    if (nameFilter.IsEmpty())
        return wxString::Format("%s (%d)", label, shown);
    // TRANSLATORS: a group of the trees while the search field hides some: "Online (12 of 300)".
    return wxString::Format(_("%s (%d of %d)"), label, shown, shown + CountHidden(group));
}

void UserListTreeCtrl::DeleteChildren(const wxTreeItemId& item)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::DeleteChildren(void)", static_cast<void*>(this));
    GetModel(item).Clear();
    wxTreeCtrl::DeleteChildren(item);
}

void UserListTreeCtrl::SetFilter(const NameFilter& filter)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::SetFilter(%s)", static_cast<void*>(this), filter.GetText());
    nameFilter = filter;
    // The selected performer stays selected, also when her group is emptied and filled anew, and
    // is selected again when a filter that hid her is cleared.
    const wxTreeItemId selectedItem = GetSelection();
    if (const UserListTreeItemData* data = selectedItem.IsOk() && IsSelected(selectedItem) ? GetUserData(selectedItem) : nullptr)
        keptSelection = data->GetUser().GetName();
    const wxString selected = keptSelection;
    Freeze();
    for (auto& entry : models)
    {
        const wxTreeItemId group = entry.first;
        UserListModel& model = *entry.second;
        const std::vector<void*> leaving = model.SetFilter(filter);
        if (leaving.size() <= std::max(kFewLeaving, model.GetShownCount()))
        {
            // A few leave: one by one, the others stay as they are.
            for (void* item : leaving)
                Delete(wxTreeItemId(item));
            continue;
        }
        // Many leave: taking thousands of items out one by one costs the square of their number,
        // so the group is emptied whole and those who stay come back, in order, with the others
        // the filter lets through. A group open before stays open.
        const bool expanded = group != GetRootItem() && IsExpanded(group);
        model.UnshowAll();
        wxTreeCtrl::DeleteChildren(group);
        if (expanded)
            Expand(group);
    }
    ShowWaiting(kUsersPerSlice);
    if (const wxTreeItemId group = GroupOf(selected); group.IsOk())
    {
        // Emptied with her group: she comes back out of turn, selected again.
        if (GetModel(group).TakeNow(selected))
            InsertUserItem(group, *GetModel(group).Find(selected), GetModel(group).ShownIndex(selected));
        const wxTreeItemId item(GetModel(group).GetTag(selected));
        if (item.IsOk() && !IsSelected(item))
            SelectItem(item);
    }
    Thaw();
    OnFilterChanged();
}

void UserListTreeCtrl::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    if (GetWaitingCount() == 0)
        return;
    ShowWaiting(SliceSize());
    OnSliceShown();
    // The next slice after the toolkit has had its turn.
    if (GetWaitingCount() > 0)
        event.RequestMore();
}
