// The user trees as a person sees them: labels, order, icons and counts after the user events.
// (That the labels are translated shows in the catalogue check.)
#include "ui/AllTreeCtrl.h"
#include "ui/FavoriteTreeCtrl.h"

#include "TestGuiServices.h"
#include "TimeLimit.h"
#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/frame.h>

#include <chrono>
#include <ctime>

namespace
{
const long kStyle = wxSUNKEN_BORDER | wxTR_HIDE_ROOT | wxTR_LINES_AT_ROOT | wxTR_NO_LINES | wxTR_HAS_BUTTONS;

// The All tree with slices of a known size, so that a test sees a list partly in.
class SmallSliceTree : public AllTreeCtrl
{
public:
    using AllTreeCtrl::AllTreeCtrl;
    size_t SliceSize() const override { return 1000; }
};

// The base tree's handlers serve its first group.
class OneGroupTree : public UserListTreeCtrl
{
public:
    using UserListTreeCtrl::UserListTreeCtrl;
    wxDataViewItem AddGroup() { return UserListTreeCtrl::AddGroup(wxString(), -1); }
};

class TreeTest : public ::testing::Test
{
protected:
    void TearDown() override { delete frame; }

    template <class Tree> Tree* Make(const wxSize& size = wxDefaultSize)
    {
        return new Tree(frame, wxID_ANY, wxDefaultPosition, size, kStyle);
    }
    static void Send(UserListTreeCtrl* tree, wxEventType type, const User& user, uint32_t old = UserEvent::kNoStatus)
    {
        UserEvent event(user, type, old);
        tree->GetEventHandler()->ProcessEvent(event);
    }
    static void SendList(UserListTreeCtrl* tree, const UserList& list, int id = -1)
    {
        UserListEvent event(EVT_USER_LIST_INITIALIZED, id);
        event.SetUserList(list);
        tree->GetEventHandler()->ProcessEvent(event);
    }
    // A group as a person sees it: label/picture, then each item's name/picture/status in order.
    static wxString Show(UserListTreeCtrl* tree, const wxDataViewItem& group)
    {
        wxString shown = wxString::Format("%s/%d:", tree->GetGroupLabel(group), tree->GetGroupImage(group));
        for (const wxString& name : tree->GetNames(group))
            shown += wxString::Format(" %s/%d/%x", name, tree->GetUserImage(name),
                                      tree->GetModel(group).Find(name)->GetStatus());
        return shown;
    }
    // What the view itself is given, row by row: " text/has a picture".
    static wxString Viewed(UserListTreeCtrl* tree, wxString* words = nullptr)
    {
        const auto* rows = dynamic_cast<const wxDataViewListModel*>(tree->GetModel());
        wxString shown;
        for (unsigned int row = 0; rows && row < rows->GetCount(); ++row)
        {
            wxVariant value;
            rows->GetValueByRow(value, row, 0);
            wxDataViewIconText text;
            text << value;
            shown += wxString::Format(" %s/%d", text.GetText(), text.GetBitmapBundle().IsOk());
            // The status words beside the performers' rows, when asked for.
            rows->GetValueByRow(value, row, 1);
            if (words && !value.GetString().empty())
                *words += " " + value.GetString();
        }
        return shown;
    }


    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "trees");
};
} // namespace

// Pictures: 0 the group, 1 free, 2 busy; online with neither bit has none.
TEST_F(TreeTest, AllTreeCountsAndKeepsItemsInPlace)
{
    auto* tree = Make<AllTreeCtrl>();
    const wxDataViewItem group = tree->GetOnlineGroup();
    EXPECT_EQ("Online (Loading)/0:", Show(tree, group));
    // Five seconds without a list (the timer run out by hand): the group names the default server.
    EXPECT_EQ(5000, tree->GetConnectingTimer().GetInterval());
    tree->GetConnectingTimer().Notify();
    EXPECT_EQ("Online (Connecting to 127.0.0.1:18080...)/0:", Show(tree, group));
    SendList(tree, ListOf({{"a", 0x0D}}));
    tree->GetConnectingTimer().Notify(); // a list that came first keeps its label
    for (const auto& [name, status] : Statuses{{"b", 0x03}, {"c", 0x15}, {"d", 0x01}, {"e", 0x00}})
        Send(tree, EVT_USER_ADDED, User(name, status));
    Send(tree, EVT_USER_CHANGED, User("a", 0x03), 0x0D);
    EXPECT_EQ("Online (5)/0: a/1/3 b/1/3 c/2/15 d/-1/1 e/-1/0", Show(tree, group));
    // The status in a word beside each, for those who do not see the pictures.
    wxString words;
    EXPECT_EQ(L" \u25BE Online (5)/1 a/1 b/1 c/1 d/0 e/0", Viewed(tree, &words));
    EXPECT_EQ(" free free busy online offline", words);

    // Unknown users, and names in another case, change nothing.
    for (const char* name : {"b", "A"})
        Send(tree, EVT_USER_DELETED, User(name, 0x03));
    Send(tree, EVT_USER_CHANGED, User("ghost", 0x03), 0x15);
    EXPECT_EQ("Online (4)/0: a/1/3 c/2/15 d/-1/1 e/-1/0", Show(tree, group));
    EXPECT_EQ(L" \u25BE Online (4)/1 a/1 c/1 d/0 e/0", Viewed(tree));
}

