// Pop-ups on a virtual display: who pops up, the picture or the placeholder, the time, the slots,
// and the whole road from the simulated site through the polling thread to "Exit".
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
bool PumpUntil(const std::function<bool()>& done, milliseconds limit = 10s)
{
    for (const auto end = steady_clock::now() + limit; !done(); std::this_thread::sleep_for(2ms))
    {
        if (steady_clock::now() > end)
            return false;
        wxYield();
        wxTheApp->ProcessIdle(); // where closed windows are deleted
    }
    return true;
}

long Milliseconds(steady_clock::duration time)
{
    return static_cast<long>(duration_cast<milliseconds>(time).count());
}

// A performer list in the site's format, each name online and free.
std::string PerformerList(const std::vector<std::string>& names)
{
    std::string body;
    for (const std::string& name : names)
        body += name + ".viewers = 1;\nonline_performers.add(" + name + ");\nfree_performers.add(" + name + ");\n";
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
        for (wxWindow* window : wxTopLevelWindows)
            window->Destroy();
        EXPECT_TRUE(DownloadThread::StopAll(5000));
        PumpUntil([] { return wxTopLevelWindows.empty(); });
    }

    size_t CountRequests(const std::string& server, const std::string& path = "") const
    {
        const auto requests = sim.Requests();
        return std::count_if(requests.begin(), requests.end(), [&](const sitesim::Request& r) {
            return r.server == server && (path.empty() || r.path == path);
        });
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
    wxTheApp->SetTopWindow(new wxFrame(nullptr, wxID_ANY, "on top"));
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
        EXPECT_TRUE(c.kind == POPUP_NONE || c.kind == manager.GetPopups()[0]->GetKind());
    }
    wxTheApp->SetTopWindow(nullptr);
}

// Whatever the picture server sends, and however late, the pop-up shows a 107 x 82 picture or
// the placeholder, and stays its time from the moment it shows.
TEST_F(PopupTest, ShowsThePictureScaledOrThePlaceholderForItsTimeFromShowing)
{
    Settings::WriteLong("/PopupDialog/duration", 1);
    const std::string wide = Red(400, 300, wxBITMAP_TYPE_JPEG);
    sim.SetResource(ImagePath("wide"), wide, "image/jpeg");
    sim.SetResource(ImagePath("late"), wide, "image/jpeg");
    sim.SetReplyDelays(ImagePath("late"), {1500});
    // Decoders ignore what follows the picture: only the length makes it too much.
    sim.SetResource(ImagePath("oversized"), wide + std::string(PopupDialog::kMaxPictureBytes, '\0'), "image/jpeg");
    sim.SetResource(ImagePath("text"), "<html>not a picture</html>", "text/html");
    sim.SetResource(ImagePath("tall"), Red(1, PopupDialog::kMaxPictureSide + 1, wxBITMAP_TYPE_PNG), "image/png");
    sim.SetFault(ImagePath("failed"), sitesim::Fault::ServerError);
    const wxImage placeholder = SkinImageStore::GetInstance()->GetImage("PopupDialog_profileImage");
    ASSERT_TRUE(placeholder.IsOk());

    std::map<std::string, wxWeakRef<PopupDialog>> popups;
    std::map<std::string, steady_clock::time_point> shown;
    const auto created = steady_clock::now();
    for (const char* name : {"wide", "late", "oversized", "text", "tall", "failed"})
        popups[name] = new PopupDialog(User(name, 0x01), POPUP_ONLINE, nullptr, wxID_ANY, wxEmptyString);
    // Each picture is looked at as its pop-up shows, each pop-up's time as it goes.
    ASSERT_TRUE(PumpUntil([&] {
        for (auto it = popups.begin(); it != popups.end();)
        {
            const std::string& name = it->first;
            if (it->second && it->second->IsShown() && !shown.count(name))
            {
                shown[name] = steady_clock::now();
                const wxImage picture = it->second->GetProfileBitmap().ConvertToImage();
                const bool real = name == "wide" || name == "late";
                EXPECT_EQ(wxSize(107, 82), picture.GetSize()) << name;
                EXPECT_EQ(!real, picture.GetSize() == wxSize(107, 82) &&
                                     std::equal(picture.GetData(), picture.GetData() + 107 * 82 * 3,
                                                placeholder.GetData()))
                    << name;
                EXPECT_TRUE(!real || picture.GetRed(53, 41) > 150) << name;
            }
            if (it->second)
            {
                ++it;
                continue;
            }
            EXPECT_TRUE(shown.count(name) && Milliseconds(steady_clock::now() - shown[name]) >= 900) << name;
            it = popups.erase(it);
        }
        return popups.empty();
    }));
    EXPECT_GE(Milliseconds(shown["late"] - created), 1400);
}

