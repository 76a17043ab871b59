// Users kept by exact name, and the difference between two polls' lists. (The trees' icons and a
// favourite's moves between groups show in the tree tests; users changed, kept, gone and new in
// the polling thread's.)
#include "model/UserList.h"

#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

TEST(UserListTest, DifferenceOfTwoPolls)
{
    struct Lists
    {
        Statuses added, deleted, changed;
    };
    const Statuses two{{"amber", 0x03}, {"luna", 0x0D}};
    // What the case shows, the older and the newer list, the lists expected, and what they held before.
    const std::tuple<const char*, Statuses, Statuses, Lists, Lists> cases[] = {
        {"empty older list", {}, two, {two, {}, {}}, {}},
        {"empty newer list", two, {}, {{}, two, {}}, {}},
        {"names that differ only in case are different users",
         {{"amber", 0x03}, {"LUNA", 0x0D}},
         {{"Amber", 0x03}, {"LUNA", 0x0D}, {"luna", 0x0D}},
         {{{"Amber", 0x03}, {"luna", 0x0D}}, {{"amber", 0x03}}, {}},
         {}},
        // Deleted is overwritten; added and changed keep what they held, a name already there
        // taking the newer record.
        {"result lists not empty",
         {{"amber", 0x03}, {"luna", 0x0D}, {"rosa", 0x01}},
         {{"amber", 0x03}, {"luna", 0x15}, {"nova", 0x0D}},
         {{{"earlier", 0x01}, {"nova", 0x0D}}, {{"rosa", 0x01}}, {{"old", 0x0D}, {"luna", 0x15}}},
         {{{"earlier", 0x01}, {"nova", 0x01}}, {{"stale", 0x03}, {"luna", 0x0D}}, {{"old", 0x0D}, {"luna", 0x01}}}},
    };
    for (const auto& [what, older, newer, expected, before] : cases)
    {
        SCOPED_TRACE(what);
        UserList added = ListOf(before.added), deleted = ListOf(before.deleted), changed = ListOf(before.changed);
        ListOf(older).GetDifference(ListOf(newer), added, deleted, changed);
        EXPECT_EQ(expected.added, StatusesOf(added));
        EXPECT_EQ(expected.deleted, StatusesOf(deleted));
        EXPECT_EQ(expected.changed, StatusesOf(changed));
    }
}

// A copy shares its users until one of the two lists changes; the change is that list's alone,
// made to the copy or to the original. Every copy of a user, and the difference's users, keep the
// one name object of the list they came from.
TEST(UserListTest, CopiesShareNamesAndKeepEachOthersChangesOut)
{
    const Statuses two{{"amber", 0x03}, {"luna", 0x0D}};
    const std::pair<const char*, void (*)(UserList&)> changes[] = {
        {"a user added", [](UserList& list) { list.AddUser(User("nova", 0x01)); }},
        {"a status changed", [](UserList& list) { list.AddUser(User("luna", 0x15)); }},
        {"a user removed", [](UserList& list) { list.RemoveUser("amber"); }},
        {"cleared", [](UserList& list) { list.Clear(); }},
    };
    for (const auto& [what, change] : changes)
    {
        for (const bool changeCopy : {true, false})
        {
            SCOPED_TRACE(std::string(what) + (changeCopy ? " to the copy" : " to the original"));
            UserList original = ListOf(two);
            UserList copy = original;
            EXPECT_EQ(&original.GetUser("luna").GetName(), &copy.GetUser("luna").GetName());
            UserList expected = ListOf(two);
            change(expected);
            change(changeCopy ? copy : original);
            EXPECT_EQ(two, StatusesOf(changeCopy ? original : copy));
            EXPECT_EQ(StatusesOf(expected), StatusesOf(changeCopy ? copy : original));
        }
    }
    const UserList older = ListOf(two);
    UserList newer = older;
    newer.AddUser(User("luna", 0x15));
    newer.AddUser(User("nova", 0x01));
    UserList added, deleted, changed;
    older.GetDifference(newer, added, deleted, changed);
    EXPECT_EQ(&newer.GetUser("nova").GetName(), &added.GetUser("nova").GetName());
    EXPECT_EQ(&older.GetUser("luna").GetName(), &changed.GetUser("luna").GetName());
}
