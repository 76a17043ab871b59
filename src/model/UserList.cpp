// The users of one poll keyed by exact name, and the difference between two polls.
#include "model/UserList.h"

#include <utility>

namespace
{
std::wstring_view ViewOf(const wxString& name)
{
    return std::wstring_view(name.wc_str(), name.length());
}
} // namespace

UserList::Contents* UserList::NoUsers()
{
    // Held by this pointer for the whole run, so never deleted; a list that adds to them takes
    // its own first, as it would from any other list.
    static Contents* const none = new Contents;
    return none;
}

UserList::UserList() : contents(NoUsers())
{
    contents->holders.fetch_add(1, std::memory_order_relaxed);
}

UserList::~UserList()
{
    Release();
}

UserList::UserList(const UserList& other) : contents(other.contents)
{
    contents->holders.fetch_add(1, std::memory_order_relaxed);
}

UserList& UserList::operator=(const UserList& other)
{
    UserList copy(other);
    std::swap(contents, copy.contents);
    return *this;
}

// A list moved from is left empty, not without contents: it may still be used.
UserList::UserList(UserList&& other) noexcept : UserList()
{
    std::swap(contents, other.contents);
}

UserList& UserList::operator=(UserList&& other) noexcept
{
    UserList taken(std::move(other));
    std::swap(contents, taken.contents);
    return *this;
}

void UserList::Release()
{
    // The last holder sees every change made before the others let go.
    if (contents->holders.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete contents;
}

UserList::Map& UserList::Own()
{
    // One holder means that no other list holds the contents, so no other thread reads them:
    // a list on another thread holds them while it reads, and the acquire orders the changes
    // below after the reads of a thread that has let go since. With more holders the contents
    // are copied, and the copy is this list's alone; a count that drops meanwhile only makes the
    // copy unneeded.
    if (contents->holders.load(std::memory_order_acquire) != 1)
    {
        Contents* copy = new Contents;
        copy->users = contents->users;
        Release();
        contents = copy;
    }
    return contents->users;
}

void UserList::Clear()
{
    if (IsEmpty())
        return;
    if (contents->holders.load(std::memory_order_acquire) != 1)
        *this = UserList();
    else
        contents->users.clear();
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
    const auto it = contents->users.find(name);
    return it == contents->users.end() ? nullptr : &it->second;
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
    for (const auto& [name, user] : newer.contents->users)
    {
        const User* old = FindUser(name);
        if (!old)
            added.AddUser(user);
        else if (user != *old)
            changed.AddUser(user);
    }
    for (const auto& [name, user] : contents->users)
    {
        if (!newer.FindUser(name))
            deleted.AddUser(user);
    }
}
