// Pop-ups on a virtual display: who pops up, the picture or the placeholder, the time, the slots,
// and the whole road from the simulated site through the polling thread to "Exit".
#include "ui/HistoryPanel.h"
#include "ui/PopupDialog.h"
#include "ui/PopupDialogManager.h"
#include "ui/PopupOutlet.h"
#include "ui/PopupSummary.h"

#include "JpegWriter.h"
#include "WindowTest.h"

#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/uiaction.h>

#include <gdk/gdkx.h>

#include <algorithm>
#include <map>
#include <regex>
#include <tuple>

namespace
{
// A performer list in the site's format, each name online and free.
std::string PerformerList(const std::vector<std::string>& names)
{
    std::string body;
    for (const std::string& name : names)
        body += name + ".viewers = 1;\nonline_performers.add(" + name + ");\nfree_performers.add(" + name + ");\n";
    return body;
}

// A red JPEG picture, its red rising from left to right: scaled twice, it is not the same any more.
std::string RedRising(int width, int height)
{
    std::vector<uint8_t> rgb;
    for (int i = 0; i < width * height; ++i)
        rgb.insert(rgb.end(), {static_cast<uint8_t>(i % width * 255 / width), 0, 0});
    return sitesim::JpegWriter::Encode(rgb, width, height);
}

std::string ImagePath(const std::string& name)
{
    return "/WebArchive/" + name + "/thumbs/LinkedImage.jpg";
}

using PopupTest = WindowTest;
} // namespace

TEST_F(PopupTest, ManagerPopsUpForComingOnlineAndBecomingFreeAndFiltersByTheFrameMenu)
{
    wxMenuBar* menus = Open()->GetMenuBar();
    // Something else on top, as the splash screen is at start: the filter still reads the menu.
    wxTheApp->SetTopWindow(new wxFrame(nullptr, wxID_ANY, "on top"));
    Settings::WriteString("/favorites", "alice,bob,");
    Settings::WriteString("/PopupDialog/always", "dave,");
    Settings::WriteString("/PopupDialog/never", "bob,");

    const uint32_t none = UserEvent::kNoStatus;
    const wxEventType added = EVT_USER_ADDED, changed = EVT_USER_CHANGED;
    // The event, then whether the filter item is enabled and checked, and the pop-up that comes.
    const std::tuple<wxEventType, const char*, uint32_t, uint32_t, bool, bool, PopupKind> cases[] = {
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
        {added, "dave", none, 0x01, true, true, POPUP_ONLINE}, // always, though limited to favourites
        {added, "bob", none, 0x01, true, true, POPUP_NONE},    // never, though a favourite
    };
    for (const auto& [type, name, oldStatus, status, enabled, checked, kind] : cases)
    {
        SCOPED_TRACE(testing::Message() << name << " " << oldStatus << " to " << status);
        menus->Enable(ID_POPUP_ONLY_FAVORITE, enabled);
        menus->Check(ID_POPUP_ONLY_FAVORITE, checked);
        PopupDialogManager manager(menus);
        UserEvent event(User(name, status), type, oldStatus);
        manager.ProcessEvent(event);
        ASSERT_EQ(kind == POPUP_NONE ? 0u : 1u, manager.GetPopups().size());
        EXPECT_TRUE(kind == POPUP_NONE || kind == manager.GetPopups()[0]->GetKind());
    }
}