// A work area less a task bar at the left and the top: the column stands in its bottom right
// corner, a new pop-up takes the lowest free slot, and one that finds no slot waits for one.
TEST_F(PopupTest, PopupsTakeTheLowestFreeSlotAndWaitWhenTheColumnIsFull)
{
    wxRect area(100, 40, 1000, 900);
    PopupDialogManager manager;
    manager.SetWorkAreaSource([&] { return area; });
    const auto arrive = [&](std::vector<std::string> names) {
        for (const std::string& name : names)
        {
            UserEvent event(User(name, 0x01), EVT_USER_ADDED, UserEvent::kNoStatus);
            manager.ProcessEvent(event);
        }
    };
    // Where each pop-up shows, by name, once all count of them show.
    const auto places = [&](size_t count) {
        const auto& popups = manager.GetPopups();
        EXPECT_TRUE(PumpUntil([&] {
            return popups.size() == count && std::all_of(popups.begin(), popups.end(), [](PopupDialog* p) { return p->IsShown(); });
        }));
        std::map<std::string, wxPoint> where;
        for (const PopupDialog* popup : popups)
            where[popup->GetUser().GetName().ToStdString()] = popup->GetPosition();
        return where;
    };
    // Ends the lowest pop-up as its time does.
    const auto expire = [&] {
        wxTimer timer;
        wxTimerEvent event(timer);
        manager.GetPopups()[0]->OnDestroyTimer(event);
    };
    arrive({"p1", "p2", "p3"});
    EXPECT_EQ((std::map<std::string, wxPoint>{{"p1", {950, 790}}, {"p2", {950, 640}}, {"p3", {950, 490}}}), places(3));
    expire();
    arrive({"p4"});
    EXPECT_EQ((std::map<std::string, wxPoint>{{"p2", {950, 640}}, {"p3", {950, 490}}, {"p4", {950, 790}}}), places(3));

    area.height = 600; // room for one more
    arrive({"p5", "p6"});
    places(4);
    EXPECT_EQ(1u, manager.GetWaitingCount());
    EXPECT_EQ(4u, wxTopLevelWindows.size());
    expire(); // p2, in slot 2
    EXPECT_EQ(wxPoint(950, 340), places(4)["p6"]);
    EXPECT_EQ(0u, manager.GetWaitingCount());
}

// The first list announces nobody; a performer a later poll adds pops up once, her picture
// asked for in the site's name; a burst of arrivals never opens more windows than there are
// slots nor fetches more pictures at once than the bound; and "Exit" ends it all at once while
// pictures stall.
TEST_F(PopupTest, ArrivalsFromTheSitePopUpOnceWithinTheBoundsAndGoWithTheWindow)
{
    const std::string list = "/include/js/online_performers.js";
    Settings::WriteString("/Site/imageserver", wxString::FromUTF8(sim.ImageServer()));
    Settings::WriteLong("/System/syncinterval", 1);
    sim.SetPerformerList(PerformerList({"anna", "bert"}));
    TaveloSite site;
    wxWeakRef<MainFrame> frame = new MainFrame;
    const auto& popups = frame->GetPopupDialogManager()->GetPopups();
    ASSERT_TRUE(PumpUntil([&] { return CountRequests("web", list) >= 2; }));
    EXPECT_EQ(1u, wxTopLevelWindows.size());
    EXPECT_EQ(0u, CountRequests("image"));

    sim.SetPerformerList(PerformerList({"anna", "bert", "cleo"}));
    ASSERT_TRUE(PumpUntil([&] { return popups.size() == 1 && popups[0]->IsShown(); }));
    const size_t polls = CountRequests("web", list);
    ASSERT_TRUE(PumpUntil([&] { return CountRequests("web", list) >= polls + 2; }));
    EXPECT_EQ(2u, wxTopLevelWindows.size());
    ASSERT_EQ(1u, CountRequests("image"));
    const auto requests = sim.Requests();
    const auto image = std::find_if(requests.begin(), requests.end(), [](auto& r) { return r.server == "image"; });
    EXPECT_EQ("/WebArchive/cleo/thumbs/LinkedImage.jpg", image->path);
    EXPECT_NE(image->headers.end(), std::find(image->headers.begin(), image->headers.end(),
                                              std::make_pair(std::string("Host"), sim.WebServer())));

    // 300 arrivals whose pictures never come.
    std::vector<std::string> names{"anna", "bert", "cleo"};
    for (int i = 0; i < 300; ++i)
        names.push_back("burst" + std::to_string(i));
    sim.SetFault("/WebArchive/*", sitesim::Fault::NoAnswer);
    sim.ResetPeakConnections();
    sim.SetPerformerList(PerformerList(names));
    const size_t slots = static_cast<size_t>(wxGetClientDisplayRect().height / PopupDialog::kHeight);
    const size_t bound = PopupDialogManager::kMaxDownloads;
    size_t mostWindows = 0;
    ASSERT_TRUE(PumpUntil([&] {
        mostWindows = std::max(mostWindows, wxTopLevelWindows.size() - 1);
        return CountRequests("image") == 1 + bound && frame->GetPopupDialogManager()->GetWaitingCount() == 300 - bound;
    }));
    EXPECT_LE(mostWindows, slots);
    EXPECT_EQ(static_cast<int>(bound), sim.PeakConnections("image"));

    const auto start = steady_clock::now();
    wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
    frame->GetEventHandler()->ProcessEvent(exit);
    EXPECT_TRUE(PumpUntil([&] { return wxTopLevelWindows.empty(); }, 1s));
    // Every transfer has ended with the window: nothing is left to reply after the host's
    // last look at its queue.
    EXPECT_TRUE(DownloadThread::WaitForAll(0));
    EXPECT_LT(Milliseconds(steady_clock::now() - start), 1000);
}
