// The user an item of a user tree stands for; its name is the item's label.
#include "ui/UserListTreeItemData.h"

#include "ui/UserItemIndex.h"
#include "util/Trace.h"

UserListTreeItemData::UserListTreeItemData(const User& user_, UserItemIndex* index_) : user(user_), index(index_)
{
}

UserListTreeItemData::~UserListTreeItemData()
{
    // The tree deletes an item's data with the item, however the item goes (one delete, a
    // group emptied, the tree closing): the index forgets it here, in every case.
    if (index && GetId().IsOk())
        index->ForgetItem(user.GetName(), GetId());
}