// Whatever the picture server sends, and however late, the pop-up shows a 107 x 82 picture or
// the placeholder, and stays its time from the moment it shows. On a screen scaled by 2 (this test
// runs again so) both have the screen's pixels: the picture scaled from what came, the
// placeholder the skin's 2x rendering.
TEST_F(PopupTest, ShowsThePictureScaledOrThePlaceholderForItsTimeFromShowing)
{
    Settings::WriteLong("/PopupDialog/duration", 1);
    const std::string wide = RedRising(400, 300);
    sim.SetResource(ImagePath("wide"), wide, "image/jpeg");
    sim.SetReplyDelays(ImagePath("wide"), {1500});
    // Decoders ignore what follows the picture: only the length makes it too much.
    sim.SetResource(ImagePath("oversized"), wide + std::string(PopupDialog::kMaxPictureBytes, '\0'), "image/jpeg");
    sim.SetResource(ImagePath("text"), "<html>not a picture</html>", "text/html");
    sim.SetResource(ImagePath("tall"), RedRising(1, PopupDialog::kMaxPictureSide + 1), "image/jpeg");
    sim.SetFault(ImagePath("failed"), sitesim::Fault::ServerError);

    std::map<std::string, wxWeakRef<PopupDialog>> popups;
    std::map<std::string, wxImage> pictures; // as each pop-up shows
    std::map<std::string, steady_clock::time_point> shown, gone;
    const auto created = steady_clock::now();
    for (const char* name : {"wide", "oversized", "text", "tall", "failed"})
        popups[name] = new PopupDialog(User(name, 0x01), POPUP_ONLINE, nullptr, wxID_ANY, wxEmptyString);
    const int scale = wxRound(popups["wide"]->GetContentScaleFactor());
    const wxSize size = wxSize(107, 82) * scale;
    const wxImage placeholder = SkinImageStore::GetInstance()->GetImage(scale == 2 ? "PopupDialog_profileImage@2x"
                                                                                   : "PopupDialog_profileImage");
    ASSERT_EQ(size, placeholder.GetSize());
    ASSERT_TRUE(PumpUntil([&] {
        for (auto& [name, popup] : popups)
        {
            // Each time is noted once, when first seen: emplace keeps an earlier one.
            if (popup && popup->IsShown() && shown.emplace(name, steady_clock::now()).second)
                pictures[name] = popup->GetProfileBitmap().ConvertToImage();
            if (!popup)
                gone.emplace(name, steady_clock::now());
        }
        return gone.size() == popups.size();
    }));
    ASSERT_EQ(popups.size(), pictures.size());
    for (const auto& [name, picture] : pictures)
    {
        SCOPED_TRACE(name);
        ASSERT_EQ(size, picture.GetSize());
        const bool real = name == "wide";
        EXPECT_EQ(!real, std::equal(picture.GetData(), picture.GetData() + size.x * size.y * 3, placeholder.GetData()));
        // Scaled once, from the picture that came, to the screen's pixels.
        const wxImage expected =
            PopupDialog::ProfileBitmap(PopupDialog::DecodeProfileImage(wide, scale), scale).ConvertToImage();
        EXPECT_TRUE(!real ||
                    std::equal(picture.GetData(), picture.GetData() + size.x * size.y * 3, expected.GetData()));
        EXPECT_TRUE(!real || picture.GetRed(size.x - 1, size.y / 2) > 200);
        EXPECT_GE(duration_cast<milliseconds>(gone[name] - shown[name]).count(), 900);
    }
    EXPECT_GE(duration_cast<milliseconds>(shown["wide"] - created).count(), 1400);
}

// A work area less a task bar at the left and the top: the column stands in its bottom right
// corner, a new pop-up takes the lowest free slot, and one that finds no slot waits for one,
// holding no window, until a slot frees. One whose performer leaves goes unseen, waiting or still
// fetching her picture; one already shown stays its time.
TEST_F(PopupTest, PopupsTakeTheLowestFreeSlotWaitWhenTheColumnIsFullAndGoUnseenWhenTheirPerformerLeaves)
{
    for (const char* late : {"p7", "p9", "p10", "p11"})
        sim.SetReplyDelays(ImagePath(late), {5000});
    Settings::WriteLong("/PopupDialog/perMinute", 0);
    wxRect area(100, 40, 1000, 900);
    PopupDialogManager manager;
    manager.SetWorkAreaSource([&] { return area; });
    // The pop-ups, oldest first, with their places.
    const auto column = [&] {
        wxString text;
        for (const PopupDialog* popup : manager.GetPopups())
            text += popup->GetUser().GetName() +
                    (popup->IsShown() ? wxString::Format(" %d,%d ", popup->GetPosition().x, popup->GetPosition().y)
                                      : wxString(" fetching "));
        return text.Trim();
    };
    // The work area's height, whether the oldest pop-up's time ends, who arrives and who leaves,
    // then the column and how many wait.
    // clang-format off
    const std::tuple<int, bool, std::vector<std::string>, std::vector<std::string>, const char*, size_t> steps[] = {
        {900, false, {"p1", "p2", "p3"}, {}, "p1 950,790 p2 950,640 p3 950,490", 0},
        {900, true, {"p4"}, {}, "p2 950,640 p3 950,490 p4 950,790", 0},
        {600, false, {"p5", "p6"}, {}, "p2 950,640 p3 950,490 p4 950,790 p5 950,40", 1},
        {600, true, {}, {}, "p3 950,490 p4 950,790 p5 950,40 p6 950,340", 0},
        {600, false, {"p8"}, {"p8"}, "p3 950,490 p4 950,790 p5 950,40 p6 950,340", 0},
        {600, true, {"p7"}, {}, "p4 950,790 p5 950,40 p6 950,340 p7 fetching", 0},
        {600, false, {}, {"p7", "p4"}, "p4 950,790 p5 950,40 p6 950,340", 0},
        // Each picture no longer wanted gives its download back: more can start than the bound.
        {900, false, {"p9", "p10", "p11"}, {"p9", "p10", "p11"}, "p4 950,790 p5 950,40 p6 950,340", 0},
        {900, false, {"p12"}, {}, "p4 950,790 p5 950,40 p6 950,340 p12 950,490", 0},
    };
    // clang-format on
    for (const auto& [height, expire, arrive, leave, expected, waiting] : steps)
    {
        area.height = height;
        wxTimer timer;
        wxTimerEvent timeUp(timer);
        if (expire)
            manager.GetPopups()[0]->OnDestroyTimer(timeUp);
        for (const auto& [names, type] : {std::pair(arrive, EVT_USER_ADDED), std::pair(leave, EVT_USER_DELETED)})
            for (const std::string& name : names)
            {
                UserEvent event(User(name, 0x01), type, UserEvent::kNoStatus);
                manager.ProcessEvent(event);
            }
        EXPECT_TRUE(PumpUntil([&, expected = expected] {
            return column() == expected && wxTopLevelWindows.size() == manager.GetPopups().size();
        })) << column();
        EXPECT_EQ(waiting, manager.GetWaitingCount());
    }
    EXPECT_EQ(5u, manager.GetDropCount(PopupQueue::DROP_LEFT));
}

