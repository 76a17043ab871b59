// A tree of users kept in step with the user events; the base of the All and Favorite trees.
#include "ui/UserListTreeCtrl.h"

#include "skin/SkinImageStore.h"
#include "ui/MainMenu.h"
#include "ui/UserListViewModel.h"
#include "util/Trace.h"
#include "util/Util.h"

#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstdint>

using Group = UserListViewModel::Group;

wxBEGIN_EVENT_TABLE(UserListTreeCtrl, wxDataViewCtrl)
    EVT_MENU(wxID_OPEN, UserListTreeCtrl::OnMenu)
    EVT_MENU(wxID_INFO, UserListTreeCtrl::OnMenu)
    EVT_MENU_RANGE(ID_POPUP_ALWAYS, ID_POPUP_AS_SETTINGS, UserListTreeCtrl::OnMenu)
    EVT_DATAVIEW_ITEM_ACTIVATED(wxID_ANY, UserListTreeCtrl::OnTreeItemActivated)
    EVT_DATAVIEW_ITEM_CONTEXT_MENU(wxID_ANY, UserListTreeCtrl::OnTreeItemRightClick)
    EVT_CONTEXT_MENU(UserListTreeCtrl::OnContextMenu)
    EVT_KEY_DOWN(UserListTreeCtrl::OnKeyDown)
    EVT_USER_ADDED(-1, UserListTreeCtrl::OnUserAdded)
    EVT_USER_CHANGED(-1, UserListTreeCtrl::OnUserChanged)
    EVT_USER_DELETED(-1, UserListTreeCtrl::OnUserDeleted)
    EVT_USER_LIST_INITIALIZED(-1, UserListTreeCtrl::OnUserListInitialized)
    EVT_IDLE(UserListTreeCtrl::OnIdle)
    EVT_SIZE(UserListTreeCtrl::OnSize)
    EVT_MOTION(UserListTreeCtrl::OnMotion)
wxEND_EVENT_TABLE()

UserListTreeCtrl::UserListTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                                   const wxValidator& validator, const wxString& name)
    : wxDataViewCtrl(parent, id, pos, size, (style & wxBORDER_MASK) | wxDV_NO_HEADER | wxDV_SINGLE, validator, name)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::UserListTreeCtrl(%p)", static_cast<void*>(this), static_cast<void*>(parent));
    viewModel = new UserListViewModel(
        skinIcons, [this](const User& user) { return ImageForUser(user); },
        [this](const User& user) { return TextForUser(user); });
    AssociateModel(viewModel);
    viewModel->DecRef();
    // The name's column fills the window beside the status word: a tree's rows have no header to
    // size them by.
    statusColumn = AppendTextColumn(wxString(), UserListViewModel::kStatusColumn, wxDATAVIEW_CELL_INERT,
                                    FromDIP(kStatusWidth), wxALIGN_RIGHT, 0);
    column = PrependIconTextColumn(wxString(), UserListViewModel::kNameColumn, wxDATAVIEW_CELL_INERT,
                                   std::max(size.x - FromDIP(kStatusWidth), 80), wxALIGN_LEFT, 0);
}

UserListTreeCtrl::~UserListTreeCtrl()
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::~UserListTreeCtrl(void)", static_cast<void*>(this));
    // The model asks this tree for pictures: it must not outlive it in the view.
    AssociateModel(nullptr);
}

wxDataViewItem UserListTreeCtrl::FindItem(const User& user, const wxDataViewItem& parent, bool recursive) const
{
    for (const auto& group : viewModel->GetGroups())
    {
        if (parent.IsOk() ? UserListViewModel::HandleOf(group.get()) != parent : !recursive)
            continue;
        if (group->users.PlaceOf(user.GetName()) == UserListModel::Place::Shown)
            return viewModel->ItemOfUser(*group, group->users.ShownIndex(user.GetName()));
    }
    return wxDataViewItem();
}

wxString UserListTreeCtrl::GetGroupLabel(const wxDataViewItem& group) const
{
    const Group* found = viewModel->GroupOf(group);
    return found ? found->label : wxString();
}

int UserListTreeCtrl::GetGroupImage(const wxDataViewItem& group) const
{
    const Group* found = viewModel->GroupOf(group);
    return found ? found->image : -1;
}

