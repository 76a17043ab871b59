// What the native view of a user tree shows: groups and their performers, a picture and a text.
#include "ui/UserListViewModel.h"

#include "model/UserGroups.h"

#include <wx/intl.h>
#include <wx/settings.h>

UserListViewModel::UserListViewModel(const wxVector<wxBitmapBundle>& icons_, std::function<int(const User&)> imageFor_,
                                     std::function<wxString(const User&)> textFor_)
    : wxDataViewVirtualListModel(0), icons(icons_), imageFor(std::move(imageFor_)), textFor(std::move(textFor_))
{
}

wxDataViewItem UserListViewModel::AddGroup(const wxString& label, int image)
{
    groups.push_back(std::make_unique<Group>());
    groups.back()->label = label;
    groups.back()->image = image;
    RowInserted(RowOfGroup(*groups.back()));
    return HandleOf(groups.back().get());
}

UserListViewModel::Group* UserListViewModel::GroupOf(const wxDataViewItem& handle) const
{
    for (const auto& group : groups)
    {
        if (group.get() == handle.GetID())
            return group.get();
    }
    return nullptr;
}

unsigned int UserListViewModel::RowOfGroup(const Group& group) const
{
    unsigned int row = 0;
    for (const auto& each : groups)
    {
        if (each.get() == &group)
            break;
        row += 1 + static_cast<unsigned int>(each->Rows());
    }
    return row;
}

bool UserListViewModel::Locate(unsigned int row, Group*& group, size_t& index) const
{
    for (const auto& each : groups)
    {
        const size_t shown = each->Rows();
        if (row <= shown)
        {
            group = each.get();
            index = row == 0 ? SIZE_MAX : row - 1;
            return true;
        }
        row -= static_cast<unsigned int>(1 + shown);
    }
    return false;
}

const User* UserListViewModel::UserAt(unsigned int row) const
{
    Group* group = nullptr;
    size_t index = 0;
    if (!Locate(row, group, index) || index == SIZE_MAX)
        return nullptr;
    return &group->users.ShownAt(index);
}

unsigned int UserListViewModel::CountRows() const
{
    unsigned int rows = 0;
    for (const auto& group : groups)
        rows += 1 + static_cast<unsigned int>(group->Rows());
    return rows;
}

void UserListViewModel::ResetRows()
{
    Reset(CountRows());
}

wxDataViewItem UserListViewModel::ItemOfUser(const Group& group, size_t index) const
{
    return group.open ? GetItem(RowOfUser(group, index)) : wxDataViewItem();
}

void UserListViewModel::UserInserted(const Group& group, size_t index)
{
    if (group.open)
        RowInserted(RowOfUser(group, index));
}

void UserListViewModel::UserDeleted(const Group& group, size_t index)
{
    if (group.open)
        RowDeleted(RowOfUser(group, index));
}

void UserListViewModel::UserChanged(const Group& group, size_t index)
{
    if (group.open)
        RowChanged(RowOfUser(group, index));
}

void UserListViewModel::SetOpen(Group& group, bool open)
{
    if (group.open == open)
        return;
    group.open = open;
    ResetRows();
}

wxBitmapBundle UserListViewModel::IconAt(int image) const
{
    return image >= 0 && static_cast<size_t>(image) < icons.size() ? icons[static_cast<size_t>(image)]
                                                                   : wxBitmapBundle();
}

wxString UserListViewModel::StatusWord(uint32_t status)
{
    switch (IconForStatus(status))
    {
    case StatusIcon::Offline: return _("offline");
    case StatusIcon::Free: return _("free");
    case StatusIcon::Busy: return _("busy");
    case StatusIcon::None: break;
    }
    return _("online");
}

bool UserListViewModel::GetAttrByRow(unsigned int WXUNUSED(row), unsigned int col, wxDataViewItemAttr& attr) const
{
    // The word repeats the picture for those who do not see it: it stays in the background.
    if (col != kStatusColumn)
        return false;
    attr.SetColour(wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
    return true;
}

void UserListViewModel::GetValueByRow(wxVariant& variant, unsigned int row, unsigned int col) const
{
    Group* group = nullptr;
    size_t index = 0;
    if (col == kStatusColumn)
    {
        const bool isUser = Locate(row, group, index) && index != SIZE_MAX;
        variant = isUser ? StatusWord(group->users.ShownAt(index).GetStatus()) : wxString();
        return;
    }
    if (!Locate(row, group, index))
        variant << wxDataViewIconText();
    else if (index == SIZE_MAX)
        // The sign a tree's group has: pointing down while open, at the label while closed.
        variant << wxDataViewIconText((group->open ? L"\u25BE " : L"\u25B8 ") + group->label, IconAt(group->image));
    else
    {
        const User& user = group->users.ShownAt(index);
        variant << wxDataViewIconText(textFor(user), IconAt(imageFor(user)));
    }
}
