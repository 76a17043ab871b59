// The users of one poll keyed by exact name, and the difference between two polls.
#include "model/UserList.h"

#include <atomic>

namespace
{
std::wstring_view ViewOf(const wxString& name)
{
    return std::wstring_view(name.wc_str(), name.length());
}
} // namespace

// Every empty list starts with these contents, which nobody changes: a list that adds to them
// takes its own first, as it would from any other list.
const std::shared_ptr<UserList::Map>& UserList::NoUsers()
{
    static const std::shared_ptr<Map> none = std::make_shared<Map>();
    return none;
}

UserList::UserList() : users(NoUsers())
{
}

// A list moved from is left empty, not without contents: it may still be used.
UserList::UserList(UserList&& other) noexcept : users(std::move(other.users))
{
    other.users = NoUsers();
}

UserList& UserList::operator=(UserList&& other) noexcept
{
    if (this != &other)
    {
        users = std::move(other.users);
        other.users = NoUsers();
    }
    return *this;
}

UserList::Map& UserList::Own()
{
    // A count of one means that no other list holds the contents, so no other thread can be
    // reading them either: a list on another thread holds its own reference while it reads.
    // A count above one may be stale (a copy being dropped elsewhere); copying then is merely
    // unneeded, never wrong. The count is read without ordering: the fence orders the changes
    // after the reads that another thread made before it dropped its copy.
    if (users.use_count() != 1)
        users = std::make_shared<Map>(*users);
    else
        std::atomic_thread_fence(std::memory_order_acquire);
    return *users;
}

void UserList::Clear()
{
    if (users->empty())
        return;
    if (users.use_count() != 1)
        users = NoUsers();
    else
        Own().clear();
}

void UserList::AddUser(const User& user)
{
    Map& map = Own();
    const auto [at, added] = map.try_emplace(ViewOf(user.GetName()), user);
    // The key views the name object of the user in the node: that one stays.
    if (!added)
        at->second.SetStatus(user.GetStatus());
}

void UserList::RemoveUser(const wxString& name)
{
    if (FindUser(name))
        Own().erase(ViewOf(name));
}

const User* UserList::FindUser(const wxString& name) const
{
    return FindUser(ViewOf(name));
}

const User* UserList::FindUser(std::wstring_view name) const
{
    const auto it = users->find(name);
    return it == users->end() ? nullptr : &it->second;
}

const User& UserList::GetUser(const wxString& name) const
{
    static const User absent;
    const User* user = FindUser(name);
    return user ? *user : absent;
}

void UserList::Reserve(size_t count)
{
    Own().reserve(count);
}

void UserList::GetDifference(const UserList& newer, UserList& added, UserList& deleted, UserList& changed) const
{
    deleted.Clear();
    // The site's list unchanged since: nothing came, went or changed.
    if (SharesContentsWith(newer))
        return;
    for (const auto& [name, user] : *newer.users)
    {
        const User* old = FindUser(name);
        if (!old)
            added.AddUser(user);
        else if (user != *old)
            changed.AddUser(user);
    }
    for (const auto& [name, user] : *users)
    {
        if (!newer.FindUser(name))
            deleted.AddUser(user);
    }
}
