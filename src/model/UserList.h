// The users of one poll keyed by exact name, and the difference between two polls.
#pragma once

#include "model/User.h"

#include <wx/hashmap.h>

WX_DECLARE_STRING_HASH_MAP(User, UserHashMap);

class UserList
{
public:
    using iterator = UserHashMap::iterator;
    using const_iterator = UserHashMap::const_iterator;

    UserList();
    virtual ~UserList() = default;
    UserList(const UserList&) = default;
    UserList& operator=(const UserList&) = default;

    iterator begin() { return users.begin(); }
    iterator end() { return users.end(); }
    const_iterator begin() const { return users.begin(); }
    const_iterator end() const { return users.end(); }

    size_t GetCount() const { return users.size(); }
    bool IsEmpty() const { return users.empty(); }

    void Clear();
    void AddUser(const User& user);
    /// Removes the user of that name; an absent name leaves the list unchanged.
    void RemoveUser(const wxString& name);
    const User* FindUser(const wxString& name) const;
    /// The user of that name, which must be present.
    const User& GetUser(const wxString& name) const;

    /// Called on the older list: fills what the newer list added, deleted and changed.
    /// The deleted list is overwritten; added and changed are appended to.
    void GetDifference(const UserList& newer, UserList& added, UserList& deleted, UserList& changed) const;

private:
    UserHashMap users;
};
