// The user an item of a user tree stands for; its name is the item's label.
#pragma once

#include "model/User.h"

#include <wx/treebase.h>

class UserItemIndex;

class UserListTreeItemData : public wxTreeItemData
{
public:
    explicit UserListTreeItemData(const User& user, UserItemIndex* index = nullptr);
    ~UserListTreeItemData() override;

    const User& GetUser() const { return user; }
    void SetUser(const User& newUser) { user = newUser; }

private:
    User user;
    UserItemIndex* index; // the tree's name index that lists this item, if any
};
