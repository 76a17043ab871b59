// The host program: loads the real module beside itself, starts however it is called, exits cleanly.
#include <gtest/gtest.h>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/file.h>
#include <wx/utils.h>

#include <csignal>

#include <chrono>
#include <string>

#include "HostProcess.h"
#include "SiteSim.h"

namespace
{
const wxString kOutput = SOLVANE_OUTPUT_DIR;
} // namespace

constexpr std::chrono::seconds kRunLimit{20};

// However it is started, the host finds the module beside its real file; the module names the
// application; a missing settings folder is created; the exit is clean.
TEST(HostTest, LoadsTheModuleHoweverItIsStarted)
{
    const wxString dir = TempDir("solvane-host");
    ASSERT_EQ(0, symlink((kOutput + "/Solvane").fn_str(), (dir + "/watcher").fn_str()));
    wxSetEnv("XDG_CONFIG_HOME", dir + "/fresh/config");
    struct Start
    {
        wxString command, cwd, path;
    };
    for (const Start& start : {Start{kOutput + "/Solvane --probe", "", ""},
                               Start{"./Solvane --probe", kOutput, ""},
                               Start{"Solvane --probe", "/", kOutput + ":/usr/bin:/bin"},
                               Start{dir + "/watcher --probe", dir, ""}})
    {
        SCOPED_TRACE(start.command);
        HostProcess host(start.command, start.cwd, start.path);
        ASSERT_TRUE(host.Wait(kRunLimit)) << "hung; it wrote: " << host.out << host.err;
        EXPECT_TRUE(host.ExitedWith(0)) << host.err;
        EXPECT_EQ(0u, host.out.find("vendor=Tavelo app=Messenger\nskin=yes catalogue="));
        EXPECT_EQ("", host.err);
    }
    wxUnsetEnv("XDG_CONFIG_HOME");
    EXPECT_TRUE(wxFileName::DirExists(dir + "/fresh/config"));
    wxFileName::Rmdir(dir, wxPATH_RMDIR_RECURSIVE);
}

TEST(HostTest, MissingBrokenOrEntrylessModuleIsAClearErrorNotACrash)
{
    const wxString dir = TempDir("solvane-host");
    wxCopyFile(kOutput + "/Solvane", dir + "/Solvane");
    wxFileName(dir + "/Solvane").SetPermissions(wxPOSIX_USER_READ | wxPOSIX_USER_WRITE | wxPOSIX_USER_EXECUTE);
    const struct
    {
        const char* module; // copied in as Solvane.so; null: none, else a file or a text
        const char* says;
    } cases[] = {{nullptr, "Solvane.so is missing"},
                 {"this is not a shared library\n", "could not be loaded"},
                 {NO_ENTRY_MODULE, "has no SiteRun entry"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.says);
        if (c.module && wxFileName::FileExists(c.module))
            wxCopyFile(c.module, dir + "/Solvane.so");
        else if (c.module)
            wxFile(dir + "/Solvane.so", wxFile::write).Write(c.module);
        HostProcess host(dir + "/Solvane --probe");
        ASSERT_TRUE(host.Wait(kRunLimit)) << "hung; it wrote: " << host.out << host.err;
        EXPECT_TRUE(host.ExitedWith(1));
        EXPECT_NE(std::string::npos, host.err.find(c.says)) << host.err;
    }
    wxFileName::Rmdir(dir, wxPATH_RMDIR_RECURSIVE);
}

// With the site unreachable the program keeps retrying a few seconds apart (the failure box
// waits for half a minute of failures), and told to close meanwhile it ends at once. Repeated,
// as the moment of closing against a refresh depends on timing.
TEST(HostTest, EndsPromptlyWhileTheSiteIsUnreachable)
{
    sitesim::SiteSim stopped;
    ASSERT_TRUE(stopped.Start());
    stopped.Stop(); // nothing listens there any more
    const wxString home = ConfigHome(wxString::Format("[Site]\nwebserver=%s\n[SplashScreen]\nduration=0\n", stopped.WebServer()));
    wxSetEnv("XDG_CONFIG_HOME", home + "/config");
    for (int run = 0; run < 10; ++run)
    {
        SCOPED_TRACE(run);
        HostProcess probe(kOutput + "/Solvane --probe");
        ASSERT_TRUE(probe.Wait(kRunLimit)) << "the start-up check hung";
        EXPECT_TRUE(probe.ExitedWith(0)) << probe.err;
    }

    // A polite kill while it waits to retry closes the program.
    HostProcess host(kOutput + "/Solvane");
    wxUnsetEnv("XDG_CONFIG_HOME");
    EXPECT_FALSE(host.Wait(std::chrono::milliseconds(1500)));
    host.Signal(SIGTERM);
    EXPECT_TRUE(host.Wait(std::chrono::seconds(1))) << "did not end within a second of SIGTERM";
    EXPECT_TRUE(host.ExitedWith(0)) << host.err;
    wxFileName::Rmdir(home, wxPATH_RMDIR_RECURSIVE);
}

// A whole run against the simulated site: the window polls, a polite kill closes it through
// the same road as the menu, the settings are saved privately, and the exit is clean.
TEST(HostTest, RunsAgainstTheSiteAndSavesItsSettingsOnAPoliteKill)
{
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    // With the update check off, the site hears only the refreshes.
    const wxString home = ConfigHome(wxString::Format("[Site]\nwebserver=%s\n[System]\nsyncinterval=1\n"
                                                      "[SplashScreen]\nduration=1\n[MainFrame]\nx=40\ny=30\n"
                                                      "[Update]\ncheck=0\n",
                                                      site.WebServer()));
    wxSetEnv("XDG_CONFIG_HOME", home + "/config");
    HostProcess host(kOutput + "/Solvane");
    wxUnsetEnv("XDG_CONFIG_HOME");

    // Three refreshes of the performer list a second apart: the program is up and polling.
    const bool polled = site.WaitForRequests(3, 15000);
    host.Signal(SIGTERM);
    const auto start = std::chrono::steady_clock::now();
    const bool ended = host.Wait(std::chrono::seconds(10));
    EXPECT_TRUE(polled);
    ASSERT_TRUE(ended) << "the host did not end after SIGTERM";
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 1000);
    EXPECT_TRUE(host.ExitedWith(0)) << host.err;
    for (const auto& request : site.Requests())
        EXPECT_EQ("/include/js/online_performers.js", request.path);

    const wxString saved = home + "/config/Messenger.conf";
    wxStructStat info;
    ASSERT_EQ(0, wxStat(saved, &info));
    EXPECT_EQ(0600, info.st_mode & 0777);
    wxFile file(saved);
    wxString text;
    file.ReadAll(&text);
    EXPECT_NE(wxNOT_FOUND, text.Find("width=240")) << text;
    EXPECT_NE(wxNOT_FOUND, text.Find("x=40")) << text;
    EXPECT_EQ(wxNOT_FOUND, text.Find("favorites")) << text;
    wxFileName::Rmdir(home, wxPATH_RMDIR_RECURSIVE);
}