std::vector<wxString> UserListTreeCtrl::GetNames(const wxDataViewItem& group) const
{
    std::vector<wxString> names;
    if (const Group* found = viewModel->GroupOf(group))
    {
        for (size_t i = 0; i < found->users.GetShownCount(); ++i)
            names.push_back(found->users.ShownAt(i).GetName());
    }
    return names;
}

int UserListTreeCtrl::GetUserImage(const wxString& name) const
{
    const User* user = GetUser(FindItem(User(name, 0), GetRootItem(), true));
    return user ? ImageForUser(*user) : -1;
}

wxString UserListTreeCtrl::GetSelectedName() const
{
    const User* user = GetUser(GetSelection());
    return user ? user->GetName() : wxString();
}

bool UserListTreeCtrl::SelectName(const wxString& name)
{
    const wxDataViewItem item = FindItem(User(name, 0), GetRootItem(), true);
    if (!item.IsOk())
        return false;
    Select(item);
    return true;
}

UserListModel& UserListTreeCtrl::GetModel(const wxDataViewItem& group)
{
    return viewModel->GroupOf(group)->users;
}

const UserListModel* UserListTreeCtrl::FindModel(const wxDataViewItem& group) const
{
    const Group* found = viewModel->GroupOf(group);
    return found ? &found->users : nullptr;
}

wxDataViewItem UserListTreeCtrl::AddGroup(const wxString& label, int image)
{
    const wxDataViewItem group = viewModel->AddGroup(label, image);
    GetModel(group).SetFilter(nameFilter);
    return group;
}

void UserListTreeCtrl::SetGroupLabel(const wxDataViewItem& group, const wxString& label)
{
    Group* found = viewModel->GroupOf(group);
    if (!found || found->label == label)
        return;
    found->label = label;
    viewModel->RowChanged(viewModel->RowOfGroup(*found));
}

wxDataViewItem UserListTreeCtrl::GroupOf(const wxString& name) const
{
    for (const auto& group : viewModel->GetGroups())
    {
        if (group->users.Find(name))
            return UserListViewModel::HandleOf(group.get());
    }
    return wxDataViewItem();
}

wxDataViewItem UserListTreeCtrl::GroupOfItem(const wxDataViewItem& item) const
{
    Group* group = nullptr;
    size_t index = 0;
    if (!item.IsOk() || !viewModel->Locate(viewModel->GetRow(item), group, index) || index == SIZE_MAX)
        return wxDataViewItem();
    return UserListViewModel::HandleOf(group);
}

const User* UserListTreeCtrl::GetUser(const wxDataViewItem& item) const
{
    return item.IsOk() ? viewModel->UserAt(viewModel->GetRow(item)) : nullptr;
}

void UserListTreeCtrl::PutUser(const wxDataViewItem& group, const User& user)
{
    Group& found = *viewModel->GroupOf(group);
    const User* before = found.users.Find(user.GetName());
    const int imageBefore = before ? ImageForUser(*before) : -1;
    size_t newIndex = SIZE_MAX;
    if (found.users.Put(user, &newIndex) != UserListModel::Place::Shown)
        return;
    if (newIndex != SIZE_MAX)
    {
        viewModel->UserInserted(found, newIndex);
        return;
    }
    // The row shows a name and a picture: only a new picture is worth telling the view about.
    if (ImageForUser(user) != imageBefore)
        viewModel->UserChanged(found, found.users.ShownIndex(user.GetName()));
}

void UserListTreeCtrl::PutUsers(const wxDataViewItem& group, const UserList& users, size_t firstSlice)
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

void UserListTreeCtrl::PutUsersLater(const wxDataViewItem& group, std::shared_ptr<const UserList> users,
                                     size_t firstSlice)
{
    UserListModel& model = GetModel(group);
    for (auto entry = users->begin(); model.GetShownCount() > 0 && entry != users->end(); ++entry)
    {
        if (model.PlaceOf(entry->first) == UserListModel::Place::Shown)
            PutUser(group, entry->second);
    }
    model.PutAllLater(std::move(users));
    ShowWaiting(firstSlice);
}

