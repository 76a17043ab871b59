// The desktop's notifications: which style goes where, and pop-ups sent to a real service (dunst)
// on a private session bus, read back with its control tool.
#include "ui/DesktopNotifier.h"

#include "model/PopupChoice.h"
#include "site/SiteAddress.h"

#include "TestGuiServices.h"
#include "WindowTest.h"

#include <glib.h>
#include <wx/utils.h>

#include <csignal>
#include <fstream>
#include <sys/wait.h>

namespace
{
// Runs a command line; its output.
std::string Output(const std::string& command)
{
    gchar* out = nullptr;
    g_spawn_command_line_sync(command.c_str(), &out, nullptr, nullptr, nullptr);
    std::string text = out ? out : "";
    g_free(out);
    return text;
}

GPid Start(std::vector<std::string> args, gint* out = nullptr)
{
    std::vector<gchar*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    GPid pid = 0;
    EXPECT_TRUE(g_spawn_async_with_pipes(nullptr, argv.data(), nullptr, GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                                         nullptr, nullptr, &pid, nullptr, out, nullptr, nullptr));
    return pid;
}

void Stop(GPid pid)
{
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

class DesktopNotifierTest : public WindowTest
{
protected:
    // A bus of the test's own, which starts no service by itself: nothing on the desktop of the
    // person running the test is reached, and the service is there only when the test starts it.
    static void SetUpTestSuite()
    {
        WindowTest::SetUpTestSuite();
        const std::string config = wxGetHomeDir().utf8_string() + "/session-bus.conf";
        std::ofstream(config) << "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                                 "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                 "<allow own=\"*\"/></policy></busconfig>";
        gint out = -1;
        bus = Start({"dbus-daemon", "--nofork", "--print-address=1", "--config-file=" + config}, &out);
        char address[512] = {};
        ASSERT_GT(read(out, address, sizeof address - 1), 0);
        close(out);
        g_setenv("DBUS_SESSION_BUS_ADDRESS", g_strstrip(address), TRUE);
    }
    static void TearDownTestSuite() { Stop(bus); }

    void StartService()
    {
        const std::string config = wxGetHomeDir().utf8_string() + "/dunstrc";
        std::ofstream(config) << "[global]\nfont = DejaVu Sans 10\nmax_icon_size = 82\ndmenu = /bin/sh -c 'grep -m1 "
                                 "\"Never pop up\"'\n[urgency_normal]\ntimeout = 60\n";
        service = Start({"dunst", "-config", config});
        ASSERT_TRUE(PumpUntil([] { return Output("dunstctl is-paused").find("false") == 0; }));
    }
    void TearDown() override
    {
        if (service)
            Stop(service);
        WindowTest::TearDown();
    }

    static inline GPid bus = 0;
    GPid service = 0;
    TestGuiServices gui;
};
} // namespace

TEST(PopupPlaceTest, StyleDisplayAndService)
{
    const PopupPlace own = PLACE_OWN_WINDOWS, desktop = PLACE_DESKTOP, none = PLACE_OWN_WINDOWS_NO_SERVICE;
    // Style, then the place on X11 with a service and without one, and on Wayland with and without.
    const std::tuple<const char*, PopupPlace, PopupPlace, PopupPlace, PopupPlace> cases[] = {
        {"own", own, own, own, own},
        {"desktop", desktop, none, desktop, none},
        {"auto", own, own, desktop, none},
        {"", own, own, desktop, none},
        {"Desktop", own, own, desktop, none},
    };
    for (const auto& [style, x11, x11Alone, wayland, waylandAlone] : cases)
    {
        SCOPED_TRACE(style);
        EXPECT_EQ(x11, PopupPlaceFor(style, false, true));
        EXPECT_EQ(x11Alone, PopupPlaceFor(style, false, false));
        EXPECT_EQ(wayland, PopupPlaceFor(style, true, true));
        EXPECT_EQ(waylandAlone, PopupPlaceFor(style, true, false));
    }
}

TEST_F(DesktopNotifierTest, WithoutAServiceThePopupsAreOwnWindowsAndThatIsSaidOnce)
{
    testing::internal::CaptureStderr();
    for (const char* style : {"desktop", "auto", "own", "desktop"})
        EXPECT_FALSE(DesktopNotifier::ForStyle(style)) << style;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, std::count(said.begin(), said.end(), '\n')) << said;
    EXPECT_NE(std::string::npos, said.find("Solvane: no notification service (org.freedesktop.Notifications)"));
}