TEST_F(TreeTest, BaseTreeSortsListsAndChangesOrDeletesByName)
{
    auto* tree = Make<OneGroupTree>();
    const wxDataViewItem group = tree->AddGroup();
    SendList(tree, ListOf({{"y", 0x0D}}));
    SendList(tree, ListOf({{"y", 0x03}, {"w", 0x01}})); // a second list changes whom it knows
    Send(tree, EVT_USER_ADDED, User("x", 0x03));
    Send(tree, EVT_USER_CHANGED, User("y", 0x15), 0x03);
    EXPECT_EQ("/-1: w/-1/1 x/-1/3 y/-1/15", Show(tree, group));
    // The deleted item is forgotten: a later change finds nobody.
    Send(tree, EVT_USER_DELETED, User("y", 0));
    Send(tree, EVT_USER_CHANGED, User("y", 0x01), 0x0D);
    EXPECT_EQ("/-1: w/-1/1 x/-1/3", Show(tree, group));
}

// The All page reads in name order: letters whatever their case, numbers by their value; a
// filter typed and cleared leaves the same order; the selected performer stays selected
// whatever arrives above her.
TEST_F(TreeTest, AllTreeIsInNameOrderThroughFiltersAndPolls)
{
    auto* tree = Make<AllTreeCtrl>(wxSize(240, 480));
    frame->Show();
    const wxDataViewItem group = tree->GetOnlineGroup();
    SendList(tree, ListOf({{"bea10", 0x03}, {"Bea2", 0x03}, {"anna", 0x03}, {"Zed", 0x03}, {"mia", 0x0D}}));
    Send(tree, EVT_USER_ADDED, User("Anna1", 0x03));
    const char* const sorted = "Online (6)/0: anna/1/3 Anna1/1/3 Bea2/1/3 bea10/1/3 mia/2/d Zed/1/3";
    EXPECT_EQ(sorted, Show(tree, group));
    EXPECT_TRUE(tree->FindItem(User("mia", 0), group, false).IsOk());
    tree->SelectName("mia");
    for (const char* text : {"a", "BEA", ""})
        tree->SetFilter(NameFilter(text));
    EXPECT_EQ(sorted, Show(tree, group));
    // A poll: two arrive above her, one above her leaves, she changes.
    for (const char* name : {"abe", "Bob"})
        Send(tree, EVT_USER_ADDED, User(name, 0x03));
    Send(tree, EVT_USER_DELETED, User("anna", 0x03));
    Send(tree, EVT_USER_CHANGED, User("mia", 0x03), 0x0D);
    EXPECT_EQ("Online (7)/0: abe/1/3 Anna1/1/3 Bea2/1/3 bea10/1/3 Bob/1/3 mia/1/3 Zed/1/3", Show(tree, group));
    EXPECT_EQ("mia", tree->GetSelectedName());
    // Enter or a double click (the view's activation of the selected row) opens her page, not
    // that of whoever now stands where she stood.
    {
        wxString dataDirs;
        const bool hadDataDirs = wxGetEnv("XDG_DATA_DIRS", &dataDirs);
        wxSetEnv("XDG_DATA_DIRS", "/nonexistent"); // no "html" command: the page goes to the services
        TestGuiServices gui;
        std::vector<wxString> opened;
        gui.openDefaultBrowser = [&opened](const wxString& page) { return opened.push_back(page), true; };
        wxDataViewEvent enter(wxEVT_DATAVIEW_ITEM_ACTIVATED, tree, tree->GetSelection());
        tree->GetEventHandler()->ProcessEvent(enter);
        EXPECT_TRUE(opened.size() == 1 && opened[0].EndsWith("mia")) << (opened.empty() ? "" : opened[0]);
        hadDataDirs ? wxSetEnv("XDG_DATA_DIRS", dataDirs) : wxUnsetEnv("XDG_DATA_DIRS");
    }

    // Thousands: a filter that empties the group and brings it back in slices.
    UserList many;
    for (int i = 0; i < 3000; ++i)
        many.AddUser(User(wxString::Format(i % 2 ? "perf%d" : "Perf%d", i), 0x03));
    SendList(tree, many);
    ASSERT_TRUE(PumpUntil([&] { return tree->GetPendingCount() == 0; }));
    const wxString whole = Show(tree, group);
    EXPECT_NE(wxNOT_FOUND, whole.Find(" Perf8/1/3 perf9/1/3 Perf10/1/3 ")) << whole.Left(200);
    tree->SetFilter(NameFilter("mi"));
    EXPECT_EQ("Online (1 of 3007)/0: mia/1/3", Show(tree, group));
    tree->SetFilter(NameFilter());
    EXPECT_GT(tree->GetWaitingCount(), 0u);
    ASSERT_TRUE(PumpUntil([&] { return tree->GetWaitingCount() == 0; }));
    EXPECT_EQ(whole, Show(tree, group));
    EXPECT_EQ("mia", tree->GetSelectedName());
}

