// The host program: loads the real module beside itself, starts however it is called, exits cleanly.
#include <gtest/gtest.h>

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/file.h>
#include <wx/utils.h>

#include <unistd.h>
#include <csignal>
#include <sys/wait.h>

#include <chrono>

#include "SiteSim.h"

#include <cstdlib>

namespace
{
const wxString kOutput = SOLVANE_OUTPUT_DIR;

struct Outcome
{
    long code;
    wxString out;
    wxString err;
};

Outcome RunHost(const wxString& command, const wxString& cwd = wxString(), const wxString& path = wxString())
{
    wxExecuteEnv env;
    wxGetEnvMap(&env.env);
    if (!path.empty())
        env.env["PATH"] = path;
    env.cwd = cwd;
    wxArrayString out, err;
    const long code = wxExecute(command, out, err, wxEXEC_SYNC | wxEXEC_NODISABLE, &env);
    Outcome outcome{code, wxString(), wxString()};
    for (const wxString& line : out)
        outcome.out += line + "\n";
    for (const wxString& line : err)
        outcome.err += line + "\n";
    return outcome;
}

// A private folder with the host and, if asked, its module.
wxString MakeInstall(bool withModule, const wxString& moduleBytes = wxString())
{
    const wxString dir = wxFileName::CreateTempFileName("solvane-host");
    wxRemoveFile(dir);
    wxFileName::Mkdir(dir, 0700);
    wxCopyFile(kOutput + "/Solvane", dir + "/Solvane");
    wxFileName(dir + "/Solvane").SetPermissions(wxPOSIX_USER_READ | wxPOSIX_USER_WRITE | wxPOSIX_USER_EXECUTE);
    if (withModule && moduleBytes.empty())
        wxCopyFile(kOutput + "/Solvane.so", dir + "/Solvane.so");
    else if (withModule)
    {
        wxFile broken(dir + "/Solvane.so", wxFile::write);
        broken.Write(moduleBytes);
    }
    return dir;
}
} // namespace

TEST(HostTest, LoadsTheModuleWhichNamesTheApplicationAndExitsCleanly)
{
    const Outcome run = RunHost(kOutput + "/Solvane --probe");
    EXPECT_EQ(0, run.code) << run.err;
    EXPECT_EQ("vendor=Tavelo app=Messenger\n", run.out);
    EXPECT_EQ("", run.err);
}

TEST(HostTest, FindsTheModuleByRelativePathThroughPathAndThroughALink)
{
    const Outcome relative = RunHost("./Solvane --probe", kOutput);
    EXPECT_EQ(0, relative.code) << relative.err;
    EXPECT_EQ("vendor=Tavelo app=Messenger\n", relative.out);

    const Outcome viaPath = RunHost("Solvane --probe", "/", kOutput + ":/usr/bin:/bin");
    EXPECT_EQ(0, viaPath.code) << viaPath.err;
    EXPECT_EQ("vendor=Tavelo app=Messenger\n", viaPath.out);

    const wxString linkDir = MakeInstall(false);
    wxRemoveFile(linkDir + "/Solvane");
    ASSERT_EQ(0, symlink((kOutput + "/Solvane").fn_str(), (linkDir + "/watcher").fn_str()));
    const Outcome linked = RunHost(linkDir + "/watcher --probe", linkDir);
    EXPECT_EQ(0, linked.code) << linked.err;
    EXPECT_EQ("vendor=Tavelo app=Messenger\n", linked.out);
    wxFileName::Rmdir(linkDir, wxPATH_RMDIR_RECURSIVE);
}

TEST(HostTest, MissingOrBrokenModuleIsAClearErrorNotACrash)
{
    const wxString bare = MakeInstall(false);
    const Outcome missing = RunHost(bare + "/Solvane --probe");
    EXPECT_EQ(1, missing.code);
    EXPECT_NE(wxNOT_FOUND, missing.err.Find("Solvane.so is missing")) << missing.err;
    wxFileName::Rmdir(bare, wxPATH_RMDIR_RECURSIVE);

    const wxString broken = MakeInstall(true, "this is not a shared library\n");
    const Outcome bad = RunHost(broken + "/Solvane --probe");
    EXPECT_EQ(1, bad.code);
    EXPECT_NE(wxNOT_FOUND, bad.err.Find("could not be loaded")) << bad.err;
    wxFileName::Rmdir(broken, wxPATH_RMDIR_RECURSIVE);
}

TEST(HostTest, SettingsFolderIsCreatedInTheXdgPlace)
{
    const wxString home = wxFileName::CreateTempFileName("solvane-home");
    wxRemoveFile(home);
    wxFileName::Mkdir(home, 0700);
    wxSetEnv("XDG_CONFIG_HOME", home + "/config");
    const Outcome run = RunHost(kOutput + "/Solvane --probe");
    wxUnsetEnv("XDG_CONFIG_HOME");
    EXPECT_EQ(0, run.code) << run.err;
    EXPECT_TRUE(wxFileName::DirExists(home + "/config"));
    wxFileName::Rmdir(home, wxPATH_RMDIR_RECURSIVE);
}

// A whole run against the simulated site: the window polls, a polite kill closes it through
// the same road as the menu, the settings are saved privately, and the exit is clean.
TEST(HostTest, RunsAgainstTheSiteAndSavesItsSettingsOnAPoliteKill)
{
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    const wxString home = wxFileName::CreateTempFileName("solvane-run");
    wxRemoveFile(home);
    wxFileName::Mkdir(home + "/config", 0700, wxPATH_MKDIR_FULL);
    {
        wxFile conf(home + "/config/Messenger.conf", wxFile::write);
        conf.Write(wxString::Format("[Site]\nwebserver=%s\n[System]\nsyncinterval=1\n"
                                    "[SplashScreen]\nduration=1\n[MainFrame]\nx=40\ny=30\n",
                                    site.WebServer()));
    }
    wxSetEnv("XDG_CONFIG_HOME", home + "/config");
    const wxString command = kOutput + "/Solvane";
    const char* const args[] = {command.c_str().AsChar(), nullptr};
    const pid_t pid = fork();
    if (pid == 0)
    {
        execv(args[0], const_cast<char* const*>(args));
        _exit(127);
    }
    wxUnsetEnv("XDG_CONFIG_HOME");
    ASSERT_GT(pid, 0);

    // Three refreshes of the performer list a second apart: the program is up and polling.
    const bool polled = site.WaitForRequests(3, 15000);
    kill(pid, SIGTERM);
    int status = -1;
    bool ended = false;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
    {
        if (waitpid(pid, &status, WNOHANG) == pid)
        {
            ended = true;
            break;
        }
        wxMilliSleep(20);
    }
    if (!ended)
    {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    EXPECT_TRUE(polled);
    ASSERT_TRUE(ended) << "the host did not end after SIGTERM";
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 1000);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
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
