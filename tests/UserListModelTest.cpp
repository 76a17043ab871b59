// A group of a user tree without a display: name order, filter and counts.
#include "model/UserListModel.h"
#include "model/UserList.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
// The group as a person would read it: shown names in order, then "| waiting/hidden of total".
std::string Show(UserListModel& model)
{
    std::string text;
    for (size_t i = 0; i < model.GetShownCount(); ++i)
        text += model.ShownAt(i).GetName().utf8_string() + " ";
    return text + wxString::Format("| %zu/%zu of %zu", model.GetWaitingCount(), model.GetHiddenCount(),
                                   model.GetTotalCount())
                      .utf8_string();
}
} // namespace

TEST(UserListModelTest, NamesSortByLettersWhateverTheCaseAndNumbersByValue)
{
    const std::pair<const char*, const char*> before[] = {
        {"anna2", "anna10"}, {"Anna", "anna"},   {"anna", "Annabel"}, {"b9", "B10"},   {"x007", "x7"},
        {"a1b2", "a1b10"},   {"a99", "a100x"},   {"a", "a0"},         {"Zed", "\xc3\xa9mile"}, {"a-2", "a0"},
        {"x0", "x00"},       {"\xc3\x89va", "\xc3\xa9vb"}};
    for (const auto& [first, second] : before)
    {
        SCOPED_TRACE(std::string(first) + " < " + second);
        const wxString a = wxString::FromUTF8(first), b = wxString::FromUTF8(second);
        EXPECT_TRUE(UserListModel::Before(a, b));
        EXPECT_FALSE(UserListModel::Before(b, a));
    }
    UserListModel model;
    for (const char* name : {"anna10", "Bob", "anna2", "ANNA", "anna", "bob", "anna1", "carl"})
        EXPECT_EQ(UserListModel::Place::Shown, model.Put(User(name, 0x03)));
    EXPECT_EQ("ANNA anna anna1 anna2 anna10 Bob bob carl | 0/0 of 8", Show(model));
    // Where a name is, and where one goes.
    EXPECT_EQ(4u, model.ShownIndex("anna10"));
    EXPECT_EQ(5u, model.ShownIndex("anna11"));
    EXPECT_EQ(8u, model.Index("dora"));
}

TEST(UserListModelTest, AddDeleteAndChangeKeepTheOrderAndTheCounts)
{
    UserListModel model;
    UserList list;
    for (const char* name : {"m3", "m20", "M1", "z", "a"})
        list.AddUser(User(name, 0x03));
    model.PutAll(list);
    EXPECT_EQ("| 5/0 of 5", Show(model));
    std::vector<wxString> taken;
    for (const auto& [user, index] : model.TakeWaiting(3))
        taken.push_back(wxString::Format("%s@%zu", user->GetName(), index));
    EXPECT_EQ((std::vector<wxString>{"a@0", "M1@1", "m3@2"}), taken);
    // A newcomer shows at once, between them; a change keeps the place; one waiting leaves.
    size_t index = 99;
    EXPECT_EQ(UserListModel::Place::Shown, model.Put(User("m2", 0x03), &index));
    EXPECT_EQ(2u, index);
    EXPECT_EQ(UserListModel::Place::Shown, model.Put(User("M1", 0x15), &index));
    EXPECT_EQ(2u, index) << "a change is no arrival";
    EXPECT_EQ(0x15u, model.Find("M1")->GetStatus());
    EXPECT_TRUE(model.Remove("z"));
    EXPECT_FALSE(model.Remove("z"));
    EXPECT_EQ("a M1 m2 m3 | 1/0 of 5", Show(model));
    EXPECT_EQ(1u, model.TakeWaiting(10).size());
    EXPECT_EQ("a M1 m2 m3 m20 | 0/0 of 5", Show(model));
    // A second list adds the new and changes the known.
    list.Clear();
    list.AddUser(User("m3", 0x0D));
    list.AddUser(User("b", 0x03));
    model.PutAll(list);
    EXPECT_EQ(0x0Du, model.Find("m3")->GetStatus());
    EXPECT_EQ(UserListModel::Place::Waiting, model.PlaceOf("b"));
    EXPECT_EQ(UserListModel::Place::Absent, model.PlaceOf("z"));
}

