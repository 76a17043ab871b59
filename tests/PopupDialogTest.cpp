// Pop-ups on a virtual display: who pops up, the picture or the placeholder, the time, the slots.
#include "model/UserEvent.h"
#include "model/UserListEvent.h"
#include "net/DownloadThread.h"
#include "net/HttpGet.h"
#include "ui/MainFrame.h"
#include "ui/PopupDialogManager.h"
#include "util/Settings.h"

#include "PopupTestSupport.h"
#include "SiteSim.h"

#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/mstream.h>
#include <wx/weakref.h>

#include <map>
#include <memory>

using namespace std::chrono;

namespace
{
std::string Encode(const wxImage& image, wxBitmapType type)
{
    wxMemoryOutputStream out;
    EXPECT_TRUE(image.SaveFile(out, type));
    std::string bytes(out.GetSize(), '\0');
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

// A plain red picture.
wxImage Red(int width, int height)
{
    wxImage image(width, height);
    image.SetRGB(wxRect(0, 0, width, height), 200, 0, 0);
    return image;
}

std::string ImagePath(const std::string& name)
{
    return "/WebArchive/" + name + "/thumbs/LinkedImage.jpg";
}

class PopupDialogTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        HttpGet::GlobalInit();
        UseProductSkin();
    }

    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        // The web server stands in for the image server too: it serves any body the test sets.
        Settings::WriteString("/Site/webserver", wxString::FromUTF8(sim.WebServer()));
        Settings::WriteString("/Site/imageserver", wxString::FromUTF8(sim.WebServer()));
        Settings::WriteLong("/PopupDialog/duration", 60);
    }

    void TearDown() override
    {
        for (PopupDialog* popup : ExistingPopups())
            popup->Destroy();
        EXPECT_TRUE(DownloadThread::StopAll(5000));
        PumpUntil([] { return wxTopLevelWindows.empty(); });
        sim.Stop();
    }

    // Users who come online, in this order.
    static void Arrive(PopupDialogManager& manager, const std::vector<std::string>& names)
    {
        for (const std::string& name : names)
        {
            UserEvent event(User(name, 0x01), EVT_USER_ADDED, UserEvent::kNoStatus);
            manager.ProcessEvent(event);
        }
    }

    static bool AllShown(const PopupDialogManager& manager, size_t count)
    {
        if (manager.GetPopups().size() != count)
            return false;
        for (const PopupDialog* popup : manager.GetPopups())
        {
            if (!popup->IsShown())
                return false;
        }
        return true;
    }

    // Where each open pop-up's top left corner is, by name.
    static std::map<std::string, wxPoint> Places(const PopupDialogManager& manager)
    {
        std::map<std::string, wxPoint> places;
        for (const PopupDialog* popup : manager.GetPopups())
            places[popup->GetUser().GetName().ToStdString()] = popup->GetPosition();
        return places;
    }

    // Ends a pop-up as its time does.
    static void Expire(PopupDialog* popup)
    {
        wxTimer timer;
        wxTimerEvent event(timer);
        popup->OnDestroyTimer(event);
    }

    sitesim::SiteSim sim;
};
} // namespace

