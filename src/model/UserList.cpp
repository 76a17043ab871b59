// The users of one poll keyed by exact name, and the difference between two polls.
#include "model/UserList.h"

UserList::UserList() : users(100)
{
}

void UserList::Clear()
{
    users.clear();
}

void UserList::AddUser(const User& user)
{
    users[user.GetName()] = user;
}

void UserList::RemoveUser(const wxString& name)
{
    users.erase(name);
}

const User* UserList::FindUser(const wxString& name) const
{
    const_iterator it = users.find(name);
    return it == users.end() ? nullptr : &it->second;
}

const User& UserList::GetUser(const wxString& name) const
{
    static const User absent;
    const User* user = FindUser(name);
    return user ? *user : absent;
}

void UserList::GetDifference(const UserList& newer, UserList& added, UserList& deleted, UserList& changed) const
{
    deleted = *this;
    for (const_iterator it = newer.begin(); it != newer.end(); ++it)
    {
        const User& user = it->second;
        const User* old = FindUser(it->first);
        if (old)
        {
            deleted.RemoveUser(it->first);
            if (user != *old)
                changed.AddUser(user);
        }
        else
        {
            added.AddUser(user);
        }
    }
}