// The first list announces nobody; of a burst of arrivals no more wait than the line holds, never
// more windows than there are slots nor more pictures fetched at once than the bound, each asked
// for in the site's name; and "Exit" ends it all at once while the pictures stall.
TEST_F(PopupTest, ArrivalsFromTheSitePopUpOnceWithinTheBoundsAndGoWithTheWindow)
{
    Settings::WriteString("/Site/imageserver", sim.ImageServer());
    Settings::WriteLong("/System/syncinterval", 1);
    sim.SetPerformerList(PerformerList({"anna", "bert"}));
    sim.SetFault("/WebArchive/*", sitesim::Fault::NoAnswer);
    const PopupDialogManager* manager = Open()->GetPopupDialogManager();
    ASSERT_TRUE(PumpUntil([&] { return CountRequests(kListPath) >= 2; }));
    EXPECT_EQ(1u, wxTopLevelWindows.size());

    std::vector<std::string> names{"anna", "bert"};
    for (int i = 0; i < 300; ++i)
        names.push_back("burst" + std::to_string(i));
    sim.SetPerformerList(PerformerList(names));
    const size_t slots = static_cast<size_t>(wxGetClientDisplayRect().height / PopupDialog::kHeight);
    const size_t bound = PopupDialogManager::kMaxDownloads;
    size_t mostWindows = 0, polls = 0;
    const auto settled = [&] {
        mostWindows = std::max(mostWindows, wxTopLevelWindows.size() - 1);
        return CountRequests("/WebArchive/") == bound &&
               manager->GetWaitingCount() == PopupQueue::kWaitingPerSlot * slots && CountRequests(kListPath) >= polls;
    };
    ASSERT_TRUE(PumpUntil(settled));
    polls = CountRequests(kListPath) + 2; // and so it stays
    ASSERT_TRUE(PumpUntil(settled));
    EXPECT_LE(mostWindows, slots);
    EXPECT_EQ(static_cast<int>(bound), sim.PeakConnections("image"));
    for (const sitesim::Request& request : sim.Requests())
    {
        if (request.server != "image")
            continue;
        EXPECT_TRUE(std::regex_match(request.path, std::regex("/WebArchive/burst[0-9]+/thumbs/LinkedImage.jpg")));
        const std::pair<std::string, std::string> host{"Host", sim.WebServer()};
        EXPECT_NE(request.headers.end(), std::find(request.headers.begin(), request.headers.end(), host));
    }
    EXPECT_LT(ExitBy([&] { frame->ProcessCommand(wxID_EXIT); }), TimeLimit(1000).count());
    // Every transfer has ended with the window: nothing is left to reply after the host's
    // last look at its queue.
    EXPECT_TRUE(DownloadThread::WaitForAll(0));
}

