// The desktop's notifications: which style goes where, and pop-ups sent to a real service (dunst)
// on a private session bus, read back with its control tool.
#include "ui/DesktopNotifier.h"

#include "model/PopupChoice.h"
#include "site/SiteAddress.h"

#include "TestFiles.h"
#include "TestGuiServices.h"
#include "WindowTest.h"

#include <regex>
#include <wx/utils.h>

namespace
{
// The text without its white space.
std::string Squeezed(std::string text)
{
    text.erase(std::remove_if(text.begin(), text.end(), isspace), text.end());
    return text;
}
// What a command prints, without white space.
std::string Output(const std::string& command)
{
    wxArrayString lines;
    wxExecute(command, lines, wxEXEC_SYNC | wxEXEC_NOEVENTS);
    return Squeezed(wxJoin(lines, ' ', 0).utf8_string());
}
// A program started with its output to a file; the fixture ends it.
long Start(const std::string& command, const std::string& log = "/dev/null")
{
    const std::string line = "exec " + command + " > " + log;
    const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
    return wxExecute(argv, wxEXEC_ASYNC);
}
bool Displayed(const char* count)
{
    return Output("dunstctl count displayed") == count;
}

class DesktopNotifierTest : public WindowTest
{
protected:
    // A bus of the test's own that starts no service by itself: the desktop of the person who
    // runs the test is never reached, and the service is there only once the test starts it.
    static void SetUpTestSuite()
    {
        WindowTest::SetUpTestSuite();
        WriteBytes(home + "/bus.conf", "<busconfig><type>session</type><listen>unix:path=" + home.utf8_string() +
                                           "/bus</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop="
                                           "\"true\"/><allow own=\"*\"/></policy></busconfig>");
        wxRemoveFile(home + "/bus");
        bus = Start("dbus-daemon --nofork --config-file=" + home.utf8_string() + "/bus.conf");
        wxSetEnv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home + "/bus");
        ASSERT_TRUE(WaitUntil([] { return wxFileName::Exists(home + "/bus", wxFILE_EXISTS_ANY); }));
    }
    static void TearDownTestSuite() { wxKill(bus); }
    void TearDown() override
    {
        for (const long pid : pids)
            wxKill(pid);
        WindowTest::TearDown();
    }

    static inline const wxString home = wxGetHomeDir();
    static inline long bus = 0;
    std::vector<long> pids;
    TestGuiServices gui;
};
} // namespace