// Pictures: 0 offline, 1 free, 2 busy, 3 the Online group, 4 the Offline group.
TEST_F(TreeTest, FavouritesMoveBetweenGroupsAsTheyComeAndGo)
{
    auto* tree = Make<FavoriteTreeCtrl>();
    EXPECT_EQ("", Viewed(tree));
    tree->CreateGroups();
    const wxDataViewItem online = tree->GetOnlineGroup(), offline = tree->GetOfflineGroup();
    EXPECT_EQ("Offline (Loading)/4:", Show(tree, offline));
    SendList(tree, ListOf({{"amy", 0x03}, {"bea", 0}}), FavoriteTreeCtrl::kFavoritesListId);
    EXPECT_EQ(L" \u25BE Online (1)/1 amy/1 \u25BE Offline (1)/1 bea/1", Viewed(tree));
    // With a history, an offline favourite's row says how long ago she was last online; one who
    // leaves now was last seen now, without asking the history.
    int asked = 0;
    tree->SetLastSeenLookup([&asked](const wxString& name) {
        ++asked;
        return name == "bea" ? static_cast<long long>(std::time(nullptr)) - 3 * 3600 - 50 : 0LL;
    });
    EXPECT_EQ(L" \u25BE Online (1)/1 amy/1 \u25BE Offline (1)/1 bea  3 h ago/1", Viewed(tree));
    Send(tree, EVT_USER_DELETED, User("amy", 0x03));
    EXPECT_EQ(L" \u25BE Online (0)/1 \u25BE Offline (2)/1 amy  0 min ago/1 bea  3 h ago/1", Viewed(tree));
    EXPECT_EQ(1, asked);
    Send(tree, EVT_USER_ADDED, User("amy", 0x03));
    tree->SetLastSeenLookup({});
    EXPECT_EQ("Online (1)/3: amy/1/3", Show(tree, online));
    EXPECT_EQ("Offline (1)/4: bea/0/0", Show(tree, offline));

    // The polling thread's own first list (identifier -1) names no favourites.
    SendList(tree, ListOf({{"amy", 0x03}, {"bob", 0x03}}));
    Send(tree, EVT_USER_ADDED, User("bea", 0x0D));
    Send(tree, EVT_USER_CHANGED, User("amy", 0x15), 0x03);
    EXPECT_EQ("Online (2)/3: amy/2/15 bea/2/d", Show(tree, online));
    Send(tree, EVT_USER_DELETED, User("amy", 0x15));
    for (const wxEventType type : {EVT_USER_ADDED, EVT_USER_CHANGED, EVT_USER_DELETED})
        Send(tree, type, User("bob", 0x03), 0x15);
    EXPECT_EQ("Online (1)/3: bea/2/d", Show(tree, online));
    EXPECT_EQ("Offline (1)/4: amy/0/0", Show(tree, offline));

    // A new download replaces everything; each group reads in name order.
    SendList(tree, ListOf({{"dee10", 0}, {"Dee9", 0}, {"cy", 0}, {"Bo", 0x03}, {"al2", 0x03}, {"AL10", 0x03}}),
             FavoriteTreeCtrl::kFavoritesListId);
    EXPECT_EQ("Online (3)/3: al2/1/3 AL10/1/3 Bo/1/3", Show(tree, online));
    EXPECT_EQ("Offline (3)/4: cy/0/0 Dee9/0/0 dee10/0/0", Show(tree, offline));
    Send(tree, EVT_USER_ADDED, User("dee10", 0x03));
    EXPECT_EQ("Online (4)/3: al2/1/3 AL10/1/3 Bo/1/3 dee10/1/3", Show(tree, online));
    EXPECT_FALSE(tree->FindItem(User("amy", 0), tree->GetRootItem(), true).IsOk());

    // A group closed is its own row alone, and follows the events all the same; the selection in
    // it goes to its row, and comes back to her when the group opens again.
    ASSERT_TRUE(tree->SelectName("Bo"));
    tree->OpenGroup(online, false);
    EXPECT_FALSE(tree->IsGroupOpen(online));
    EXPECT_EQ(L" \u25B8 Online (4)/1 \u25BE Offline (2)/1 cy/1 Dee9/1", Viewed(tree));
    EXPECT_EQ(online, tree->GroupOfRow(tree->GetSelection()));
    EXPECT_FALSE(tree->FindItem(User("Bo", 0), online).IsOk());
    Send(tree, EVT_USER_ADDED, User("cy", 0x03));
    Send(tree, EVT_USER_DELETED, User("al2", 0x03));
    EXPECT_EQ(L" \u25B8 Online (4)/1 \u25BE Offline (2)/1 al2/1 Dee9/1", Viewed(tree));
    // A double click or Enter on a group's row is the tree's activation.
    wxDataViewEvent activated(wxEVT_DATAVIEW_ITEM_ACTIVATED, tree, tree->GetSelection());
    tree->GetEventHandler()->ProcessEvent(activated);
    EXPECT_TRUE(tree->IsGroupOpen(online));
    EXPECT_EQ(L" \u25BE Online (4)/1 AL10/1 Bo/1 cy/1 dee10/1 \u25BE Offline (2)/1 al2/1 Dee9/1",
              Viewed(tree));
}

