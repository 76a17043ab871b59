// Users compared by exact name and status, and the difference between two polls' lists.
#include "model/UserList.h"

#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
UserList ListOf(const Statuses& statuses)
{
    UserList list;
    for (const auto& entry : statuses)
        list.AddUser(User(wxString::FromUTF8(entry.first), entry.second));
    return list;
}

struct Difference
{
    Statuses added, deleted, changed;
};

Difference Diff(const Statuses& older, const Statuses& newer, const Difference& before = Difference())
{
    UserList added = ListOf(before.added), deleted = ListOf(before.deleted), changed = ListOf(before.changed);
    ListOf(older).GetDifference(ListOf(newer), added, deleted, changed);
    return {StatusesOf(added), StatusesOf(deleted), StatusesOf(changed)};
}
} // namespace

TEST(UserTest, EqualMeansSameNameAndSameStatus)
{
    EXPECT_EQ(User("amber", 0x03), User("amber", 0x03));
    EXPECT_NE(User("amber", 0x03), User("amber", 0x0D));
    EXPECT_NE(User("amber", 0x03), User("Amber", 0x03));
    EXPECT_NE(User("amber", 0x03), User("amber ", 0x03));
    EXPECT_FALSE(User("amber", 0x03) != User("amber", 0x03));

    User user("luna", 0x01);
    user.SetStatus(0x15);
    EXPECT_EQ(0x15u, user.GetStatus());
    EXPECT_EQ("luna", user.GetName());
    EXPECT_EQ(0u, User().GetStatus());
    EXPECT_TRUE(User().GetName().empty());
}

TEST(UserListTest, AddReplacesByExactNameAndLookUpsLeaveTheListAlone)
{
    UserList list;
    list.AddUser(User("amber", 0x03));
    list.AddUser(User("Amber", 0x0D));
    list.AddUser(User("amber", 0x15));
    EXPECT_EQ(2u, list.GetCount());
    EXPECT_EQ(0x15u, list.GetUser("amber").GetStatus());
    EXPECT_EQ(0x0Du, list.GetUser("Amber").GetStatus());

    EXPECT_EQ(nullptr, list.FindUser("AMBER"));
    EXPECT_EQ(nullptr, list.FindUser("ambe"));
    list.RemoveUser("AMBER");
    EXPECT_EQ(2u, list.GetCount());
    EXPECT_EQ(0u, list.GetUser("nobody").GetStatus());
    EXPECT_EQ(2u, list.GetCount());

    const UserList copy = list;
    list.RemoveUser("amber");
    list.AddUser(User("Amber", 0x01));
    EXPECT_EQ((Statuses{{"amber", 0x15}, {"Amber", 0x0D}}), StatusesOf(copy));
    EXPECT_EQ((Statuses{{"Amber", 0x01}}), StatusesOf(list));

    list.Clear();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_TRUE(list.begin() == list.end());
}

TEST(UserListTest, DifferenceOfTwoPolls)
{
    struct Case
    {
        const char* what;
        Statuses older, newer;
        Difference expected;
    };
    const Statuses three{{"amber", 0x03}, {"luna", 0x0D}, {"kitty", 0x15}};
    const Case cases[] = {
        {"same lists", three, three, {}},
        {"empty older list", {}, three, {three, {}, {}}},
        {"empty newer list", three, {}, {{}, three, {}}},
        {"both empty", {}, {}, {}},
        {"changed, kept, gone and new",
         {{"amber", 0x03}, {"luna", 0x0D}, {"kitty", 0x15}, {"rosa", 0x01}},
         {{"amber", 0x03}, {"luna", 0x15}, {"kitty", 0x03}, {"nova", 0x0D}},
         {{{"nova", 0x0D}}, {{"rosa", 0x01}}, {{"luna", 0x15}, {"kitty", 0x03}}}},
        {"a status of 0 counts like any other",
         {{"amber", 0x00}, {"luna", 0x01}},
         {{"amber", 0x01}, {"luna", 0x00}},
         {{}, {}, {{"amber", 0x01}, {"luna", 0x00}}}},
        {"names that differ only in case are different users",
         {{"amber", 0x03}, {"LUNA", 0x0D}},
         {{"Amber", 0x03}, {"LUNA", 0x0D}, {"luna", 0x0D}},
         {{{"Amber", 0x03}, {"luna", 0x0D}}, {{"amber", 0x03}}, {}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const Difference got = Diff(c.older, c.newer);
        EXPECT_EQ(c.expected.added, got.added);
        EXPECT_EQ(c.expected.deleted, got.deleted);
        EXPECT_EQ(c.expected.changed, got.changed);
    }
}

// The deleted list is overwritten; the added and changed lists keep what they held, and an
// entry of the same name there is overwritten by the newer record.
TEST(UserListTest, DifferenceOverwritesDeletedAndAppendsToAddedAndChanged)
{
    const Difference before{{{"earlier", 0x01}, {"nova", 0x01}},
                            {{"stale", 0x03}, {"luna", 0x0D}},
                            {{"old", 0x0D}, {"luna", 0x01}}};
    const Difference got = Diff({{"amber", 0x03}, {"luna", 0x0D}, {"rosa", 0x01}},
                                {{"amber", 0x03}, {"luna", 0x15}, {"nova", 0x0D}}, before);
    EXPECT_EQ((Statuses{{"earlier", 0x01}, {"nova", 0x0D}}), got.added);
    EXPECT_EQ((Statuses{{"rosa", 0x01}}), got.deleted);
    EXPECT_EQ((Statuses{{"old", 0x0D}, {"luna", 0x15}}), got.changed);
}

TEST(UserListTest, DifferenceLeavesBothListsAsTheyWere)
{
    const UserList older = ListOf({{"amber", 0x03}, {"luna", 0x0D}});
    const UserList newer = ListOf({{"luna", 0x15}, {"nova", 0x01}});
    UserList added, deleted, changed;
    older.GetDifference(newer, added, deleted, changed);
    EXPECT_EQ((Statuses{{"amber", 0x03}, {"luna", 0x0D}}), StatusesOf(older));
    EXPECT_EQ((Statuses{{"luna", 0x15}, {"nova", 0x01}}), StatusesOf(newer));
}