TEST(PopupPlaceTest, StyleDisplayAndService)
{
    // Style, then the place on X11 with a service and without one, on Wayland with and without:
    // o the program's windows, d the desktop's, n the program's for want of a service.
    const std::pair<const char*, const char*> cases[] = {
        {"own", "oooo"}, {"desktop", "dndn"}, {"auto", "oodn"}, {"", "oodn"}, {"Desktop", "oodn"}};
    for (const auto& [style, places] : cases)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(places[i], "odn"[PopupPlaceFor(style, i >= 2, i % 2 == 0)]) << style << " " << i;
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
    // The service's menu picks "Never pop up"; what the service is sent goes to a file, one
    // value a line: the pictures' sizes and the hints are there.
    WriteBytes(home + "/dunstrc", "[global]\nfont = DejaVu Sans 10\ndmenu = /bin/sh -c 'grep -m1 \"Never pop up\"'\n"
                                  "[urgency_normal]\ntimeout = 60\n");
    pids = {Start("dunst -config " + home.utf8_string() + "/dunstrc"),
            Start("dbus-monitor interface=org.freedesktop.Notifications", (home + "/sent").utf8_string())};
    ASSERT_TRUE(PumpUntil([] { return Displayed("0"); }));
    const auto sent = [](const std::string& what) {
        return Squeezed(ReadBytes(home + "/sent")).find(what) != std::string::npos;
    };
    ASSERT_TRUE(PumpUntil([&] { return sent("member=NameLost"); })); // it is a monitor now
    Settings::WriteString("/Site/imageserver", sim.ImageServer());
    sim.SetFault("/WebArchive/Luna_Star/", sitesim::Fault::ServerError);
    Settings::WriteLong("/PopupDialog/duration", 7);
    std::vector<wxString> opened;
    gui.openDefaultBrowser = [&](const wxString& page) { return opened.push_back(page), true; };
    int clicks = 0;
    std::unique_ptr<DesktopNotifier> notifier = DesktopNotifier::ForStyle("desktop");
    ASSERT_TRUE(notifier);
    notifier->Show(User("AmberRose07", 0x01), POPUP_ONLINE);
    ASSERT_TRUE(PumpUntil([] { return Displayed("1"); }));
    Output("dunstctl action 0");
    ASSERT_TRUE(PumpUntil([&] { return !opened.empty(); }));
    EXPECT_EQ(std::vector<wxString>{SiteAddress::PerformerPage("AmberRose07")}, opened);
    // dunst keeps a notification up after its action: the next one is alone. Her picture
    // can not be fetched: the skin's placeholder stands in.
    Output("dunstctl close-all");
    notifier->Show(User("Luna_Star", 0x03), POPUP_FREE);
    ASSERT_TRUE(PumpUntil([] { return Displayed("1"); }));
    Output("dunstctl context");
    ASSERT_TRUE(PumpUntil([] { return ReadPopupChoice("Luna_Star") == CHOICE_NEVER; }));
    EXPECT_EQ(CHOICE_AS_SETTINGS, ReadPopupChoice("AmberRose07"));
    EXPECT_EQ(1u, opened.size());
    Output("dunstctl close-all");
    // The later texts replace the summary on its way rather than stack up.
    for (const char* text : {"3 more came online", "4 more came online", "5 more came online"})
        notifier->ShowSummary(text, [&] { ++clicks; });
    ASSERT_TRUE(PumpUntil([&] { return sent("\"5morecameonline\""); }));
    ASSERT_TRUE(PumpUntil([] { return Displayed("1"); }));
    Output("dunstctl action 0");
    ASSERT_TRUE(PumpUntil([&] { return clicks == 1; }));
    notifier.reset();
    Output("dunstctl close-all");
    // Newest first: one summary, with the last text; each with the program's name, category and time.
    std::map<std::string, std::vector<std::string>> fields;
    const std::string told = Output("dunstctl history");
    const std::regex field("\"(summary|appname|category|timeout)\":\\{\"type\":\"[sx]\",\"data\":\"?([^\",}]*)");
    for (std::sregex_iterator at(told.begin(), told.end(), field), end; at != end; ++at)
        fields[(*at)[1]].push_back((*at)[2]);
    using Texts = std::vector<std::string>;
    EXPECT_EQ((Texts{"5morecameonline", "Luna_Starisfreenow", "AmberRose07cameonline"}), fields["summary"]) << told;
    EXPECT_EQ(Texts(3, "Solvane"), fields["appname"]);
    EXPECT_EQ(Texts(3, "presence.online"), fields["category"]);
    EXPECT_EQ(Texts(3, "7000000"), fields["timeout"]);
    // The picture from the site (107 x 82, no alpha), and the placeholder in her place for the next.
    const std::string all = Squeezed(ReadBytes(home + "/sent"));
    const size_t first = all.find("string\"image-data\"variantstruct{int32107int3282int32321booleanfalseint328int323");
    EXPECT_LT(first, all.find("Luna_Starisfreenow"));
    EXPECT_LT(all.find("string\"image-data\"", first + 1), all.find("3morecameonline"));
    EXPECT_TRUE(sent("string\"desktop-entry\"variantstring\"solvane\""));
    // A notifier that goes with its call on the way: the cancelled reply touches nothing of it.
    DesktopNotifier::ForStyle("desktop")->ShowSummary("gone", {});
}