TEST(UserListModelTest, AFilterTypedAndClearedGivesTheSameOrder)
{
    UserListModel model;
    // Each tagged with where its name is written, as a tree tags her with her item.
    const char* names[] = {"Kitty9", "ann", "kitty10", "bea", "MissKitty", "zoe"};
    for (const char*& name : names)
    {
        model.Put(User(name, 0x03));
        model.SetTag(name, &name);
    }
    std::vector<std::string> leaving;
    for (void* tag : model.SetFilter(NameFilter("KITT")))
        leaving.push_back(*static_cast<const char**>(tag));
    EXPECT_EQ(std::vector<std::string>({"ann", "bea", "zoe"}), leaving);
    EXPECT_EQ(nullptr, model.GetTag("ann"));
    EXPECT_EQ(&names[0], model.GetTag("Kitty9"));
    EXPECT_EQ("Kitty9 kitty10 MissKitty | 0/3 of 6", Show(model));
    // Changes while filtered: a hidden newcomer, a shown one leaves, a hidden one leaves.
    EXPECT_EQ(UserListModel::Place::Hidden, model.Put(User("amy", 0x03)));
    EXPECT_TRUE(model.Remove("kitty10"));
    EXPECT_TRUE(model.Remove("bea"));
    EXPECT_EQ("Kitty9 MissKitty | 0/3 of 5", Show(model));
    EXPECT_TRUE(model.SetFilter(NameFilter()).empty());
    EXPECT_EQ("Kitty9 MissKitty | 3/0 of 5", Show(model));
    EXPECT_TRUE(model.TakeNow("zoe"));
    EXPECT_FALSE(model.TakeNow("zoe"));
    const auto late = model.TakeWaiting(100);
    ASSERT_EQ(2u, late.size());
    EXPECT_EQ(1u, late[1].second) << "ann after amy, before the shown";
    EXPECT_EQ("amy ann Kitty9 MissKitty zoe | 0/0 of 5", Show(model));
    model.Put(User("kitty10", 0x03));
    model.Put(User("bea", 0x03));
    // Emptied and filled anew, the order is the same.
    model.UnshowAll();
    EXPECT_EQ("| 7/0 of 7", Show(model));
    model.TakeWaiting(100);
    EXPECT_EQ("amy ann bea Kitty9 kitty10 MissKitty zoe | 0/0 of 7", Show(model));
}

// Thousands, arriving in no order and some leaving again: read in the order of their numbers,
// each found at her index.
TEST(UserListModelTest, ThousandsInAnyOrderReadByNumberAndFindTheirIndex)
{
    UserListModel model;
    std::map<int, wxString> staying; // by number
    UserList list;                   // the first half comes as a list
    for (int i = 0; i < 3000; ++i)
    {
        const int number = (i * 7919) % 3000; // every number once, scattered
        const wxString name = wxString::Format(i % 2 ? "name%d" : "NAME%d", number);
        if (i < 1500)
            list.AddUser(User(name, 0x03));
        else
            model.Put(User(name, 0x03));
        staying[number] = name;
    }
    model.PutAll(list);
    model.TakeWaiting(1500);
    for (int number = 0; number < 3000; number += 3)
    {
        EXPECT_TRUE(model.Remove(staying[number]));
        staying.erase(number);
    }
    ASSERT_EQ(staying.size(), model.GetShownCount());
    size_t index = 0;
    for (const auto& [number, name] : staying)
    {
        ASSERT_EQ(name, model.ShownAt(index).GetName()) << number;
        ASSERT_EQ(index, model.ShownIndex(name));
        ASSERT_EQ(index, model.Index(name));
        ++index;
    }
}

TEST(UserListModelTest, AListPutInByPartsEndsSortedAndChangesMeanwhileWin)
{
    UserList list;
    for (int i = 0; i < 50; ++i)
        list.AddUser(User(wxString::Format("p%d", 49 - i), 0x03));
    // Each part reads and sorts, and shows nobody until the last; a small list needs one slice.
    UserListModel model;
    model.SetFilter(NameFilter("1"));
    model.Put(User("p1", 0x05));
    model.PutAllLater(std::make_shared<const UserList>(list));
    EXPECT_TRUE(model.IsPutting());
    EXPECT_EQ(50u, model.GetWaitingCount()) << "the unread count as let through";
    size_t parts = 0, shownByParts = 0;
    for (; model.IsPutting(); ++parts)
        shownByParts += model.TakeWaiting(20).size();
    EXPECT_EQ(3u, parts);
    EXPECT_EQ(10u, shownByParts) << "the last part's slice has room for 10";
    EXPECT_EQ(0x03u, model.Find("p1")->GetStatus()) << "the list changes one known before it";
    EXPECT_EQ(3u, model.TakeWaiting(100).size());
    EXPECT_EQ("p1 p10 p11 p12 p13 p14 p15 p16 p17 p18 p19 p21 p31 p41 | 0/36 of 50", Show(model));

    // A change, a departure or a question about a name before the list is in: the rest goes in
    // first, so that the list never brings back whom a later event took away.
    for (const auto& [change, place] : std::vector<std::pair<std::string, UserListModel::Place>>{
             {"remove", UserListModel::Place::Absent},
             {"put", UserListModel::Place::Waiting},
             {"find", UserListModel::Place::Waiting}})
    {
        SCOPED_TRACE(change);
        UserListModel later;
        later.PutAllLater(std::make_shared<const UserList>(list));
        later.TakeWaiting(10);
        if (change == "remove")
            EXPECT_TRUE(later.Remove("p7"));
        else if (change == "put")
            later.Put(User("p7", 0x15));
        else
            EXPECT_EQ(0x03u, later.Find("p7")->GetStatus());
        EXPECT_FALSE(later.IsPutting());
        EXPECT_EQ(change == "remove" ? 49u : 50u, later.GetTotalCount());
        EXPECT_EQ(place, later.PlaceOf("p7"));
        if (change == "put")
        {
            EXPECT_EQ(0x15u, later.Find("p7")->GetStatus()) << "the list's older status won";
        }
    }
}
