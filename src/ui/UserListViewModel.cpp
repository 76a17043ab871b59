// What the native view of a user tree shows: groups, their performers, a picture and a text.
#include "ui/UserListViewModel.h"

#include <algorithm>
#include <unordered_set>

UserListViewModel::UserListViewModel(const wxVector<wxBitmapBundle>& icons_, std::function<int(const User&)> imageFor_)
    : icons(icons_), imageFor(std::move(imageFor_))
{
}

UserListViewModel::~UserListViewModel()
{
    for (const auto& group : groups)
    {
        for (Row* row : group->rows)
            delete row;
    }
}

wxDataViewItem UserListViewModel::AddGroup(const wxString& label, int image)
{
    groups.push_back(std::make_unique<Group>());
    groups.back()->label = label;
    groups.back()->image = image;
    const wxDataViewItem item = ItemOf(groups.back().get());
    ItemAdded(wxDataViewItem(), item);
    return item;
}

UserListViewModel::Group* UserListViewModel::GroupOf(const wxDataViewItem& item) const
{
    for (const auto& group : groups)
    {
        if (group.get() == item.GetID())
            return group.get();
    }
    return nullptr;
}

UserListViewModel::Row* UserListViewModel::RowOf(const wxDataViewItem& item) const
{
    return item.IsOk() && !GroupOf(item) ? static_cast<Row*>(item.GetID()) : nullptr;
}

UserListViewModel::Row* UserListViewModel::InsertRow(Group& group, size_t index, const wxString& name, bool quiet)
{
    auto* row = new Row{&group, name};
    group.rows.insert(group.rows.begin() + static_cast<std::ptrdiff_t>(index), row);
    group.users.SetShownTag(index, row);
    if (!quiet)
        ItemAdded(ItemOf(&group), ItemOf(row));
    return row;
}

void UserListViewModel::RemoveRow(Group& group, size_t index, bool quiet)
{
    Row* row = group.rows.at(index);
    group.rows.erase(group.rows.begin() + static_cast<std::ptrdiff_t>(index));
    // The view finds the row's place through its own copy of the children, not through ours.
    if (!quiet)
        ItemDeleted(ItemOf(&group), ItemOf(row));
    delete row;
}

void UserListViewModel::RemoveRows(Group& group, const std::vector<void*>& leaving)
{
    const std::unordered_set<void*> gone(leaving.begin(), leaving.end());
    // One pass: taking thousands out one at a time would move the others thousands of times.
    group.rows.erase(std::remove_if(group.rows.begin(), group.rows.end(),
                                    [&gone](Row* row) {
                                        if (gone.count(row) == 0)
                                            return false;
                                        delete row;
                                        return true;
                                    }),
                     group.rows.end());
}

void UserListViewModel::RemoveAllRows(Group& group)
{
    for (Row* row : group.rows)
        delete row;
    group.rows.clear();
}

wxBitmapBundle UserListViewModel::IconAt(int image) const
{
    return image >= 0 && static_cast<size_t>(image) < icons.size() ? icons[static_cast<size_t>(image)]
                                                                   : wxBitmapBundle();
}

void UserListViewModel::GetValue(wxVariant& variant, const wxDataViewItem& item, unsigned int WXUNUSED(col)) const
{
    if (const Group* group = GroupOf(item))
    {
        variant << wxDataViewIconText(group->label, IconAt(group->image));
        return;
    }
    const Row* row = RowOf(item);
    const User* user = row ? row->group->users.Find(row->name) : nullptr;
    variant << wxDataViewIconText(row ? row->name : wxString(), IconAt(user ? imageFor(*user) : -1));
}

wxDataViewItem UserListViewModel::GetParent(const wxDataViewItem& item) const
{
    const Row* row = RowOf(item);
    return row ? ItemOf(row->group) : wxDataViewItem();
}

bool UserListViewModel::IsContainer(const wxDataViewItem& item) const
{
    return !item.IsOk() || GroupOf(item);
}

unsigned int UserListViewModel::GetChildren(const wxDataViewItem& item, wxDataViewItemArray& children) const
{
    if (!item.IsOk())
    {
        for (const auto& group : groups)
            children.push_back(ItemOf(group.get()));
        return static_cast<unsigned int>(groups.size());
    }
    const Group* group = GroupOf(item);
    if (!group)
        return 0;
    children.reserve(children.size() + group->rows.size());
    for (Row* row : group->rows)
        children.push_back(ItemOf(row));
    return static_cast<unsigned int>(group->rows.size());
}
