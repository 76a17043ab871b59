// The user trees as a person sees them: labels, order, icons and counts after the user events.
#include "ui/AllTreeCtrl.h"
#include "ui/FavoriteTreeCtrl.h"
#include "ui/UserListTreeItemData.h"

#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/translation.h>

#include <chrono>
#include <memory>
#include <vector>

namespace
{
// Image-list positions as the trees fill their lists.
enum AllImages { kAllGroup = 0, kAllFree = 1, kAllBusy = 2 };
enum FavoriteImages { kFavOffline = 0, kFavFree = 1, kFavBusy = 2, kFavOnlineGroup = 3, kFavOfflineGroup = 4 };

const long kStyle = wxSUNKEN_BORDER | wxTR_HIDE_ROOT | wxTR_LINES_AT_ROOT | wxTR_NO_LINES | wxTR_HAS_BUTTONS;

UserList ListOf(std::initializer_list<User> users)
{
    UserList list;
    for (const User& user : users)
        list.AddUser(user);
    return list;
}

class TreeFixture : public ::testing::Test
{
protected:
    void SetUp() override { frame = new wxFrame(nullptr, wxID_ANY, "trees"); }
    void TearDown() override { delete frame; }

    void Send(wxTreeCtrl* tree, wxEvent& event) { tree->GetEventHandler()->ProcessEvent(event); }
    void Initial(wxTreeCtrl* tree, const UserList& list, int id = -1)
    {
        UserListEvent event(EVT_USER_LIST_INITIALIZED, id);
        event.SetUserList(list);
        Send(tree, event);
    }
    void Added(wxTreeCtrl* tree, const User& user)
    {
        UserEvent event(user, EVT_USER_ADDED, UserEvent::kNoStatus);
        Send(tree, event);
    }
    void Deleted(wxTreeCtrl* tree, const User& user)
    {
        UserEvent event(user, EVT_USER_DELETED, UserEvent::kNoStatus);
        Send(tree, event);
    }
    void Changed(wxTreeCtrl* tree, const User& user, uint32_t old)
    {
        UserEvent event(user, EVT_USER_CHANGED, old);
        Send(tree, event);
    }

    static std::vector<wxString> Labels(wxTreeCtrl* tree, const wxTreeItemId& parent)
    {
        std::vector<wxString> labels;
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = tree->GetFirstChild(parent, cookie); child.IsOk();
             child = tree->GetNextChild(parent, cookie))
            labels.push_back(tree->GetItemText(child));
        return labels;
    }
    static wxTreeItemId Child(wxTreeCtrl* tree, const wxTreeItemId& parent, const wxString& label)
    {
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = tree->GetFirstChild(parent, cookie); child.IsOk();
             child = tree->GetNextChild(parent, cookie))
        {
            if (tree->GetItemText(child) == label)
                return child;
        }
        return wxTreeItemId();
    }
    static uint32_t StatusOf(wxTreeCtrl* tree, const wxTreeItemId& item)
    {
        return static_cast<UserListTreeItemData*>(tree->GetItemData(item))->GetUser().GetStatus();
    }

    wxFrame* frame = nullptr;
};

using AllTree = TreeFixture;
using FavoriteTree = TreeFixture;
using BaseTree = TreeFixture;
} // namespace

TEST_F(AllTree, ShowsLoadingThenTheCountAndTheIconsOfTheFirstList)
{
    auto* tree = new AllTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, kStyle);
    const wxTreeItemId group = tree->GetOnlineGroup();
    EXPECT_EQ("Online (Loading)", tree->GetItemText(group));
    EXPECT_FALSE(tree->IsExpanded(group));
    EXPECT_EQ(kAllGroup, tree->GetItemImage(group));

    Initial(tree, ListOf({User("free", 0x03), User("public", 0x0D), User("private", 0x15),
                          User("online", 0x01), User("none", 0x00)}));
    EXPECT_EQ("Online (5)", tree->GetItemText(group));
    EXPECT_TRUE(tree->IsExpanded(group));
    EXPECT_EQ(5u, tree->GetChildrenCount(group, false));
    EXPECT_EQ(1u, tree->GetChildrenCount(tree->GetRootItem(), false));

    struct Expected
    {
        const char* name;
        int image;
    };
    for (Expected e : {Expected{"free", kAllFree}, Expected{"public", kAllBusy},
                       Expected{"private", kAllBusy}, Expected{"online", -1}, Expected{"none", -1}})
    {
        SCOPED_TRACE(e.name);
        const wxTreeItemId item = Child(tree, group, e.name);
        ASSERT_TRUE(item.IsOk());
        EXPECT_EQ(e.image, tree->GetItemImage(item, wxTreeItemIcon_Normal));
        EXPECT_EQ(e.image, tree->GetItemImage(item, wxTreeItemIcon_Selected));
    }
}

