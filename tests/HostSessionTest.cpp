// The host's session, seen from outside: one program per person, a new module's trial that only a
// failed start or a crash fails whatever else ends it, and a signal that ends it whatever box is up.
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
// is still there after the first one saves. The login at start, slowed down, ends while the window
// is minimised and leaves it so.
TEST(HostSessionTest, ASecondStartShowsTheRunningOneAndWritesNothing)
{
    if (std::system("command -v openbox >/dev/null") != 0)
        GTEST_SKIP() << "no openbox";
    sitesim::SiteSim site;
    // An account the site accepts: the stored account logs in at start.
    site.AddAccount("alice", "pw", {});
    site.SetReplyDelays("/loginchecker", {1000});
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
    EXPECT_FALSE(WaitUntil([&] { return IsMapped(main); }, TimeLimit(2000))) << "the login brought the window back";
    const std::string settings = install.Read("config/Messenger.conf");

    EXPECT_EQ(0, install.StartAgain()) << install.Read("err-again");
    EXPECT_LT(install.took, TimeLimit(2000));
    EXPECT_TRUE(WaitUntil([&] { return IsMapped(main); }, TimeLimit(2000))) << "the first window stayed hidden";
    EXPECT_EQ(settings, install.Read("config/Messenger.conf"));
    EXPECT_EQ(std::string::npos, install.Read("err-again").find("history")) << install.Read("err-again");
    install.Terminate();
    EXPECT_NE(std::string::npos, install.Read("config/Messenger.conf").find("id=alice"));
}

// A new module that can not be loaded or started is put aside at once, one that crashes (while
// loading, in SiteRun or a second into its trial) at the next start: the previous module and side
// files come back and run, and the module put aside is noted so that it is never installed again
// (the refused update's "put aside before"). Whatever else ends a step of the update (a kill at
// each step, a second start, a lost display, a polite kill), the next start runs the new module
// and keeps the previous one. Put back by hand after a kill, the previous module runs as it is.
TEST(HostSessionTest, ANewModuleFailsItsTrialOnlyByNotStartingOrACrash)
{
    if (DemoKey().empty())
        GTEST_SKIP() << "a build without the demo key";
    const std::string real = ReadBytes(kOutput + "/Solvane.so"), works = ReadBytes(TRIAL_MODULE_WORKS), none = "(none)";
    enum Step
    {
        MARKER_WRITTEN, // killed once the trial marker is written, before the previous module is linked
        LINKED,         // ... once it is linked as ".old"
        RENAMED,        // ... once the new module is in place, before its side files
        FIRST_START,    // killed while the new module runs
        SECOND_START,   // a second start while it runs, then killed
        LOST_DISPLAY,   // its X server goes away
        POLITE_KILL,    // SIGTERM
        BY_HAND,        // killed, then "mv Solvane.so.old Solvane.so"
        AT_ONCE,        // nothing comes before the start that tries it
        CRASHES,        // its first start crashes
    };
    const char* const putAside = "the new module does not work: it was put aside";
    const char* const crashed = "did not start properly last time";
    // The step, the new module, what the start after it says when the module is put aside (null:
    // it stays). A module that stays is the real one, over one that also works; one put aside
    // goes back to the real one.
    const std::tuple<const char*, Step, std::string, const char*> cases[] = {
        {"marker written", MARKER_WRITTEN, real, nullptr},
        {"linked", LINKED, real, nullptr},
        {"renamed", RENAMED, real, nullptr},
        {"first start", FIRST_START, real, nullptr},
        {"second start", SECOND_START, real, nullptr},
        {"lost display", LOST_DISPLAY, real, nullptr},
        {"polite kill", POLITE_KILL, real, nullptr},
        {"by hand", BY_HAND, real, nullptr},
        {"a clean end", AT_ONCE, real, nullptr},
        {"no library", AT_ONCE, "not a shared library\n", putAside},
        {"no entry", AT_ONCE, ReadBytes(NO_ENTRY_MODULE), putAside},
        {"SiteRun fails", AT_ONCE, ReadBytes(TRIAL_MODULE_SITERUN_FAILS),
         "could not start its window: it was put aside"},
        {"crash while loading", CRASHES, ReadBytes(TRIAL_MODULE_CRASH_IN_CONSTRUCTOR), crashed},
        {"crash in SiteRun", CRASHES, ReadBytes(TRIAL_MODULE_CRASH_IN_SITERUN), crashed},
        {"crash a second in", CRASHES, ReadBytes(TRIAL_MODULE_CRASH_LATER), crashed},
    };
    for (const auto& [name, step, pending, says] : cases)
    {
        SCOPED_TRACE(name);
        const std::string& previous = says ? real : works;
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
        if (step == CRASHES)
        {
            install.Start();
            ASSERT_TRUE(install.Wait(kRunLimit));
            EXPECT_EQ(128 + SIGSEGV, install.code) << install.err;
            EXPECT_TRUE(pending == install.Read("Solvane.so"));
            EXPECT_NE(none, install.Read("Solvane.so.trial"));
        }
        else if (step > RENAMED && step < AT_ONCE)
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
        EXPECT_EQ(none, install.Read("Solvane.so.trial"));
        // A quiet start and the side files in place where the program made every step itself.
        const bool byProgram = step > RENAMED && step != BY_HAND;
        EXPECT_TRUE(says ? install.err.find(says) != std::string::npos : !byProgram || install.err.empty())
            << install.err;
        EXPECT_TRUE((says || step == BY_HAND ? previous : pending) == install.Read("Solvane.so")) << install.err;
        EXPECT_TRUE(!byProgram || install.Read("Solvane.manifest") == (says ? "old manifest" : "new manifest"));
        EXPECT_TRUE((says ? pending : none) == install.Read("Solvane.so.bad")) << "put aside";
        EXPECT_EQ(says ? sitesim::Sha256Hex(pending) + "\n" : none, install.Read("Solvane.so.refused"));
        if (says)
        {
            EXPECT_EQ(0u, install.out.find("vendor=Tavelo app=Messenger\n")) << install.out;
        }
        else if (step != BY_HAND)
        {
            EXPECT_TRUE(previous == install.Read("Solvane.so.old"));
            EXPECT_TRUE(!byProgram || install.Read("Solvane.manifest.old") == "old manifest");
        }
    }
}