// Thousands of performers: the first list goes in slice by slice while the window keeps its
// turns ("Loading" until the last), and changes to users still to come change what comes. (A busy
// poll's pace shows in the large-list run of the real program.)
TEST_F(TreeTest, TenThousandPerformersFillInSlices)
{
    using namespace std::chrono;
    auto* tree = Make<SmallSliceTree>(wxSize(240, 480));
    frame->Show();
    UserList list;
    for (int i = 0; i < 10000; ++i)
        list.AddUser(User(wxString::Format("performer%05d", i), i % 3 ? 0x03 : 0x0D));
    const auto start = steady_clock::now();
    SendList(tree, list);
    EXPECT_LT(steady_clock::now() - start, milliseconds(AllTreeCtrl::kSliceMilliseconds * 3));
    ASSERT_GT(tree->GetPendingCount(), 0u) << "ten thousand fit into one slice";
    EXPECT_EQ("Online (Loading)", tree->GetGroupLabel(tree->GetOnlineGroup()));
    // The list is read a slice a turn; its first performers show once it is all read.
    for (int turn = 0; turn < 10 && tree->GetNames(tree->GetOnlineGroup()).empty(); ++turn)
        wxTheApp->ProcessIdle();
    // One still to come leaves, another changes, one in the tree leaves and a newcomer arrives.
    std::vector<User> toCome, inTree;
    for (const auto& entry : list)
        (tree->FindItem(entry.second, tree->GetRootItem(), true).IsOk() ? inTree : toCome).push_back(entry.second);
    ASSERT_GE(toCome.size(), 2u);
    ASSERT_GE(inTree.size(), 1u);
    Send(tree, EVT_USER_DELETED, toCome[0]);
    Send(tree, EVT_USER_CHANGED, User(toCome[1].GetName(), 0x15), toCome[1].GetStatus());
    Send(tree, EVT_USER_DELETED, inTree[0]);
    Send(tree, EVT_USER_ADDED, User("newcomer", 0x03));
    EXPECT_TRUE(PumpUntil([&] { return tree->GetPendingCount() == 0; }, TimeLimit(3000)));
    EXPECT_LT(steady_clock::now() - start, TimeLimit(3000));
    EXPECT_EQ("Online (9999)", tree->GetGroupLabel(tree->GetOnlineGroup()));
    EXPECT_EQ(10000, Viewed(tree).Freq('/')); // the group's row and each performer's
    EXPECT_FALSE(tree->FindItem(toCome[0], tree->GetRootItem(), true).IsOk());
    EXPECT_FALSE(tree->FindItem(inTree[0], tree->GetRootItem(), true).IsOk());
    const wxString shown = Show(tree, tree->GetOnlineGroup());
    EXPECT_NE(wxNOT_FOUND, shown.Find(" " + toCome[1].GetName() + "/2/15")) << toCome[1].GetName();
    EXPECT_NE(wxNOT_FOUND, shown.Find(" newcomer/1/3"));
}
