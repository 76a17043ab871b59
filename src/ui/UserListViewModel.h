// What the native view of a user tree shows: each group's row followed by its performers' rows,
// one column of a picture and a text.
//
// The rows are a flat list, so that the view finds a row by its number: as a tree of containers
// the view looks every row up among its siblings, which at 100,000 performers costs seconds.
#pragma once

#include "model/UserListModel.h"

#include <wx/bmpbndl.h>
#include <wx/dataview.h>

#include <functional>
#include <memory>
#include <vector>

class UserListViewModel : public wxDataViewVirtualListModel
{
public:
    struct Group
    {
        wxString label;
        int image = -1;
        UserListModel users;
        /// Closed, the group is its own row alone.
        bool open = true;
        /// The rows of its users.
        size_t Rows() const { return open ? users.GetShownCount() : 0; }
    };

    /// icons are the tree's pictures by index; imageFor gives a user's index (-1: none).
    UserListViewModel(const wxVector<wxBitmapBundle>& icons, std::function<int(const User&)> imageFor,
                      std::function<wxString(const User&)> textFor);

    /// A new group after the others; the view is told.
    wxDataViewItem AddGroup(const wxString& label, int image);
    const std::vector<std::unique_ptr<Group>>& GetGroups() const { return groups; }
    /// The group a handle (from AddGroup) stands for, null if none.
    Group* GroupOf(const wxDataViewItem& handle) const;
    static wxDataViewItem HandleOf(const Group* group) { return wxDataViewItem(const_cast<Group*>(group)); }

    /// The number of the group's own row.
    unsigned int RowOfGroup(const Group& group) const;
    /// The number of the row of the group's user shown at index.
    unsigned int RowOfUser(const Group& group, size_t index) const { return RowOfGroup(group) + 1 + index; }
    /// The group of a row and the index of its user among the shown (SIZE_MAX: the group's own row);
    /// false past the end.
    bool Locate(unsigned int row, Group*& group, size_t& index) const;
    /// The user of a row, null for a group's row.
    const User* UserAt(unsigned int row) const;
    /// The item of the group's user shown at index; invalid while the group is closed.
    wxDataViewItem ItemOfUser(const Group& group, size_t index) const;
    // The view is told of a change to the group's user shown at index (before a removal, the
    // index she had), nothing while the group is closed.
    void UserInserted(const Group& group, size_t index);
    void UserDeleted(const Group& group, size_t index);
    void UserChanged(const Group& group, size_t index);
    /// Opens or closes the group; the view reads every row anew.
    void SetOpen(Group& group, bool open);
    /// The view reads every row anew.
    void ResetRows();

    /// The columns: the picture and name, then the status in a word, which a screen reader reads
    /// where a person sees the picture.
    enum Column : unsigned int
    {
        kNameColumn,
        kStatusColumn
    };
    /// The word for a status: "free", "busy", "online" or "offline".
    static wxString StatusWord(uint32_t status);

    unsigned int GetColumnCount() const override { return 2; }
    wxString GetColumnType(unsigned int col) const override
    {
        return col == kNameColumn ? "wxDataViewIconText" : "string";
    }
    void GetValueByRow(wxVariant& variant, unsigned int row, unsigned int col) const override;
    bool GetAttrByRow(unsigned int row, unsigned int col, wxDataViewItemAttr& attr) const override;
    bool SetValueByRow(const wxVariant&, unsigned int, unsigned int) override { return false; }

private:
    wxBitmapBundle IconAt(int image) const;
    unsigned int CountRows() const;

    const wxVector<wxBitmapBundle>& icons;
    std::function<int(const User&)> imageFor;
    std::function<wxString(const User&)> textFor;
    std::vector<std::unique_ptr<Group>> groups;
};
