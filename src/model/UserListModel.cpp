// The performers of one group of a user tree, in name order, with the filter and the counts.
#include "model/UserListModel.h"

#include "model/UserList.h"

#include <algorithm>
#include <cstdint>

namespace
{
void AppendUtf8(std::string& out, wxUint32 c)
{
    if (c < 0x80)
        out += static_cast<char>(c);
    else if (c < 0x800)
        out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    else if (c < 0x10000)
        out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                static_cast<char>(0x80 | (c & 0x3F))};
    else
        out += {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
}

bool IsDigit(wxUniChar c)
{
    return c >= '0' && c <= '9';
}
} // namespace

std::string UserListModel::SortKey(const wxString& name)
{
    std::string key;
    key.reserve(name.length() + 4);
    for (auto c = name.begin(); c != name.end();)
    {
        if (!IsDigit(*c))
        {
            // UTF-8 bytes compare as the characters do.
            const wxUniChar ch = *c++;
            if (ch.IsAscii())
                key += static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : static_cast<char>(ch));
            else
                AppendUtf8(key, static_cast<wxUint32>(wxTolower(ch)));
            continue;
        }
        // A number: the longer (without leading zeros) is the larger; the same length compares
        // digit by digit. Its length is written as a digit ('0' + length), so that numbers stay
        // where digits stand among the characters and most keys stay short enough to be kept
        // inline; from nine digits on, '9' and the length follow.
        while (c != name.end() && *c == '0')
            ++c;
        const auto first = c;
        while (c != name.end() && IsDigit(*c))
            ++c;
        const size_t length = static_cast<size_t>(c - first);
        if (length < 9)
            key += static_cast<char>('0' + length);
        else
            key += {'9', static_cast<char>(std::min<size_t>(length, 255))};
        for (auto digit = first; digit != c; ++digit)
            key += static_cast<char>(*digit);
        // A run of zeros alone has no digits left: "a0" and "a00" fall back on their names.
    }
    return key;
}

bool UserListModel::Before(const wxString& a, const wxString& b)
{
    const std::string keyA = SortKey(a), keyB = SortKey(b);
    return keyA != keyB ? keyA < keyB : a < b;
}

namespace
{
// The view points into the string itself only where wxString holds wide characters.
static_assert(wxUSE_UNICODE_WCHAR, "names are looked up through views of their wide characters");

std::wstring_view ViewOf(const wxString& name)
{
    return std::wstring_view(name.wc_str(), name.length());
}
} // namespace

UserListModel::Entry* UserListModel::Lookup(const wxString& name) const
{
    const auto found = byName.find(ViewOf(name));
    return found == byName.end() ? nullptr : found->second;
}

UserListModel::Entry* UserListModel::Make(const User& user, Place place)
{
    Entry* entry;
    if (unused.empty())
        entry = &store.emplace_back(Entry{user, SortKey(user.GetName()), place});
    else
    {
        entry = unused.back();
        unused.pop_back();
        *entry = Entry{user, SortKey(user.GetName()), place};
    }
    byName.emplace(ViewOf(entry->user.GetName()), entry);
    return entry;
}

const User* UserListModel::Find(const wxString& name) const
{
    Settle();
    const Entry* entry = Lookup(name);
    return entry ? &entry->user : nullptr;
}

UserListModel::Place UserListModel::PlaceOf(const wxString& name) const
{
    Settle();
    const Entry* entry = Lookup(name);
    return entry ? entry->place : Place::Absent;
}

void* UserListModel::GetTag(const wxString& name) const
{
    Settle();
    const Entry* entry = Lookup(name);
    return entry ? entry->tag : nullptr;
}

void UserListModel::SetTag(const wxString& name, void* tag)
{
    Settle();
    if (Entry* entry = Lookup(name))
        entry->tag = tag;
}

size_t UserListModel::ShownIndex(const wxString& name) const
{
    Settle();
    Entry probe{User(name, 0), SortKey(name), Place::Absent};
    return shown.lower_bound(&probe);
}

size_t UserListModel::Index(const wxString& name) const
{
    Settle();
    Entry probe{User(name, 0), SortKey(name), Place::Absent};
    return all.lower_bound(&probe);
}

size_t UserListModel::Show(Entry* entry)
{
    if (entry->place == Place::Waiting)
        --waiting;
    entry->place = Place::Shown;
    return shown.insert(entry);
}

UserListModel::Place UserListModel::Put(const User& user, size_t* shownIndex)
{
    Settle();
    if (Entry* entry = Lookup(user.GetName()))
    {
        // Her status only: the index by name looks at the name she has.
        entry->user.SetStatus(user.GetStatus());
        return entry->place;
    }
    Entry* entry = Make(user, Place::Hidden);
    // The search for waiting users resumes at the same user.
    if (all.insert(entry) < nextWaiting)
        ++nextWaiting;
    if (filter.Matches(user.GetName()))
    {
        const size_t index = Show(entry);
        if (shownIndex)
            *shownIndex = index;
    }
    return entry->place;
}

void UserListModel::SortFresh(std::vector<Entry*>::iterator first, std::vector<Entry*>::iterator last)
{
    // Sorted beside the first eight bytes of their keys: most comparisons end there, without
    // reaching the entries scattered in memory.
    struct Sortable
    {
        uint64_t head;
        Entry* entry;
    };
    std::vector<Sortable> fresh;
    fresh.reserve(static_cast<size_t>(last - first));
    for (auto entry = first; entry != last; ++entry)
    {
        uint64_t head = 0;
        const std::string& key = (*entry)->key;
        for (size_t i = 0; i < 8; ++i)
            head = head << 8 | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
        fresh.push_back({head, *entry});
    }
    std::sort(fresh.begin(), fresh.end(), [](const Sortable& a, const Sortable& b) {
        return a.head != b.head ? a.head < b.head : Order()(a.entry, b.entry);
    });
    for (const Sortable& sortable : fresh)
        *first++ = sortable.entry;
}

