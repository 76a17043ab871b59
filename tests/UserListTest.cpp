// Users kept by exact name, and the difference between two polls' lists.
#include "model/UserList.h"
#include "model/UserGroups.h"

#include "UserStatuses.h"

#include <gtest/gtest.h>

TEST(UserListTest, DifferenceOfTwoPolls)
{
    struct Lists
    {
        Statuses added, deleted, changed;
    };
    const Statuses two{{"amber", 0x03}, {"luna", 0x0D}};
    const struct
    {
        const char* what;
        Statuses older, newer;
        Lists expected, before = {};
    } cases[] = {
        {"empty older list", {}, two, {two, {}, {}}},
        {"empty newer list", two, {}, {{}, two, {}}},
        {"changed, kept, gone and new",
         {{"amber", 0x03}, {"luna", 0x0D}, {"kitty", 0x15}, {"rosa", 0x01}},
         {{"amber", 0x03}, {"luna", 0x15}, {"kitty", 0x03}, {"nova", 0x0D}},
         {{{"nova", 0x0D}}, {{"rosa", 0x01}}, {{"luna", 0x15}, {"kitty", 0x03}}}},
        {"names that differ only in case are different users",
         {{"amber", 0x03}, {"LUNA", 0x0D}},
         {{"Amber", 0x03}, {"LUNA", 0x0D}, {"luna", 0x0D}},
         {{{"Amber", 0x03}, {"luna", 0x0D}}, {{"amber", 0x03}}, {}}},
        // Deleted is overwritten; added and changed keep what they held, a name already there
        // taking the newer record.
        {"result lists not empty",
         {{"amber", 0x03}, {"luna", 0x0D}, {"rosa", 0x01}},
         {{"amber", 0x03}, {"luna", 0x15}, {"nova", 0x0D}},
         {{{"earlier", 0x01}, {"nova", 0x0D}}, {{"rosa", 0x01}}, {{"old", 0x0D}, {"luna", 0x15}}},
         {{{"earlier", 0x01}, {"nova", 0x01}}, {{"stale", 0x03}, {"luna", 0x0D}}, {{"old", 0x0D}, {"luna", 0x01}}}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        UserList added = ListOf(c.before.added), deleted = ListOf(c.before.deleted), changed = ListOf(c.before.changed);
        ListOf(c.older).GetDifference(ListOf(c.newer), added, deleted, changed);
        EXPECT_EQ(c.expected.added, StatusesOf(added));
        EXPECT_EQ(c.expected.deleted, StatusesOf(deleted));
        EXPECT_EQ(c.expected.changed, StatusesOf(changed));
    }
}

// The trees' rules: the icon of each status the site produces, and a favourite's moves.
TEST(UserGroupsTest, IconsAndFavouriteMovesOfEveryStatusTheSiteProduces)
{
    const struct
    {
        uint32_t status;
        StatusIcon icon;
        FavoriteGroup group;
    } statuses[] = {
        {0x00, StatusIcon::Offline, FavoriteGroup::Offline}, {0x01, StatusIcon::None, FavoriteGroup::Online},
        {0x03, StatusIcon::Free, FavoriteGroup::Online},     {0x0D, StatusIcon::Busy, FavoriteGroup::Online},
        {0x15, StatusIcon::Busy, FavoriteGroup::Online},     {0x07, StatusIcon::Free, FavoriteGroup::Online}};
    for (const auto& s : statuses)
    {
        SCOPED_TRACE(s.status);
        EXPECT_EQ(s.icon, IconForStatus(s.status));
        EXPECT_EQ(s.group, FavoriteGroupFor(s.status));
    }
    const struct
    {
        uint32_t from, to;
        FavoriteGroup left;
    } moves[] = {{0x00, 0x03, FavoriteGroup::Offline}, {0x00, 0x15, FavoriteGroup::Offline},
                 {0x0D, 0x00, FavoriteGroup::Online},  {0x01, 0x00, FavoriteGroup::Online},
                 {0x0D, 0x03, FavoriteGroup::None},    {0x00, 0x00, FavoriteGroup::None},
                 {0x03, 0x15, FavoriteGroup::None}};
    for (const auto& m : moves)
    {
        SCOPED_TRACE(testing::Message() << m.from << " to " << m.to);
        EXPECT_EQ(m.left, FavoriteGroupLeft(m.from, m.to));
    }
}