// A burst beyond the cap shows the cap's pop-ups and one summary, its count growing in place, a
// click on it showing the history, and starting again once it has gone. Through an outlet no
// window opens; while the active window is full screen nothing shows, and the summary tells later.
TEST_F(PopupTest, ABurstBeyondTheCapShowsTheCapAndOneSummaryOfTheRest)
{
    Settings::WriteLong("/PopupDialog/perMinute", 3);
    struct Outlet : PopupOutlet
    {
        std::vector<wxString> shown;
        std::function<void()> click;
        void Show(const User& user, PopupKind) override { shown.push_back(user.GetName()); }
        void ShowSummary(const wxString& text, std::function<void()> onClick) override
        {
            shown.push_back(text);
            click = std::move(onClick);
        }
    };
    // The root window stands in for the active window of a window manager.
    GdkWindow* root = gdk_get_default_root_window();
    const auto fullScreen = [root](bool on) {
        const long active = on ? static_cast<long>(GDK_WINDOW_XID(root)) : 0;
        GdkAtom state = gdk_atom_intern("_NET_WM_STATE_FULLSCREEN", FALSE);
        gdk_property_change(root, gdk_atom_intern("_NET_ACTIVE_WINDOW", FALSE), gdk_atom_intern("WINDOW", FALSE), 32,
                            GDK_PROP_MODE_REPLACE, reinterpret_cast<const guchar*>(&active), 1);
        gdk_property_change(root, gdk_atom_intern("_NET_WM_STATE", FALSE), gdk_atom_intern("ATOM", FALSE), 32,
                            GDK_PROP_MODE_REPLACE, reinterpret_cast<const guchar*>(&state), 1);
    };
    for (const char* mode : {"windows", "outlet", "full screen"})
    {
        SCOPED_TRACE(mode);
        Outlet outlet;
        int historyShown = 0;
        auto manager = std::make_unique<PopupDialogManager>();
        manager->SetShowHistory([&] { ++historyShown; });
        if (mode == std::string("outlet"))
            manager->SetOutlet(&outlet);
        fullScreen(mode == std::string("full screen"));
        int next = 0;
        const auto arrive = [&](int count) {
            for (const int end = next + count; next < end; ++next)
            {
                UserEvent event(User("p" + std::to_string(next), 0x01), EVT_USER_ADDED, UserEvent::kNoStatus);
                manager->ProcessEvent(event);
            }
        };
        const auto shown = [&](size_t popups) {
            return PumpUntil([&] {
                return manager->GetPopups().size() == popups && manager->GetSummary() &&
                       std::all_of(wxTopLevelWindows.begin(), wxTopLevelWindows.end(),
                                   [](const wxWindow* window) { return window->IsShown(); });
            });
        };
        arrive(10);
        if (mode == std::string("outlet"))
        {
            arrive(5);
            EXPECT_EQ((std::vector<wxString>{"p0", "p1", "p2", "1 more came online", "2 more came online",
                                             "3 more came online", "4 more came online", "5 more came online",
                                             "6 more came online", "7 more came online", "8 more came online",
                                             "9 more came online", "10 more came online", "11 more came online",
                                             "12 more came online"}),
                      outlet.shown);
            outlet.click();
            EXPECT_TRUE(wxTopLevelWindows.empty());
        }
        else if (mode == std::string("full screen"))
        {
            EXPECT_TRUE(wxTopLevelWindows.empty());
            fullScreen(false);
            wxTheApp->ProcessPendingEvents(); // the burst is over
            arrive(1);
            ASSERT_TRUE(shown(1));
            EXPECT_EQ("10 more came online", manager->GetSummary()->GetText());
        }
        else
        {
            ASSERT_TRUE(shown(3));
            const wxWeakRef<PopupSummary> summary = manager->GetSummary();
            EXPECT_EQ("7 more came online", summary->GetText());
            arrive(5);
            EXPECT_EQ(summary.get(), manager->GetSummary());
            EXPECT_EQ("12 more came online", summary->GetText());
            EXPECT_EQ(4u, wxTopLevelWindows.size());
            wxUIActionSimulator mouse;
            mouse.MouseMove(summary->GetScreenPosition() + wxPoint(8, PopupDialog::kHeight - 12));
            mouse.MouseClick();
            EXPECT_TRUE(PumpUntil([&] { return historyShown == 1; }));
            wxTimer timer;
            wxTimerEvent timeUp(timer);
            summary->OnTimer(timeUp);
            arrive(1);
            ASSERT_TRUE(shown(3));
            EXPECT_EQ("1 more came online", manager->GetSummary()->GetText());
        }
        EXPECT_EQ(1, historyShown + (mode == std::string("full screen")));
        manager.reset();
        PumpUntil([] { return wxTopLevelWindows.empty(); });
    } // The main window's answer to a click: back in sight, on the History page.
    Open()->Show(false);
    frame->GetPopupDialogManager()->ShowHistory();
    EXPECT_TRUE(frame->IsShown());
    EXPECT_EQ(frame->GetNotebook()->FindPage(frame->GetHistoryPanel()), frame->GetNotebook()->GetSelection());
}