template <typename Iterator>
size_t UserListModel::MakeEntries(Iterator& next, Iterator end, size_t max, std::vector<Entry*>& sorted)
{
    const size_t before = sorted.size();
    size_t read = 0;
    for (; next != end && read < max; ++next, ++read)
    {
        const auto& listed = *next;
        if (Entry* entry = Lookup(listed.first))
        {
            entry->user.SetStatus(listed.second.GetStatus());
            continue;
        }
        const bool passes = filter.Matches(listed.first);
        waiting += passes ? 1 : 0;
        sorted.push_back(Make(listed.second, passes ? Place::Waiting : Place::Hidden));
    }
    SortFresh(sorted.begin() + static_cast<std::ptrdiff_t>(before), sorted.end());
    std::inplace_merge(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(before), sorted.end(), Order());
    return read;
}

void UserListModel::PutAll(const UserList& users)
{
    Settle();
    // Appended, then sorted once: inserting thousands one by one would move the rest each time.
    std::vector<Entry*> sorted = all.to_vector();
    byName.reserve(byName.size() + users.GetCount());
    sorted.reserve(sorted.size() + users.GetCount());
    auto next = users.begin();
    MakeEntries(next, users.end(), users.GetCount(), sorted);
    all.assign(sorted);
    nextWaiting = 0;
}

void UserListModel::PutAllLater(std::shared_ptr<const UserList> users)
{
    Settle();
    if (!users || users->IsEmpty())
        return;
    byName.reserve(byName.size() + users->GetCount());
    pendingReady.reserve(users->GetCount());
    pendingNext = users->begin();
    pendingLeft = users->GetCount();
    pendingList = std::move(users);
}

void UserListModel::PutSome(size_t max)
{
    // Each part is sorted and merged into those made before it: a part costs its own sort and
    // one pass over the others, never the whole list's sort in one turn.
    pendingLeft -= MakeEntries(*pendingNext, pendingList->end(), max, pendingReady);
    if (pendingLeft > 0)
        return;
    std::vector<Entry*> sorted = all.to_vector();
    const size_t old = sorted.size();
    sorted.insert(sorted.end(), pendingReady.begin(), pendingReady.end());
    std::inplace_merge(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(old), sorted.end(), Order());
    all.assign(sorted);
    nextWaiting = 0;
    pendingReady = std::vector<Entry*>();
    pendingNext.reset();
    pendingList.reset();
}

void UserListModel::Settle() const
{
    if (pendingList)
        const_cast<UserListModel*>(this)->PutSome(SIZE_MAX);
}

bool UserListModel::Remove(const wxString& name)
{
    Settle();
    const auto found = byName.find(ViewOf(name));
    if (found == byName.end())
        return false;
    Entry* entry = found->second;
    if (all.erase(entry) < nextWaiting)
        --nextWaiting;
    if (entry->place == Place::Shown)
        shown.erase(entry);
    else if (entry->place == Place::Waiting)
        --waiting;
    byName.erase(found);
    unused.push_back(entry);
    return true;
}

void UserListModel::Clear()
{
    all.clear();
    shown.clear();
    byName.clear();
    store.clear();
    unused.clear();
    waiting = 0;
    nextWaiting = 0;
    pendingReady.clear();
    pendingNext.reset();
    pendingLeft = 0;
    pendingList.reset();
}

std::vector<void*> UserListModel::SetFilter(const NameFilter& newFilter)
{
    Settle();
    filter = newFilter;
    std::vector<void*> leaving;
    std::vector<Entry*> staying;
    staying.reserve(shown.size());
    waiting = 0;
    all.for_each([&](Entry* entry) {
        const bool passes = filter.Matches(entry->user.GetName());
        if (entry->place == Place::Shown && !passes)
        {
            leaving.push_back(entry->tag);
            entry->tag = nullptr;
        }
        else if (entry->place == Place::Shown)
            staying.push_back(entry);
        entry->place = entry->place == Place::Shown && passes ? Place::Shown : passes ? Place::Waiting : Place::Hidden;
        waiting += entry->place == Place::Waiting ? 1 : 0;
    });
    shown.assign(staying);
    nextWaiting = 0;
    return leaving;
}

std::vector<std::pair<const User*, size_t>> UserListModel::TakeWaiting(size_t max)
{
    std::vector<std::pair<const User*, size_t>> taken;
    // While a list goes in, its reading takes the slice; what the slice has left, once the list
    // is all in, shows the first of its users.
    if (pendingList)
    {
        const size_t left = pendingLeft;
        PutSome(max);
        if (pendingList || left >= max)
            return taken;
        max -= left;
    }
    for (; nextWaiting < all.size() && taken.size() < max && waiting > 0; ++nextWaiting)
    {
        Entry* entry = all.at(nextWaiting);
        if (entry->place != Place::Waiting)
            continue;
        taken.emplace_back(&entry->user, Show(entry));
    }
    return taken;
}

bool UserListModel::TakeNow(const wxString& name)
{
    Settle();
    Entry* entry = Lookup(name);
    if (!entry || entry->place != Place::Waiting)
        return false;
    Show(entry);
    return true;
}

void UserListModel::UnshowAll()
{
    Settle();
    shown.for_each([](Entry* entry) {
        entry->place = Place::Waiting;
        entry->tag = nullptr;
    });
    waiting += shown.size();
    shown.clear();
    nextWaiting = 0;
}
