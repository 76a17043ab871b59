// The host's session, seen from outside: one program per person, a new module's trial that only a
// crash fails whatever else ends it, and a signal that ends the program whatever box is up.
#include "HostInstall.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <tuple>

namespace
{
const char* const kMainWindow = "^Solvane LoginChecker$";

bool IsMapped(const std::string& id)
{
    return std::system(("xwininfo -id " + id + " | grep -q IsViewable").c_str()) == 0;
}

// A program of the test's own beside the host (a window manager, an X server), killed as it goes.
struct Helper
{
    explicit Helper(const std::string& command)
        : pid(std::atoi(FirstLine(command + " >/dev/null 2>&1 & echo $!").c_str()))
    {
    }
    ~Helper()
    {
        if (pid > 0)
            kill(pid, SIGKILL);
    }
    const int pid;
};
} // namespace

// A second start (same person, same settings) brings the running program's window back from
// where it was minimised, ends at once with 0, and writes nothing: the account the first one holds
// is still there after the first one saves.
TEST(HostSessionTest, ASecondStartShowsTheRunningOneAndWritesNothing)
{
    if (std::system("command -v openbox >/dev/null") != 0)
        GTEST_SKIP() << "no openbox";
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    Install install(wxString::Format("id=alice\npassword=pw\n[Site]\nwebserver=%s\n[SplashScreen]\nduration=0\n"
                                     "[Update]\ncheck=0\n",
                                     site.WebServer()));
    const Helper windowManager("openbox");
    install.Start();
    std::string main;
    ASSERT_TRUE(WaitUntil([&] { return !(main = Window(kMainWindow)).empty(); }, kRunLimit)) << install.Read("err");
    std::system(("xdotool windowminimize --sync " + main).c_str());
    ASSERT_TRUE(WaitUntil([&] { return !IsMapped(main); }));
    const std::string settings = install.Read("config/Messenger.conf");

    EXPECT_EQ(0, install.StartAgain()) << install.Read("err-again");
    EXPECT_LT(install.took, TimeLimit(2000));
    EXPECT_TRUE(WaitUntil([&] { return IsMapped(main); }, TimeLimit(2000))) << "the first window stayed hidden";
    EXPECT_EQ(settings, install.Read("config/Messenger.conf"));
    EXPECT_EQ(std::string::npos, install.Read("err-again").find("history")) << install.Read("err-again");
    install.Terminate();
    EXPECT_NE(std::string::npos, install.Read("config/Messenger.conf").find("id=alice"));
}

