// The users of one poll keyed by exact name, and the difference between two polls.
//
// A copy is cheap: lists share their contents, which are never changed while shared. A list that
// is changed (AddUser, RemoveUser, Clear) first takes contents of its own when others still hold
// them, so a copy never sees the change, and the original never sees the copy's. That is also why
// a list may go to another thread: the polling thread hands the site's list to the window and to
// the history as copies, and keeps replacing its own with new ones, never changing a shared one
// in place; the site's mutex guards only its member, not the contents the copies share. Each name
// is one object (SharedName) shared by the users of every list that holds it.
#pragma once

#include "model/User.h"

// What this header brought in when it held the toolkit's hash map, and its readers use.
#include <wx/wxcrt.h>

#include <atomic>
#include <cstddef>
#include <iterator>
#include <string_view>
#include <unordered_map>
#include <utility>

class UserList
{
    // Keyed by a view of the user's own name object, which its node keeps alive: no second copy.
    using Map = std::unordered_map<std::wstring_view, User>;

public:
    /// An entry as the lists have always been walked: first the name, second the user.
    using Entry = std::pair<const wxString&, const User&>;

    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Entry;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Entry;

        /// What -> reaches: the entry, held for the length of the expression.
        struct Arrow
        {
            Entry entry;
            const Entry* operator->() const { return &entry; }
        };

        const_iterator() = default;
        explicit const_iterator(Map::const_iterator at_) : at(at_) {}

        Entry operator*() const { return Entry(at->second.GetName(), at->second); }
        Arrow operator->() const { return Arrow{**this}; }
        const_iterator& operator++()
        {
            ++at;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++at;
            return before;
        }
        bool operator==(const const_iterator& other) const { return at == other.at; }
        bool operator!=(const const_iterator& other) const { return at != other.at; }

    private:
        Map::const_iterator at;
    };
    /// The users are only changed through the list's own functions.
    using iterator = const_iterator;

    UserList();
    virtual ~UserList();
    UserList(const UserList& other);
    UserList& operator=(const UserList& other);
    UserList(UserList&& other) noexcept;
    UserList& operator=(UserList&& other) noexcept;

    const_iterator begin() const { return const_iterator(contents->users.begin()); }
    const_iterator end() const { return const_iterator(contents->users.end()); }

    size_t GetCount() const { return contents->users.size(); }
    bool IsEmpty() const { return contents->users.empty(); }

    void Clear();
    /// Adds the user, or gives a user of that name already there the new status (keeping the
    /// name object it has, an equal one).
    void AddUser(const User& user);
    /// Removes the user of that name; an absent name leaves the list unchanged.
    void RemoveUser(const wxString& name);
    const User* FindUser(const wxString& name) const;
    /// The same for a name given as its characters, without making a string of them.
    const User* FindUser(std::wstring_view name) const;
    /// The user of that name, which must be present.
    const User& GetUser(const wxString& name) const;
    /// Makes room for that many users at once, so that a long list is not rehashed as it grows.
    void Reserve(size_t count);
    /// Whether both lists share their contents (a copy not changed since), so that they are equal.
    bool SharesContentsWith(const UserList& other) const { return contents == other.contents; }

    /// Called on the older list: fills what the newer list added, deleted and changed.
    /// The deleted list is overwritten; added and changed are appended to.
    void GetDifference(const UserList& newer, UserList& added, UserList& deleted, UserList& changed) const;

private:
    // The users and how many lists hold them.
    struct Contents
    {
        std::atomic<long> holders{1};
        Map users;
    };

    /// The contents, of this list alone from now on: copied first when others hold them too.
    Map& Own();
    /// Lets go of the contents, deleting them when no other list holds them.
    void Release();
    /// The contents every empty list starts with, which nobody changes.
    static Contents* NoUsers();

    // Never null; shared with the copies until one of them changes.
    Contents* contents;
};