TEST_F(PopupDialogTest, ManagerPopsUpForComingOnlineAndBecomingFreeAndFiltersByTheFrameMenu)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "menus");
    auto* menus = new wxMenuBar;
    auto* tool = new wxMenu;
    tool->AppendCheckItem(ID_POPUP_ONLY_FAVORITE, "&PopupOnlyFavorite");
    menus->Append(tool, "&Tool");
    frame->SetMenuBar(menus);
    // Something else on top, as the splash screen is at start: the filter still reads the menu.
    auto* splash = new wxFrame(nullptr, wxID_ANY, "on top");
    wxTheApp->SetTopWindow(splash);
    Settings::WriteString("/favorites", "alice,bob,");

    const uint32_t none = UserEvent::kNoStatus;
    const struct
    {
        const char* what;
        wxEventType type;
        const char* name;
        uint32_t oldStatus, status;
        bool enabled, checked;
        PopupKind kind;
    } cases[] = {
        {"newly listed, busy and private", EVT_USER_ADDED, "x", none, 0x15, false, false, POPUP_ONLINE},
        {"online only to free", EVT_USER_CHANGED, "x", 0x01, 0x03, false, false, POPUP_NONE},
        {"busy to free", EVT_USER_CHANGED, "x", 0x0D, 0x03, false, false, POPUP_FREE},
        {"busy to online only", EVT_USER_CHANGED, "x", 0x0D, 0x01, false, false, POPUP_NONE},
        {"gone", EVT_USER_DELETED, "x", none, 0x03, false, false, POPUP_NONE},
        {"filter checked, not enabled", EVT_USER_ADDED, "carol", none, 0x01, false, true, POPUP_ONLINE},
        {"a favourite", EVT_USER_ADDED, "alice", none, 0x01, true, true, POPUP_ONLINE},
        {"another case", EVT_USER_ADDED, "Alice", none, 0x01, true, true, POPUP_NONE},
        {"a prefix", EVT_USER_ADDED, "alic", none, 0x01, true, true, POPUP_NONE},
        {"a leading blank", EVT_USER_ADDED, " alice", none, 0x01, true, true, POPUP_NONE},
        {"filter enabled, not checked", EVT_USER_ADDED, "carol", none, 0x01, true, false, POPUP_ONLINE},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        menus->Enable(ID_POPUP_ONLY_FAVORITE, c.enabled);
        menus->Check(ID_POPUP_ONLY_FAVORITE, c.checked);
        PopupDialogManager manager(menus);
        UserEvent event(User(c.name, c.status), c.type, c.oldStatus);
        manager.ProcessEvent(event);
        if (c.kind == POPUP_NONE)
        {
            EXPECT_TRUE(manager.GetPopups().empty());
            continue;
        }
        ASSERT_EQ(1u, manager.GetPopups().size());
        EXPECT_EQ(c.kind, manager.GetPopups()[0]->GetKind());
        EXPECT_EQ(c.name, manager.GetPopups()[0]->GetUser().GetName());
    }

    // The first full list announces nobody.
    PopupDialogManager manager(menus);
    UserListEvent first(EVT_USER_LIST_INITIALIZED, -1);
    UserList list;
    list.AddUser(User("dora", 0x03));
    first.SetUserList(list);
    manager.ProcessEvent(first);
    EXPECT_TRUE(manager.GetPopups().empty());
    EXPECT_EQ(0u, manager.GetWaitingCount());
    wxTheApp->SetTopWindow(nullptr);
    splash->Destroy();
    frame->Destroy();
}

// Whatever the picture server sends, the pop-up shows a 107 x 82 picture or the placeholder,
// and goes after its time.
TEST_F(PopupDialogTest, ShowsThePictureScaledOrThePlaceholderAndAlwaysCloses)
{
    Settings::WriteLong("/PopupDialog/duration", 1);
    const std::string wide = Encode(Red(400, 300), wxBITMAP_TYPE_JPEG);
    std::string oversized = wide;
    oversized.resize(PopupDialog::kMaxPictureBytes + 1, '\0'); // decoders ignore what follows
    sim.SetResource(ImagePath("wide"), wide, "image/jpeg");
    sim.SetResource(ImagePath("oversized"), oversized, "image/jpeg");
    sim.SetResource(ImagePath("text"), "<html>not a picture</html>", "text/html");
    sim.SetResource(ImagePath("tall"), Encode(Red(1, PopupDialog::kMaxPictureSide + 1), wxBITMAP_TYPE_PNG),
                    "image/png");
    sim.SetFault(ImagePath("failed"), sitesim::Fault::ServerError);

    const wxImage placeholder = SkinImageStore::GetInstance()->GetImage("PopupDialog_profileImage");
    ASSERT_TRUE(placeholder.IsOk());
    std::map<std::string, wxWeakRef<PopupDialog>> popups;
    for (const char* name : {"wide", "oversized", "text", "tall", "failed"})
        popups[name] = new PopupDialog(User(name, 0x01), POPUP_ONLINE, nullptr, wxID_ANY, wxEmptyString);
    ASSERT_TRUE(PumpUntil([&] {
        for (const auto& [name, popup] : popups)
        {
            if (!popup || !popup->IsShown())
                return false;
        }
        return true;
    }));
    for (const auto& [name, popup] : popups)
    {
        SCOPED_TRACE(name);
        const wxImage shown = popup->GetProfileBitmap().ConvertToImage();
        ASSERT_EQ(wxSize(107, 82), shown.GetSize());
        const bool isPlaceholder =
            std::equal(shown.GetData(), shown.GetData() + 107 * 82 * 3, placeholder.GetData());
        EXPECT_EQ(name != "wide", isPlaceholder);
        if (name == "wide")
        {
            EXPECT_GT(shown.GetRed(53, 41), 150);
        }
    }
    EXPECT_TRUE(PumpUntil([&] {
        for (const auto& [name, popup] : popups)
        {
            if (popup)
                return false;
        }
        return true;
    }));
}

