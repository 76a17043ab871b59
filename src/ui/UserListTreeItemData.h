// The user an item of a user tree stands for; its name is the item's label.
#pragma once

#include "model/User.h"

#include <wx/treebase.h>

class UserListTreeCtrl;

class UserListTreeItemData : public wxTreeItemData
{
public:
    explicit UserListTreeItemData(const User& user, UserListTreeCtrl* tree = nullptr);
    ~UserListTreeItemData() override;

    const User& GetUser() const { return user; }
    void SetUser(const User& newUser) { user = newUser; }

private:
    User user;
    UserListTreeCtrl* tree; // whose name index lists this item, if any
};