TEST_F(AllTree, ChangesKeepPlacesAndAPollKeepsTheCountRight)
{
    auto* tree = new AllTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, kStyle);
    const wxTreeItemId group = tree->GetOnlineGroup();
    Initial(tree, ListOf({User("a", 0x0D)}));
    Added(tree, User("b", 0x03));
    Added(tree, User("c", 0x15));
    EXPECT_EQ((std::vector<wxString>{"a", "b", "c"}), Labels(tree, group));

    // Busy to free: new icon, same place, new status in the data.
    Changed(tree, User("a", 0x03), 0x0D);
    EXPECT_EQ((std::vector<wxString>{"a", "b", "c"}), Labels(tree, group));
    EXPECT_EQ(kAllFree, tree->GetItemImage(Child(tree, group, "a")));
    EXPECT_EQ(0x03u, StatusOf(tree, Child(tree, group, "a")));
    EXPECT_EQ("Online (3)", tree->GetItemText(group));

    // One comes and one goes in the same poll.
    Added(tree, User("d", 0x01));
    Deleted(tree, User("b", 0x03));
    EXPECT_EQ("Online (3)", tree->GetItemText(group));
    EXPECT_EQ((std::vector<wxString>{"a", "c", "d"}), Labels(tree, group));

    // Unknown users change nothing but the recomputed count.
    Deleted(tree, User("nobody", 0x03));
    Changed(tree, User("ghost", 0x03), 0x15);
    EXPECT_EQ((std::vector<wxString>{"a", "c", "d"}), Labels(tree, group));
    EXPECT_EQ("Online (3)", tree->GetItemText(group));

    // Names are case-sensitive.
    Deleted(tree, User("A", 0x03));
    EXPECT_TRUE(Child(tree, group, "a").IsOk());
}

TEST_F(BaseTree, ListsAppendAndFindItemLooksOnlyWhereAsked)
{
    auto* tree = new UserListTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, kStyle);
    const wxTreeItemId root = tree->GetRootItem();
    const UserList three = ListOf({User("x", 0x03), User("y", 0x0D), User("z", 0x01)});
    Initial(tree, three);
    EXPECT_EQ(3u, tree->GetChildrenCount(root, false));
    // A second list adds its users again without removing the old items.
    Initial(tree, three);
    EXPECT_EQ(6u, tree->GetChildrenCount(root, false));

    // A change keeps the label and updates the data of the first item of that name.
    Changed(tree, User("y", 0x15), 0x0D);
    const wxTreeItemId firstY = tree->FindItem(User("y", 0), root, false);
    ASSERT_TRUE(firstY.IsOk());
    EXPECT_EQ("y", tree->GetItemText(firstY));
    EXPECT_EQ(0x15u, StatusOf(tree, firstY));
    EXPECT_EQ(Child(tree, root, "y"), firstY);

    // A deleted user goes one item at a time; an absent one changes nothing.
    Deleted(tree, User("x", 0));
    Deleted(tree, User("missing", 0));
    EXPECT_EQ(5u, tree->GetChildrenCount(root, false));

    // Not recursive: a user one level further down is not found from the root.
    auto* all = new AllTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, kStyle);
    Added(all, User("deep", 0x03));
    EXPECT_FALSE(all->FindItem(User("deep", 0), all->GetRootItem(), false).IsOk());
    EXPECT_TRUE(all->FindItem(User("deep", 0), all->GetRootItem(), true).IsOk());
    EXPECT_TRUE(all->FindItem(User("deep", 0), all->GetOnlineGroup(), false).IsOk());
    // Only names count, not statuses.
    EXPECT_TRUE(all->FindItem(User("deep", 0x15), all->GetOnlineGroup(), false).IsOk());
    // Deleted items are forgotten.
    Deleted(all, User("deep", 0x03));
    EXPECT_FALSE(all->FindItem(User("deep", 0), all->GetRootItem(), true).IsOk());
}

