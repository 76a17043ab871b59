// Users kept by exact name, and the difference between two polls' lists. (The trees' icons and a
// favourite's moves between groups show in the tree tests; users changed, kept, gone and new in
// the polling thread's.)
#include "model/UserList.h"

#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <tuple>

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