// SIGTERM, SIGINT and SIGHUP end the program at once as its exit command does, settings saved
// privately and with 0, whatever box is up: the account's dialog, the server-failure box, the
// toolkit's native message box, which runs GTK's own loop, and the update's question, which
// answers No (no module stays, no side file is fetched). So does SIGTERM while it polls (the
// update check off: the site hears only the refreshes) and while the update's question is on its
// way. (A module left behind unapproved is the refused update's case.)
TEST(HostSessionTest, ASignalEndsItWhateverBoxIsUp)
{
    const std::tuple<const char*, int> cases[] = {
        {"^Authentication$", SIGTERM}, {"^Authentication$", SIGHUP}, {"^Error$", SIGTERM},  {"^Native$", SIGTERM},
        {"^Native$", SIGINT},          {"polling", SIGTERM},         {"question", SIGTERM}, {"^Confirm$", SIGTERM},
    };
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    ASSERT_TRUE(DemoKey().empty() || site.SetUpdateKey(DemoKey()));
    site.SetUpdateVersion("1.3.1");
    site.SetUpdateFile("", "a newer module");
    site.SetUpdateFile("skin", "a newer skin");
    for (const auto& [box, signal] : cases)
    {
        SCOPED_TRACE(testing::Message() << box << " " << strsignal(signal));
        const std::string moment = box;
        const bool native = moment == "^Native$", login = moment == "^Authentication$", polling = moment == "polling",
                   update = moment == "question" || moment == "^Confirm$";
        if (update && DemoKey().empty())
            continue; // a build without the demo key offers no update it would take
        site.ClearRequests();
        // The server-failure box comes once the site has failed to answer a few times.
        Install install(wxString::Format("[Site]\nwebserver=%s\n[System]\nsyncinterval=1\n[SplashScreen]\n"
                                         "duration=0\n[Update]\ncheck=%d\n",
                                         login || polling || update ? site.WebServer() : ClosedServer(), update));
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
        // Polling: three requests a second apart show it up and polling; the question: the module has come.
        const auto ready = [&] {
            return polling                ? site.Requests().size() >= 3
                   : moment == "question" ? install.Read("Solvane.so.new") != "(none)"
                                          : !Window(box).empty();
        };
        ASSERT_TRUE(WaitUntil(ready, TimeLimit(60000))) << install.Read("err");
        if (moment == "^Confirm$")
        {
            EXPECT_FALSE(install.Wait(1500ms)) << "ended without an answer";
        }
        install.Terminate(signal);
        EXPECT_EQ(std::string::npos, install.err.find("CRITICAL")) << install.err;
        // The statement, its signature and the module: no side file after "No".
        EXPECT_EQ(update ? 3 : 0, UpdateRequests(site));
        EXPECT_EQ("(none)", install.Read("Solvane.so.new"));
        EXPECT_EQ("(none)", install.Read("Solvane.so.statement"));
        if (native)
        {
            EXPECT_EQ("", install.Read("box-was-answered"));
            continue;
        }
        wxStructStat info;
        ASSERT_EQ(0, wxStat(install.path + "/config/Messenger.conf", &info));
        EXPECT_EQ(0600, info.st_mode & 0777);
        EXPECT_NE(std::string::npos, install.Read("config/Messenger.conf").find("width=240"));
    }
}