TEST_F(FavoriteTree, GroupsFillFromTheFavouritesList)
{
    auto* tree = new FavoriteTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, kStyle);
    EXPECT_EQ(0u, tree->GetChildrenCount(tree->GetRootItem(), false));
    tree->CreateGroups();
    const wxTreeItemId online = tree->GetOnlineGroup();
    const wxTreeItemId offline = tree->GetOfflineGroup();
    EXPECT_EQ("Online (Loading)", tree->GetItemText(online));
    EXPECT_EQ("Offline (Loading)", tree->GetItemText(offline));
    EXPECT_EQ(kFavOnlineGroup, tree->GetItemImage(online));
    EXPECT_EQ(kFavOfflineGroup, tree->GetItemImage(offline));

    Initial(tree, ListOf({User("amy", 0x03), User("bea", 0), User("cat", 0)}), 0);
    EXPECT_EQ("Online (1)", tree->GetItemText(online));
    EXPECT_EQ("Offline (2)", tree->GetItemText(offline));
    EXPECT_EQ(kFavFree, tree->GetItemImage(Child(tree, online, "amy")));
    EXPECT_EQ(kFavOffline, tree->GetItemImage(Child(tree, offline, "bea")));
    EXPECT_EQ(kFavOffline, tree->GetItemImage(Child(tree, offline, "cat")));
    EXPECT_TRUE(tree->IsExpanded(online));
    EXPECT_TRUE(tree->IsExpanded(offline));

    // A new download replaces everything.
    Initial(tree, ListOf({User("dee", 0)}), 0);
    EXPECT_EQ("Online (0)", tree->GetItemText(online));
    EXPECT_EQ("Offline (1)", tree->GetItemText(offline));
    EXPECT_FALSE(tree->FindItem(User("amy", 0), tree->GetRootItem(), true).IsOk());
}

TEST_F(FavoriteTree, FavouritesMoveBetweenGroupsAsTheyComeAndGo)
{
    auto* tree = new FavoriteTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, kStyle);
    tree->CreateGroups();
    const wxTreeItemId online = tree->GetOnlineGroup();
    const wxTreeItemId offline = tree->GetOfflineGroup();
    Initial(tree, ListOf({User("amy", 0x03), User("bea", 0)}), 0);

    // Offline favourite appears busy: to Online with the busy icon.
    Added(tree, User("bea", 0x0D));
    EXPECT_FALSE(Child(tree, offline, "bea").IsOk());
    ASSERT_TRUE(Child(tree, online, "bea").IsOk());
    EXPECT_EQ(kFavBusy, tree->GetItemImage(Child(tree, online, "bea")));
    EXPECT_EQ(0x0Du, StatusOf(tree, Child(tree, online, "bea")));
    EXPECT_EQ("Online (2)", tree->GetItemText(online));
    EXPECT_EQ("Offline (0)", tree->GetItemText(offline));

    // Free to private: same place, busy icon.
    const std::vector<wxString> before = Labels(tree, online);
    Changed(tree, User("amy", 0x15), 0x03);
    EXPECT_EQ(before, Labels(tree, online));
    EXPECT_EQ(kFavBusy, tree->GetItemImage(Child(tree, online, "amy")));

    // A favourite vanishes: to Offline with the offline icon, status 0.
    Deleted(tree, User("amy", 0x15));
    EXPECT_FALSE(Child(tree, online, "amy").IsOk());
    ASSERT_TRUE(Child(tree, offline, "amy").IsOk());
    EXPECT_EQ(kFavOffline, tree->GetItemImage(Child(tree, offline, "amy")));
    EXPECT_EQ(0u, StatusOf(tree, Child(tree, offline, "amy")));
    EXPECT_EQ("Online (1)", tree->GetItemText(online));
    EXPECT_EQ("Offline (1)", tree->GetItemText(offline));

    // Somebody who is not a favourite changes nothing.
    Added(tree, User("zed", 0x03));
    Changed(tree, User("zed", 0x15), 0x03);
    Deleted(tree, User("zed", 0x15));
    EXPECT_FALSE(tree->FindItem(User("zed", 0), tree->GetRootItem(), true).IsOk());
    EXPECT_EQ("Online (1)", tree->GetItemText(online));
    EXPECT_EQ("Offline (1)", tree->GetItemText(offline));
}

