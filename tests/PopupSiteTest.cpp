// Pop-ups from the simulated site through the real polling thread and the main window.
#include "net/DownloadThread.h"
#include "net/HttpGet.h"
#include "site/TaveloSite.h"
#include "ui/MainFrame.h"
#include "ui/PopupDialogManager.h"
#include "util/Settings.h"

#include "PopupTestSupport.h"
#include "SiteSim.h"

#include <gtest/gtest.h>

#include <wx/weakref.h>

#include <algorithm>

using namespace std::chrono;

namespace
{
const std::string kListPath = "/include/js/online_performers.js";

size_t CountRequests(const sitesim::SiteSim& sim, const std::string& server, const std::string& path = "")
{
    const auto requests = sim.Requests();
    return std::count_if(requests.begin(), requests.end(), [&](const sitesim::Request& request) {
        return request.server == server && (path.empty() || request.path == path);
    });
}

std::string HostHeader(const sitesim::Request& request)
{
    for (const auto& [name, value] : request.headers)
    {
        if (wxString(name).IsSameAs("Host", false))
            return value;
    }
    return "";
}
} // namespace

// The first list announces nobody; a performer a later poll adds pops up once, her picture
// asked for in the site's name; a burst of arrivals never opens more windows than there are
// slots nor fetches more pictures at once than the bound; and "Exit" ends it all at once while
// pictures stall.
TEST(PopupSiteTest, ArrivalsPopUpOnceWithinTheBoundsAndGoWithTheWindow)
{
    HttpGet::GlobalInit();
    UseProductSkin();
    sitesim::SiteSim sim;
    ASSERT_TRUE(sim.Start());
    Settings::WriteString("/Site/webserver", wxString::FromUTF8(sim.WebServer()));
    Settings::WriteString("/Site/imageserver", wxString::FromUTF8(sim.ImageServer()));
    Settings::WriteLong("/System/syncinterval", 1);
    Settings::WriteLong("/PopupDialog/duration", 60);
    sim.SetPerformerList(PerformerList({"anna", "bert"}));
    TaveloSite site;

    wxWeakRef<MainFrame> frame = new MainFrame;
    const PopupDialogManager* manager = frame->GetPopupDialogManager();
    ASSERT_TRUE(PumpUntil([&] { return CountRequests(sim, "web", kListPath) >= 2; }));
    EXPECT_EQ(0u, ExistingPopups().size());
    EXPECT_EQ(0u, CountRequests(sim, "image"));

    sim.SetPerformerList(PerformerList({"anna", "bert", "cleo"}));
    ASSERT_TRUE(PumpUntil([&] { return manager->GetPopups().size() == 1 && manager->GetPopups()[0]->IsShown(); }));
    const size_t polls = CountRequests(sim, "web", kListPath);
    ASSERT_TRUE(PumpUntil([&] { return CountRequests(sim, "web", kListPath) >= polls + 2; }));
    EXPECT_EQ(1u, ExistingPopups().size());
    const auto requests = sim.Requests();
    const auto images = std::count_if(requests.begin(), requests.end(),
                                      [](const sitesim::Request& r) { return r.server == "image"; });
    ASSERT_EQ(1, images);
    for (const sitesim::Request& request : requests)
    {
        if (request.server != "image")
            continue;
        EXPECT_EQ("/WebArchive/cleo/thumbs/LinkedImage.jpg", request.path);
        EXPECT_EQ(sim.WebServer(), HostHeader(request));
    }

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
        mostWindows = std::max(mostWindows, ExistingPopups().size());
        return CountRequests(sim, "image") == 1 + bound && manager->GetWaitingCount() == 300 - bound;
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
    PumpUntil([] { return wxTopLevelWindows.empty(); });
    sim.Stop();
}
