// What the native view of a user tree shows: the groups as containers, their performers as
// leaves, one column of a picture and a text.
#pragma once

#include "model/UserListModel.h"

#include <wx/bmpbndl.h>
#include <wx/dataview.h>

#include <functional>
#include <memory>
#include <vector>

class UserListViewModel : public wxDataViewModel
{
public:
    struct Group;
    /// A shown performer: the view knows her by this row, which outlives her entry in the group's
    /// model until the view has been told that she went.
    struct Row
    {
        Group* group;
        wxString name;
    };
    struct Group
    {
        wxString label;
        int image = -1;
        // Closed by the person: the others stay open as the view reads the groups anew.
        bool closed = false;
        UserListModel users;
        // The shown users' rows, in the order of the model's shown users.
        std::vector<Row*> rows;
    };

    /// icons are the tree's pictures by index; imageFor gives a user's index (-1: none).
    UserListViewModel(const wxVector<wxBitmapBundle>& icons, std::function<int(const User&)> imageFor);
    ~UserListViewModel() override;

    /// A new group below the root, after the others; the view is told.
    wxDataViewItem AddGroup(const wxString& label, int image);
    const std::vector<std::unique_ptr<Group>>& GetGroups() const { return groups; }
    /// The group an item stands for, null for the root and the rows.
    Group* GroupOf(const wxDataViewItem& item) const;
    /// The row an item stands for, null for the root and the groups.
    Row* RowOf(const wxDataViewItem& item) const;
    static wxDataViewItem ItemOf(const Group* group) { return wxDataViewItem(const_cast<Group*>(group)); }
    static wxDataViewItem ItemOf(const Row* row) { return wxDataViewItem(const_cast<Row*>(row)); }

    /// Makes the row of a user the group's model has just shown at index among its shown users;
    /// the view is told unless quiet (a bulk change, followed by Cleared()).
    Row* InsertRow(Group& group, size_t index, const wxString& name, bool quiet);
    /// Takes away the row at index; the view is told unless quiet.
    void RemoveRow(Group& group, size_t index, bool quiet);
    /// Takes away many rows at once, keeping the others' order; the view must be Cleared().
    void RemoveRows(Group& group, const std::vector<void*>& leaving);
    /// Every row of the group goes; the view must be Cleared().
    void RemoveAllRows(Group& group);

    unsigned int GetColumnCount() const override { return 1; }
    wxString GetColumnType(unsigned int) const override { return "wxDataViewIconText"; }
    void GetValue(wxVariant& variant, const wxDataViewItem& item, unsigned int col) const override;
    bool SetValue(const wxVariant&, const wxDataViewItem&, unsigned int) override { return false; }
    wxDataViewItem GetParent(const wxDataViewItem& item) const override;
    bool IsContainer(const wxDataViewItem& item) const override;
    bool HasContainerColumns(const wxDataViewItem&) const override { return true; }
    unsigned int GetChildren(const wxDataViewItem& item, wxDataViewItemArray& children) const override;

private:
    wxBitmapBundle IconAt(int image) const;

    const wxVector<wxBitmapBundle>& icons;
    std::function<int(const User&)> imageFor;
    std::vector<std::unique_ptr<Group>> groups;
};