TEST_F(DesktopNotifierTest, SendsPopupsAndOneSummaryToTheServiceAndFollowsTheirActions)
{
    StartService();
    EXPECT_FALSE(DesktopNotifier::ForStyle("auto")); // X11: the program's windows are placed
    Settings::WriteString("/Site/imageserver", sim.ImageServer());
    sim.SetFault("/WebArchive/Luna_Star/", sitesim::Fault::ServerError);
    Settings::WriteLong("/PopupDialog/duration", 7);
    std::vector<wxString> opened;
    gui.openDefaultBrowser = [&](const wxString& page) {
        opened.push_back(page);
        return true;
    };
    // What the service is sent, one line per value: the pictures' sizes and the hints are in it.
    gint out = -1;
    const GPid monitor = Start({"dbus-monitor", "interface=org.freedesktop.Notifications,member=Notify"}, &out);
    std::string sent;
    const auto hasSent = [&](const std::string& what) {
        char buffer[65536];
        for (ssize_t got; g_poll(std::vector<GPollFD>{{out, G_IO_IN, 0}}.data(), 1, 0) > 0 &&
                          (got = read(out, buffer, sizeof buffer)) > 0;)
            sent.append(buffer, got);
        sent.erase(std::remove_if(sent.begin(), sent.end(), isspace), sent.end());
        return sent.find(what) != std::string::npos;
    };
    ASSERT_TRUE(PumpUntil([&] { return hasSent("member=NameLost"); })); // it has become a monitor
    const auto displayed = [](const char* count) { return [=] { return Output("dunstctl count displayed") == count; }; };
    int clicks = 0;
    {
        const std::unique_ptr<DesktopNotifier> notifier = DesktopNotifier::ForStyle("desktop");
        ASSERT_TRUE(notifier);
        notifier->Show(User("AmberRose07", 0x01), POPUP_ONLINE);
        ASSERT_TRUE(PumpUntil(displayed("1\n")));
        Output("dunstctl action 0");
        ASSERT_TRUE(PumpUntil([&] { return !opened.empty(); }));
        EXPECT_EQ(std::vector<wxString>{SiteAddress::PerformerPage("AmberRose07")}, opened);

        // dunst keeps a notification up after its action: the next one is alone.
        Output("dunstctl close-all");
        // Her picture could not be fetched: the skin's placeholder stands in. The service's
        // menu picks "Never pop up".
        notifier->Show(User("Luna_Star", 0x03), POPUP_FREE);
        ASSERT_TRUE(PumpUntil(displayed("1\n")));
        Output("dunstctl context");
        ASSERT_TRUE(PumpUntil([] { return ReadPopupChoice("Luna_Star") == CHOICE_NEVER; }));
        EXPECT_EQ(CHOICE_AS_SETTINGS, ReadPopupChoice("AmberRose07"));
        EXPECT_EQ(1u, opened.size());
        Output("dunstctl close-all");

        // The later texts replace the summary on its way rather than stack up.
        for (const char* text : {"3 more came online", "4 more came online", "5 more came online"})
            notifier->ShowSummary(text, [&] { ++clicks; });
        ASSERT_TRUE(PumpUntil([&] { return hasSent("string\"5morecameonline\""); }));
        ASSERT_TRUE(PumpUntil(displayed("1\n")));
        Output("dunstctl action 0");
        ASSERT_TRUE(PumpUntil([&] { return clicks == 1; }));
    }
    Stop(monitor);
    close(out);
    Output("dunstctl close-all");
    const std::string history = Output("dunstctl history");
    const auto count = [&history](const std::string& what) {
        size_t n = 0;
        for (size_t at = 0; (at = history.find(what, at)) != std::string::npos; at += what.size())
            ++n;
        return n;
    };
    EXPECT_EQ(1u, count("\"data\" : \"AmberRose07 came online\"")) << history;
    EXPECT_EQ(1u, count("\"data\" : \"Luna_Star is free now\""));
    EXPECT_EQ(1u, count("more came online\"")); // one summary, with the last text
    EXPECT_EQ(1u, count("\"data\" : \"5 more came online\""));
    EXPECT_EQ(3u, count("\"data\" : \"Solvane\""));
    EXPECT_EQ(3u, count("\"data\" : \"presence.online\""));
    EXPECT_EQ(3u, count("\"data\" : 7000000"));
    EXPECT_EQ(0u, clicks - 1);
    // The picture from the site (107 x 82, no alpha), then the placeholder, each with its hints.
    const wxImage placeholder =
        SkinImageStore::GetInstance()->GetBitmapBundle("PopupDialog_profileImage").GetBitmap(wxDefaultSize).ConvertToImage();
    const auto picture = [](int width, int height, bool alpha) {
        return wxString::Format("string\"image-data\"variantstruct{int32%dint32%dint32%dboolean%sint328int32%d", width,
                                height, width * (alpha ? 4 : 3), alpha ? "true" : "false", alpha ? 4 : 3).utf8_string();
    };
    EXPECT_TRUE(hasSent(picture(107, 82, false))) << sent.substr(0, 2000);
    EXPECT_TRUE(hasSent(picture(placeholder.GetWidth(), placeholder.GetHeight(), placeholder.HasAlpha())));
    EXPECT_TRUE(hasSent("string\"desktop-entry\"variantstring\"solvane\""));

    // A notifier that goes with its call on the way: the cancelled reply touches nothing of it.
    DesktopNotifier::ForStyle("desktop")->ShowSummary("gone", {});
}