bool UserListTreeCtrl::RemoveUser(const wxDataViewItem& group, const wxString& name)
{
    Group& found = *viewModel->GroupOf(group);
    const bool shown = found.users.PlaceOf(name) == UserListModel::Place::Shown;
    const size_t index = shown ? found.users.ShownIndex(name) : 0;
    if (!found.users.Remove(name))
        return false;
    if (shown)
        viewModel->UserDeleted(found, index);
    return true;
}

void UserListTreeCtrl::ShowWaiting(size_t max)
{
    // The view finds a new row by its number: told of each, it does a slice's worth of work, where
    // reading every row anew would cost as much for each slice as for the whole list.
    for (const auto& group : viewModel->GetGroups())
    {
        // In the order they came, each at her index among those shown so far.
        for (const auto& entry : group->users.TakeWaiting(max))
            viewModel->UserInserted(*group, entry.second);
    }
}

void UserListTreeCtrl::Refill()
{
    const wxString selected = GetSelectedName();
    viewModel->ResetRows();
    if (!selected.empty())
        SelectName(selected);
}

size_t UserListTreeCtrl::GetWaitingCount() const
{
    size_t count = 0;
    for (const auto& group : viewModel->GetGroups())
        count += group->users.GetWaitingCount();
    return count;
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
    // Bundles: on a screen scaled by 2 the view takes the skin's 2x renderings.
    skinIcons.push_back(SkinIconBundle(name));
    return static_cast<int>(skinIcons.size()) - 1;
}

void UserListTreeCtrl::OnUserListInitialized(UserListEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnUserListInitialized(%p)", static_cast<void*>(this),
                  static_cast<void*>(&event));
    if (viewModel->GetGroups().empty())
        return;
    // A list of any length: sorted once and put in whole.
    const wxDataViewItem group = UserListViewModel::HandleOf(viewModel->GetGroups().front().get());
    PutUsers(group, event.GetUserList(), event.GetUserList().GetCount());
}

void UserListTreeCtrl::OnUserAdded(UserEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnUserAdded(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    if (!viewModel->GetGroups().empty())
        PutUser(UserListViewModel::HandleOf(viewModel->GetGroups().front().get()), event.GetUser());
}

void UserListTreeCtrl::OnUserDeleted(UserEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnUserDeleted(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    if (const wxDataViewItem group = GroupOf(event.GetUser().GetName()); group.IsOk())
        RemoveUser(group, event.GetUser().GetName());
}

void UserListTreeCtrl::OnUserChanged(UserEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnUserChanged(%p)", static_cast<void*>(this), static_cast<void*>(&event));
    if (const wxDataViewItem group = GroupOf(event.GetUser().GetName()); group.IsOk())
        PutUser(group, event.GetUser());
}

void UserListTreeCtrl::OnTreeItemRightClick(wxDataViewEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnTreeItemRightClick(void)", static_cast<void*>(this));
    // The menu is for the row under the mouse, which need not be the selected one.
    ShowMenu(event.GetItem(), ScreenToClient(wxGetMousePosition()));
}

void UserListTreeCtrl::ShowMenu(const wxDataViewItem& item, const wxPoint& pos)
{
    const User* user = GetUser(item);
    if (!user)
        return;
    // By name, as a poll may take the row away while the menu is up.
    menuName = user->GetName();
    wxMenu menu;
    menu.Append(wxID_OPEN, _("Profile"));
    menu.Append(wxID_INFO, _("&Details..."));
    menu.AppendSeparator();
    AppendPopupChoiceItems(menu, menuName);
    PopupMenu(&menu, pos);
    menuName.clear();
}

int UserListTreeCtrl::ImageForUser(const User& WXUNUSED(user)) const
{
    return -1;
}

int UserListTreeCtrl::CountHidden(const wxDataViewItem& group) const
{
    const UserListModel* model = FindModel(group);
    return model ? static_cast<int>(model->GetHiddenCount()) : 0;
}

wxString UserListTreeCtrl::GroupLabel(const wxString& label, const wxDataViewItem& group) const
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

void UserListTreeCtrl::DeleteChildren(const wxDataViewItem& group)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::DeleteChildren(void)", static_cast<void*>(this));
    Group* found = viewModel->GroupOf(group);
    if (!found || found->users.GetTotalCount() == 0)
        return;
    found->users.Clear();
    Refill();
}
