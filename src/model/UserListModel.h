// The performers of one group of a user tree, in the order a person looks for a name: letters
// whatever their case, a run of digits by its value ("anna2" before "anna10"), and the exact
// names where that leaves two equal, so that the order is total and never depends on the site.
//
// A user is hidden (the name filter keeps her out), waiting (the filter lets her through but she
// is not on screen yet: a tree puts thousands in a slice at a time) or shown. The shown users are
// the items of the group, in this order: the index among them is where an item goes.
#pragma once

#include "model/BlockedList.h"
#include "model/NameFilter.h"
#include "model/User.h"
#include "model/UserList.h"

#include <wx/string.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>


class UserListModel
{
public:
    enum class Place
    {
        Absent,
        Hidden,
        Waiting,
        Shown
    };

    /// The key that orders names by plain byte comparison: case folded, a run of digits as its
    /// length (written as a digit) then its digits without leading zeros.
    static std::string SortKey(const wxString& name);
    /// True when a comes before b.
    static bool Before(const wxString& a, const wxString& b);

    /// Adds a user, shown at once when the filter lets her through, or changes the one of that
    /// name (who keeps her place). Her place afterwards; when she has just been shown, her index
    /// among the shown goes to shownIndex, which is left alone otherwise.
    Place Put(const User& user, size_t* shownIndex = nullptr);
    /// Adds the users of a list, sorted once: those the filter lets through wait for their slice.
    /// Users already present are changed in place.
    void PutAll(const UserList& users);
    /// The same a part at a time: each TakeWaiting puts in up to its max users, sorted among
    /// those in, instead of showing any, until the list is all in. The list is kept (shared)
    /// meanwhile. Any other change, and any question about a name, first puts in the rest, so
    /// that a performer gone or changed since the list never comes back as the list had her.
    void PutAllLater(std::shared_ptr<const UserList> users);
    /// Whether a list is still being put in.
    bool IsPutting() const { return pendingList != nullptr; }
    /// Takes the user of that name out; false when there is none.
    bool Remove(const wxString& name);
    /// Everybody out; the filter stays.
    void Clear();

    const User* Find(const wxString& name) const;
    Place PlaceOf(const wxString& name) const;
    /// Where the name is, or would go, among the shown users: O(log n) comparisons of names.
    size_t ShownIndex(const wxString& name) const;
    /// Where the name is, or would go, among all users: O(log n) comparisons of names.
    size_t Index(const wxString& name) const;
    const User& At(size_t index) const
    {
        Settle();
        return all.at(index)->user;
    }
    const User& ShownAt(size_t index) const { return shown.at(index)->user; }

    /// What a display keeps for a shown user (a tree: her item), null when none; it goes as she
    /// stops being shown.
    void* GetTag(const wxString& name) const;
    void SetTag(const wxString& name, void* tag);
    void SetShownTag(size_t shownIndex, void* tag) { shown.at(shownIndex)->tag = tag; }

    /// A new filter. The shown users it keeps out are hidden and their tags returned (their
    /// items must go); the hidden ones it lets through wait.
    std::vector<void*> SetFilter(const NameFilter& newFilter);
    const NameFilter& GetFilter() const { return filter; }
    /// Shows the next waiting users in name order, at most max of them; those now shown, each
    /// with her index among the shown as she came (in this order, no later one goes before her).
    std::vector<std::pair<const User*, size_t>> TakeWaiting(size_t max);
    /// Shows that waiting user now, out of turn; false when she was not waiting.
    bool TakeNow(const wxString& name);
    /// Every shown user waits again (the tree emptied the group to fill it anew).
    void UnshowAll();

    // A list still being put in counts whole; its users not yet read count as let through.
    size_t GetTotalCount() const { return all.size() + pendingReady.size() + pendingLeft; }
    /// What the filter lets through: the shown and the waiting.
    size_t GetPassingCount() const { return shown.size() + GetWaitingCount(); }
    size_t GetShownCount() const { return shown.size(); }
    size_t GetWaitingCount() const { return waiting + pendingLeft; }
    size_t GetHiddenCount() const { return GetTotalCount() - GetPassingCount(); }

private:
    struct Entry
    {
        User user;
        std::string key;
        Place place;
        void* tag = nullptr;
    };
    struct Order
    {
        bool operator()(const Entry* a, const Entry* b) const
        {
            const int keys = a->key.compare(b->key);
            return keys != 0 ? keys < 0 : a->user.GetName() < b->user.GetName();
        }
    };
    Entry* Lookup(const wxString& name) const;
    /// A new entry, in the index by name but in no order yet.
    Entry* Make(const User& user, Place place);
    /// Her index among the shown.
    size_t Show(Entry* entry);
    static void SortFresh(std::vector<Entry*>::iterator first, std::vector<Entry*>::iterator last);
    /// Makes entries for the users of the list from next, at most max; those new are sorted and
    /// merged into sorted, which was in order; how many users of the list were read.
    template <typename Iterator>
    size_t MakeEntries(Iterator& next, Iterator end, size_t max, std::vector<Entry*>& sorted);
    /// Puts in up to max more users of the list being put in; all in, it joins the others.
    void PutSome(size_t max);
    /// Puts in the rest of a list being put in. The model is never a const object: a question
    /// asked of it finishes the work as a change would.
    void Settle() const;

    // Entries stay where they are made (removed ones are made anew in their place); the index
    // by name looks at each entry's own name, which never changes, instead of a copy of it.
    std::deque<Entry> store;
    std::vector<Entry*> unused;
    std::unordered_map<std::wstring_view, Entry*> byName;
    BlockedList<Entry*, Order> all;   // in name order
    BlockedList<Entry*, Order> shown; // in name order, the group's items
    size_t waiting = 0;
    size_t nextWaiting = 0; // where in all the search for the next waiting user resumes
    NameFilter filter;
    // The list being put in, where its reading goes on, how many are still to read, and the
    // entries made from it so far, in name order.
    std::shared_ptr<const UserList> pendingList;
    std::optional<UserList::const_iterator> pendingNext;
    size_t pendingLeft = 0;
    std::vector<Entry*> pendingReady;
};