TEST_F(PopupDialogTest, TheTimeCountsFromShowingNotFromCreation)
{
    Settings::WriteLong("/PopupDialog/duration", 1);
    sim.SetReplyDelays(ImagePath("late"), {1500});
    const auto created = steady_clock::now();
    wxWeakRef<PopupDialog> popup = new PopupDialog(User("late", 0x01), POPUP_ONLINE, nullptr, wxID_ANY, wxEmptyString);
    ASSERT_TRUE(PumpUntil([&] { return popup && popup->IsShown(); }));
    const auto shown = steady_clock::now();
    EXPECT_GE(duration_cast<milliseconds>(shown - created).count(), 1400);
    ASSERT_TRUE(PumpUntil([&] { return !popup; }));
    EXPECT_GE(duration_cast<milliseconds>(steady_clock::now() - shown).count(), 900);
}

TEST_F(PopupDialogTest, PopupsTakeTheLowestFreeSlotAndWaitWhenTheColumnIsFull)
{
    wxRect area(0, 0, 1280, 1024);
    PopupDialogManager manager;
    manager.SetWorkAreaSource([&] { return area; });
    Arrive(manager, {"p1", "p2", "p3"});
    ASSERT_TRUE(PumpUntil([&] { return AllShown(manager, 3); }));
    EXPECT_EQ((std::map<std::string, wxPoint>{{"p1", {1130, 874}}, {"p2", {1130, 724}}, {"p3", {1130, 574}}}),
              Places(manager));
    // The lowest goes: the next one takes its place, not the one above the third.
    Expire(manager.GetPopups()[0]);
    Arrive(manager, {"p4"});
    ASSERT_TRUE(PumpUntil([&] { return AllShown(manager, 3); }));
    EXPECT_EQ((std::map<std::string, wxPoint>{{"p2", {1130, 724}}, {"p3", {1130, 574}}, {"p4", {1130, 874}}}),
              Places(manager));

    // A lower work area has room for one more: the next one waits, with no window, until a
    // slot frees.
    area = wxRect(0, 0, 1280, 600);
    Arrive(manager, {"p5", "p6"});
    ASSERT_TRUE(PumpUntil([&] { return AllShown(manager, 4); }));
    EXPECT_EQ(1u, manager.GetWaitingCount());
    EXPECT_EQ(4u, ExistingPopups().size());
    Expire(manager.GetPopups()[0]); // p2, in slot 2
    ASSERT_TRUE(PumpUntil([&] { return AllShown(manager, 4); }));
    EXPECT_EQ(0u, manager.GetWaitingCount());
    EXPECT_EQ(wxPoint(1130, 300), Places(manager)["p6"]);
}

// With the task bar at the left or the top, the pop-ups still sit in the work area's bottom
// right corner.
TEST_F(PopupDialogTest, PopupsSitInTheBottomRightCornerOfTheWorkArea)
{
    for (const wxRect& area : {wxRect(100, 0, 1180, 1024), wxRect(0, 40, 1280, 984), wxRect(60, 30, 700, 500)})
    {
        PopupDialogManager manager;
        manager.SetWorkAreaSource([area] { return area; });
        Arrive(manager, {"corner"});
        ASSERT_TRUE(PumpUntil([&] { return AllShown(manager, 1); }));
        const wxRect placed = manager.GetPopups()[0]->GetScreenRect();
        EXPECT_EQ(area.GetRight(), placed.GetRight());
        EXPECT_EQ(area.GetBottom(), placed.GetBottom());
        EXPECT_EQ(wxSize(150, 150), placed.GetSize());
    }
}