TEST_F(FavoriteTree, ThePollingThreadsFullListDoesNotMakeEveryoneAFavourite)
{
    auto* tree = new FavoriteTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, kStyle);
    tree->CreateGroups();
    Initial(tree, ListOf({User("amy", 0)}), 0);
    // The thread's first list (identifier -1) arrives after the login.
    Initial(tree, ListOf({User("amy", 0x03), User("bob", 0x03), User("cy", 0x15)}), -1);
    EXPECT_EQ(1u, tree->GetFavorites().GetCount());
    EXPECT_FALSE(tree->FindItem(User("bob", 0), tree->GetRootItem(), true).IsOk());
    EXPECT_EQ("Offline (1)", tree->GetItemText(tree->GetOfflineGroup()));
    // Its later events still move the real favourite.
    Added(tree, User("amy", 0x03));
    EXPECT_TRUE(Child(tree, tree->GetOnlineGroup(), "amy").IsOk());
}

// The All tree with thousands of performers: the first list and a busy poll stay quick.
TEST_F(AllTree, TenThousandPerformersFillAndUpdateQuickly)
{
    using namespace std::chrono;
    auto* tree = new AllTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxSize(240, 480), kStyle);
    frame->Show();
    UserList list;
    for (int i = 0; i < 10000; ++i)
        list.AddUser(User(wxString::Format("performer%05d", i), i % 3 ? 0x03 : 0x0D));
    auto start = steady_clock::now();
    Initial(tree, list);
    wxYield();
    const auto fill = duration_cast<milliseconds>(steady_clock::now() - start).count();
    EXPECT_EQ("Online (10000)", tree->GetItemText(tree->GetOnlineGroup()));

    start = steady_clock::now();
    for (int i = 0; i < 1000; ++i)
    {
        if (i % 3 == 0)
            Added(tree, User(wxString::Format("newcomer%04d", i), 0x03));
        else if (i % 3 == 1)
            Deleted(tree, User(wxString::Format("performer%05d", i), 0x03));
        else
            Changed(tree, User(wxString::Format("performer%05d", i), 0x15), 0x03);
    }
    wxYield();
    const auto poll = duration_cast<milliseconds>(steady_clock::now() - start).count();
    EXPECT_EQ(wxString::Format("Online (%d)", 10000 + 334 - 333), tree->GetItemText(tree->GetOnlineGroup()));
    std::printf("[ timing ] first list of 10000: %lld ms; poll of 1000 changes: %lld ms\n",
                static_cast<long long>(fill), static_cast<long long>(poll));
    EXPECT_LT(fill, 3000);
    EXPECT_LT(poll, 1000);
}

// Labels come from the catalogue beside the host; the "%s (%s)" form itself is not translated.
TEST_F(AllTree, LabelsComeFromTheCatalogue)
{
    auto* translations = new wxTranslations;
    wxTranslations::Set(translations);
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(SOLVANE_OUTPUT_DIR);
    translations->SetLanguage("ja");
    ASSERT_TRUE(translations->AddCatalog("Solvane"));
    auto* tree = new AllTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, kStyle);
    EXPECT_EQ(wxString::FromUTF8("オンライン (読み込み中)"), tree->GetItemText(tree->GetOnlineGroup()));
    wxTranslations::Set(nullptr);
}
