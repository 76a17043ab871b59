// Pop-ups on a virtual display: who pops up, the picture or the placeholder, the time, the slots,
// and the whole road from the simulated site through the polling thread to "Exit".
#include "model/UserListEvent.h"
#include "net/DownloadThread.h"
#include "net/HttpGet.h"
#include "site/TaveloSite.h"
#include "skin/SkinImageStore.h"
#include "ui/MainFrame.h"
#include "ui/PopupDialog.h"
#include "ui/PopupDialogManager.h"
#include "util/Settings.h"

#include "SiteSim.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/mstream.h>
#include <wx/weakref.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <thread>

using namespace std::chrono;

namespace
{
// Runs the toolkit's loop until done() holds; false when the time is up.
bool PumpUntil(const std::function<bool()>& done, milliseconds limit = milliseconds(10000))
{
    const auto end = steady_clock::now() + limit;
    while (!done())
    {
        if (steady_clock::now() > end)
            return false;
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        wxYield();
        std::this_thread::sleep_for(milliseconds(2));
    }
    return true;
}

// Every pop-up window that exists, shown or not, and not yet on its way out.
std::vector<PopupDialog*> ExistingPopups()
{
    std::vector<PopupDialog*> popups;
    for (wxWindow* window : wxTopLevelWindows)
    {
        auto* popup = dynamic_cast<PopupDialog*>(window);
        if (popup && !wxPendingDelete.Member(popup))
            popups.push_back(popup);
    }
    return popups;
}

const std::string kListPath = "/include/js/online_performers.js";

size_t CountRequests(const sitesim::SiteSim& sim, const std::string& server,
                     const std::string& path = "")
{
    const auto requests = sim.Requests();
    return std::count_if(requests.begin(), requests.end(), [&](const sitesim::Request& request) {
        return request.server == server && (path.empty() || request.path == path);
    });
}

// A performer list in the site's format, each name online and free.
std::string PerformerList(const std::vector<std::string>& names)
{
    std::string body;
    for (const std::string& name : names)
        body += name + ".viewers = 1;\nonline_performers.add(" + name + ");\nfree_performers.add(" +
                name + ");\n";
    return body;
}

// A plain red picture in the given format.
std::string Red(int width, int height, wxBitmapType type)
{
    wxImage image(width, height);
    image.SetRGB(wxRect(0, 0, width, height), 200, 0, 0);
    wxMemoryOutputStream out;
    EXPECT_TRUE(image.SaveFile(out, type));
    std::string bytes(out.GetSize(), '\0');
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

std::string ImagePath(const std::string& name)
{
    return "/WebArchive/" + name + "/thumbs/LinkedImage.jpg";
}

class PopupTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        HttpGet::GlobalInit();
        // The store reads the skin beside the host: the test program poses as the host.
        static const wxString host = SOLVANE_OUTPUT_DIR "/Solvane";
        const wchar_t* args[] = {host.wc_str()};
        wxTheApp->argv.Init(1, args);
        SkinImageStore::Release();
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

    static void Arrive(PopupDialogManager& manager, const std::vector<std::string>& names)
    {
        for (const std::string& name : names)
        {
            UserEvent event(User(name, 0x01), EVT_USER_ADDED, UserEvent::kNoStatus);
            manager.ProcessEvent(event);
        }
    }

    // Where each pop-up shows, by name, once all count of them show.
    static std::map<std::string, wxPoint> Places(const PopupDialogManager& manager, size_t count)
    {
        std::map<std::string, wxPoint> places;
        EXPECT_TRUE(PumpUntil([&] {
            const auto& popups = manager.GetPopups();
            return popups.size() == count &&
                   std::all_of(popups.begin(), popups.end(),
                               [](PopupDialog* p) { return p->IsShown(); });
        }));
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

TEST_F(PopupTest, ManagerPopsUpForComingOnlineAndBecomingFreeAndFiltersByTheFrameMenu)
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
    const wxEventType added = EVT_USER_ADDED, changed = EVT_USER_CHANGED;
    const struct
    {
        wxEventType type;
        const char* name;
        uint32_t oldStatus, status;
        bool enabled, checked;
        PopupKind kind;
    } cases[] = {
        {added, "x", none, 0x15, false, false, POPUP_ONLINE},
        {changed, "x", 0x01, 0x03, false, false, POPUP_NONE},
        {changed, "x", 0x0D, 0x03, false, false, POPUP_FREE},
        {changed, "x", 0x0D, 0x01, false, false, POPUP_NONE},
        {EVT_USER_DELETED, "x", none, 0x03, false, false, POPUP_NONE},
        {added, "carol", none, 0x01, false, true, POPUP_ONLINE}, // the filter is not enabled yet
        {added, "alice", none, 0x01, true, true, POPUP_ONLINE},
        {added, "Alice", none, 0x01, true, true, POPUP_NONE},
        {added, "alic", none, 0x01, true, true, POPUP_NONE},
        {added, " alice", none, 0x01, true, true, POPUP_NONE},
        {added, "carol", none, 0x01, true, false, POPUP_ONLINE},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.oldStatus << " to " << c.status);
        menus->Enable(ID_POPUP_ONLY_FAVORITE, c.enabled);
        menus->Check(ID_POPUP_ONLY_FAVORITE, c.checked);
        PopupDialogManager manager(menus);
        UserEvent event(User(c.name, c.status), c.type, c.oldStatus);
        manager.ProcessEvent(event);
        ASSERT_EQ(c.kind == POPUP_NONE ? 0u : 1u, manager.GetPopups().size());
        if (c.kind != POPUP_NONE)
        {
            EXPECT_EQ(c.kind, manager.GetPopups()[0]->GetKind());
        }
    }

    // The first full list announces nobody.
    PopupDialogManager manager(menus);
    UserListEvent first(EVT_USER_LIST_INITIALIZED, -1);
    UserList list;
    list.AddUser(User("dora", 0x03));
    first.SetUserList(list);
    manager.ProcessEvent(first);
    EXPECT_TRUE(manager.GetPopups().empty() && manager.GetWaitingCount() == 0);
    wxTheApp->SetTopWindow(nullptr);
    splash->Destroy();
    frame->Destroy();
}

// Whatever the picture server sends, the pop-up shows a 107 x 82 picture or the placeholder,
// and goes after its time.
TEST_F(PopupTest, ShowsThePictureScaledOrThePlaceholderAndAlwaysCloses)
{
    Settings::WriteLong("/PopupDialog/duration", 1);
    const std::string wide = Red(400, 300, wxBITMAP_TYPE_JPEG);
    sim.SetResource(ImagePath("wide"), wide, "image/jpeg");
    // Decoders ignore what follows the picture: only the length makes it too much.
    sim.SetResource(ImagePath("oversized"), wide + std::string(PopupDialog::kMaxPictureBytes, '\0'),
                    "image/jpeg");
    sim.SetResource(ImagePath("text"), "<html>not a picture</html>", "text/html");
    sim.SetResource(ImagePath("tall"), Red(1, PopupDialog::kMaxPictureSide + 1, wxBITMAP_TYPE_PNG),
                    "image/png");
    sim.SetFault(ImagePath("failed"), sitesim::Fault::ServerError);

    const wxImage placeholder = SkinImageStore::GetInstance()->GetImage("PopupDialog_profileImage");
    ASSERT_TRUE(placeholder.IsOk());
    std::map<std::string, wxWeakRef<PopupDialog>> popups;
    for (const char* name : {"wide", "oversized", "text", "tall", "failed"})
        popups[name] =
            new PopupDialog(User(name, 0x01), POPUP_ONLINE, nullptr, wxID_ANY, wxEmptyString);
    ASSERT_TRUE(PumpUntil([&] {
        return std::all_of(popups.begin(), popups.end(),
                           [](auto& p) { return p.second && p.second->IsShown(); });
    }));
    for (const auto& [name, popup] : popups)
    {
        SCOPED_TRACE(name);
        const wxImage shown = popup->GetProfileBitmap().ConvertToImage();
        ASSERT_EQ(wxSize(107, 82), shown.GetSize());
        EXPECT_EQ(name != "wide", std::equal(shown.GetData(), shown.GetData() + 107 * 82 * 3,
                                             placeholder.GetData()));
        if (name == "wide")
        {
            EXPECT_GT(shown.GetRed(53, 41), 150);
        }
    }
    EXPECT_TRUE(PumpUntil([&] {
        return std::none_of(popups.begin(), popups.end(), [](auto& p) { return p.second; });
    }));
}

TEST_F(PopupTest, TheTimeCountsFromShowingNotFromCreation)
{
    Settings::WriteLong("/PopupDialog/duration", 1);
    sim.SetReplyDelays(ImagePath("late"), {1500});
    const auto created = steady_clock::now();
    wxWeakRef<PopupDialog> popup =
        new PopupDialog(User("late", 0x01), POPUP_ONLINE, nullptr, wxID_ANY, wxEmptyString);
    ASSERT_TRUE(PumpUntil([&] { return popup && popup->IsShown(); }));
    const auto shown = steady_clock::now();
    EXPECT_GE(duration_cast<milliseconds>(shown - created).count(), 1400);
    ASSERT_TRUE(PumpUntil([&] { return !popup; }));
    EXPECT_GE(duration_cast<milliseconds>(steady_clock::now() - shown).count(), 900);
}

// A work area less a task bar at the left and the top: the column stands in its bottom right
// corner, a new pop-up takes the lowest free slot, and one that finds no slot waits for one.
TEST_F(PopupTest, PopupsTakeTheLowestFreeSlotAndWaitWhenTheColumnIsFull)
{
    wxRect area(100, 40, 1000, 900);
    PopupDialogManager manager;
    manager.SetWorkAreaSource([&] { return area; });
    Arrive(manager, {"p1", "p2", "p3"});
    EXPECT_EQ((std::map<std::string, wxPoint>{
                  {"p1", {950, 790}}, {"p2", {950, 640}}, {"p3", {950, 490}}}),
              Places(manager, 3));
    Expire(manager.GetPopups()[0]);
    Arrive(manager, {"p4"});
    EXPECT_EQ((std::map<std::string, wxPoint>{
                  {"p2", {950, 640}}, {"p3", {950, 490}}, {"p4", {950, 790}}}),
              Places(manager, 3));

    area.height = 600; // room for one more
    Arrive(manager, {"p5", "p6"});
    Places(manager, 4);
    EXPECT_EQ(1u, manager.GetWaitingCount());
    EXPECT_EQ(4u, ExistingPopups().size());
    Expire(manager.GetPopups()[0]); // p2, in slot 2
    EXPECT_EQ(wxPoint(950, 340), Places(manager, 4)["p6"]);
    EXPECT_EQ(0u, manager.GetWaitingCount());
}

// The first list announces nobody; a performer a later poll adds pops up once, her picture
// asked for in the site's name; a burst of arrivals never opens more windows than there are
// slots nor fetches more pictures at once than the bound; and "Exit" ends it all at once while
// pictures stall.
TEST_F(PopupTest, ArrivalsFromTheSitePopUpOnceWithinTheBoundsAndGoWithTheWindow)
{
    Settings::WriteString("/Site/imageserver", wxString::FromUTF8(sim.ImageServer()));
    Settings::WriteLong("/System/syncinterval", 1);
    sim.SetPerformerList(PerformerList({"anna", "bert"}));
    TaveloSite site;

    wxWeakRef<MainFrame> frame = new MainFrame;
    const PopupDialogManager* manager = frame->GetPopupDialogManager();
    ASSERT_TRUE(PumpUntil([&] { return CountRequests(sim, "web", kListPath) >= 2; }));
    EXPECT_EQ(0u, ExistingPopups().size());
    EXPECT_EQ(0u, CountRequests(sim, "image"));

    sim.SetPerformerList(PerformerList({"anna", "bert", "cleo"}));
    ASSERT_TRUE(PumpUntil(
        [&] { return manager->GetPopups().size() == 1 && manager->GetPopups()[0]->IsShown(); }));
    const size_t polls = CountRequests(sim, "web", kListPath);
    ASSERT_TRUE(PumpUntil([&] { return CountRequests(sim, "web", kListPath) >= polls + 2; }));
    EXPECT_EQ(1u, ExistingPopups().size());
    const auto requests = sim.Requests();
    const auto image =
        std::find_if(requests.begin(), requests.end(), [](auto& r) { return r.server == "image"; });
    ASSERT_NE(requests.end(), image);
    EXPECT_EQ(1u, CountRequests(sim, "image"));
    EXPECT_EQ("/WebArchive/cleo/thumbs/LinkedImage.jpg", image->path);
    const auto host = std::find_if(image->headers.begin(), image->headers.end(),
                                   [](auto& h) { return h.first == "Host"; });
    ASSERT_NE(image->headers.end(), host);
    EXPECT_EQ(sim.WebServer(), host->second);

    // 300 arrivals whose pictures never come.
    std::vector<std::string> names{"anna", "bert", "cleo"};
    for (int i = 0; i < 300; ++i)
        names.push_back("burst" + std::to_string(i));
    sim.SetFault("/WebArchive/*", sitesim::Fault::NoAnswer);
    sim.ResetPeakConnections();
    sim.SetPerformerList(PerformerList(names));
    const size_t slots =
        static_cast<size_t>(wxGetClientDisplayRect().height / PopupDialog::kHeight);
    const size_t bound = PopupDialogManager::kMaxDownloads;
    size_t mostWindows = 0;
    ASSERT_TRUE(PumpUntil([&] {
        mostWindows = std::max(mostWindows, ExistingPopups().size());
        return CountRequests(sim, "image") == 1 + bound &&
               manager->GetWaitingCount() == 300 - bound;
    }));
    EXPECT_LE(mostWindows, slots);
    EXPECT_EQ(static_cast<int>(bound), sim.PeakConnections("image"));

    const auto start = steady_clock::now();
    wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
    frame->GetEventHandler()->ProcessEvent(exit);
    EXPECT_TRUE(PumpUntil([&] { return !frame && ExistingPopups().empty(); }, milliseconds(1000)));
    // Every transfer has ended with the window: nothing is left to reply after the host's
    // last look at its queue.
    EXPECT_TRUE(DownloadThread::WaitForAll(0));
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - start).count(), 1000);
}