// The new module on trial is the real one, the previous one a module that also works. Whatever
// ends a step of the update (a kill at each step, a second start, a lost display, a polite kill),
// the next start runs the new module and keeps the previous one: only a crash during the trial
// puts the new module aside. Put back by hand after a kill, the previous module runs as it is.
TEST(HostSessionTest, ANewModuleFailsItsTrialOnlyByACrash)
{
    if (DemoKey().empty())
        GTEST_SKIP() << "a build without the demo key";
    const std::string real = ReadBytes(kOutput + "/Solvane.so"), previous = ReadBytes(TRIAL_MODULE_WORKS),
                      crashing = ReadBytes(TRIAL_MODULE_CRASH_LATER), none = "(none)";
    enum Step
    {
        MARKER_WRITTEN, // killed once the trial marker is written, before the previous module is linked
        LINKED,         // ... once it is linked as ".old"
        RENAMED,        // ... once the new module is in place, before its side files
        FIRST_START,    // killed while the new module runs
        SECOND_START,   // a second start while it runs, then killed
        LOST_DISPLAY,   // its X server goes away
        POLITE_KILL,    // SIGTERM
        CRASH,          // the new module crashes a second into its trial
        BY_HAND,        // killed, then "mv Solvane.so.old Solvane.so"
    };
    const char* const names[] = {"marker written", "linked",      "renamed", "first start", "second start",
                                 "lost display",   "polite kill", "crash",   "by hand"};
    for (const Step step :
         {MARKER_WRITTEN, LINKED, RENAMED, FIRST_START, SECOND_START, LOST_DISPLAY, POLITE_KILL, CRASH, BY_HAND})
    {
        SCOPED_TRACE(names[step]);
        const std::string& pending = step == CRASH ? crashing : real;
        Install install;
        install.Write("Solvane.so", previous);
        Stage(install, pending);
        if (step <= RENAMED)
            install.Write("Solvane.so.trial",
                          "starts 1\nmodule " + sitesim::Sha256Hex(pending) + "\nreplaced manifest\n");
        if (step == LINKED || step == RENAMED)
            install.Write("Solvane.so.old", previous);
        if (step == RENAMED)
        {
            install.Write("Solvane.so", pending);
            install.Write("Solvane.so.new", none);
        }
        if (step == CRASH)
        {
            install.Start();
            ASSERT_TRUE(install.Wait(kRunLimit));
            EXPECT_EQ(128 + SIGSEGV, install.code) << install.err;
        }
        else if (step > RENAMED)
        {
            std::string display;
            std::unique_ptr<Helper> server;
            if (step == LOST_DISPLAY)
            {
                server = std::make_unique<Helper>("Xvfb -displayfd 3 -screen 0 800x600x24 3>" +
                                                  install.path.utf8_string() + "/display");
                ASSERT_TRUE(WaitUntil([&] { return install.Read("display").find('\n') != std::string::npos; }));
                display = ":" + install.Read("display").substr(0, install.Read("display").find('\n'));
            }
            install.Start("", display.empty() ? wxString() : "export DISPLAY=" + display + "; ");
            ASSERT_TRUE(WaitUntil([&] { return !Window(kMainWindow, display).empty(); }, kRunLimit))
                << install.Read("err");
            if (step == SECOND_START)
            {
                EXPECT_EQ(0, install.StartAgain()) << install.Read("err-again");
                EXPECT_NE(none, install.Read("Solvane.so.trial")) << "the trial ended";
            }
            if (step == POLITE_KILL)
                install.Kill(SIGTERM);
            else if (step == LOST_DISPLAY)
                server.reset();
            else
                install.Kill(SIGKILL);
            ASSERT_TRUE(install.Wait(kRunLimit));
            EXPECT_EQ(step == POLITE_KILL ? 0 : step == LOST_DISPLAY ? 1 : 128 + SIGKILL, install.code) << install.err;
            EXPECT_TRUE(step != BY_HAND ||
                        wxRenameFile(install.path + "/Solvane.so.old", install.path + "/Solvane.so"));
        }
        ASSERT_TRUE(install.Probe()) << "hung; it wrote: " << install.err;
        EXPECT_EQ(0, install.code) << install.err;
        EXPECT_TRUE((step == CRASH || step == BY_HAND ? previous : real) == install.Read("Solvane.so")) << install.err;
        EXPECT_EQ(none, install.Read("Solvane.so.trial"));
        EXPECT_TRUE((step == CRASH ? crashing : none) == install.Read("Solvane.so.bad")) << "put aside";
        EXPECT_EQ(step == CRASH ? sitesim::Sha256Hex(crashing) + "\n" : none, install.Read("Solvane.so.refused"));
        EXPECT_TRUE(step == CRASH || step == BY_HAND || previous == install.Read("Solvane.so.old"));
    }
}

// SIGTERM, SIGINT and SIGHUP end the program as its exit command does, settings saved and with 0,
// whatever box is up: the account's dialog, the server-failure box (the update's question is the
// polite kill's case) and the toolkit's native message box, which runs GTK's own loop.
TEST(HostSessionTest, ASignalEndsItWhateverBoxIsUp)
{
    const std::tuple<const char*, int> cases[] = {
        {"^Authentication$", SIGTERM}, {"^Authentication$", SIGHUP}, {"^Error$", SIGTERM},
        {"^Native$", SIGTERM},         {"^Native$", SIGINT},
    };
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    for (const auto& [box, signal] : cases)
    {
        SCOPED_TRACE(testing::Message() << box << " " << strsignal(signal));
        const bool native = box == std::string("^Native$"), login = box == std::string("^Authentication$");
        // The server-failure box comes once the site has failed to answer a few times.
        Install install(wxString::Format("[Site]\nwebserver=%s\n[System]\nsyncinterval=1\n[SplashScreen]\n"
                                         "duration=0\n[Update]\ncheck=0\n",
                                         login ? site.WebServer() : ClosedServer()));
        if (native)
            install.Write("Solvane.so", ReadBytes(NATIVE_BOX_MODULE));
        install.Start();
        if (login)
        {
            std::string main;
            ASSERT_TRUE(WaitUntil([&] { return !(main = Window(kMainWindow)).empty(); }, kRunLimit));
            // "&Tool", "&UpdateFavorite"; without a window manager the window gets the keyboard by hand.
            const std::string keys = " key --window " + main + " alt+t && sleep 0.5 && xdotool key u";
            std::system(("xdotool windowfocus --sync " + main + keys).c_str());
        }
        ASSERT_TRUE(WaitUntil([&] { return !Window(box).empty(); }, TimeLimit(60000))) << install.Read("err");
        install.Terminate(signal);
        EXPECT_EQ(std::string::npos, install.err.find("CRITICAL")) << install.err;
        if (native)
            EXPECT_EQ("", install.Read("box-was-answered"));
        else
            EXPECT_NE(std::string::npos, install.Read("config/Messenger.conf").find("width=240"));
    }
}
