// Where a user tree lists its items by name: an item's data leaves it as the item goes.
#pragma once

#include <wx/string.h>
#include <wx/treebase.h>

class UserItemIndex
{
public:
    /// The item of that name is going; it must no longer be listed.
    virtual void ForgetItem(const wxString& name, const wxTreeItemId& item) = 0;

protected:
    // An item's data never owns the index it is listed in.
    ~UserItemIndex() = default;
};
