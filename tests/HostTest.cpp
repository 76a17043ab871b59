// The host program: loads the real module beside itself, starts however it is called, exits cleanly.
#include <gtest/gtest.h>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/file.h>
#include <wx/utils.h>

#include <unistd.h>
#include <csignal>
#include <sys/wait.h>

#include <chrono>

#include "SiteSim.h"


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

// A private folder, for an install or a home.
wxString TempDir(const char* prefix)
{
    const wxString dir = wxFileName::CreateTempFileName(prefix);
    wxRemoveFile(dir);
    wxFileName::Mkdir(dir, 0700);
    return dir;
}
} // namespace

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
        const Outcome run = RunHost(start.command, start.cwd, start.path);
        EXPECT_EQ(0, run.code) << run.err;
        EXPECT_EQ("vendor=Tavelo app=Messenger\n", run.out);
        EXPECT_EQ("", run.err);
    }
    wxUnsetEnv("XDG_CONFIG_HOME");
    EXPECT_TRUE(wxFileName::DirExists(dir + "/fresh/config"));
    wxFileName::Rmdir(dir, wxPATH_RMDIR_RECURSIVE);
}

TEST(HostTest, MissingOrBrokenModuleIsAClearErrorNotACrash)
{
    const wxString dir = TempDir("solvane-host");
    wxCopyFile(kOutput + "/Solvane", dir + "/Solvane");
    wxFileName(dir + "/Solvane").SetPermissions(wxPOSIX_USER_READ | wxPOSIX_USER_WRITE | wxPOSIX_USER_EXECUTE);
    const Outcome missing = RunHost(dir + "/Solvane --probe");
    EXPECT_EQ(1, missing.code);
    EXPECT_NE(wxNOT_FOUND, missing.err.Find("Solvane.so is missing")) << missing.err;

    wxFile(dir + "/Solvane.so", wxFile::write).Write("this is not a shared library\n");
    const Outcome bad = RunHost(dir + "/Solvane --probe");
    EXPECT_EQ(1, bad.code);
    EXPECT_NE(wxNOT_FOUND, bad.err.Find("could not be loaded")) << bad.err;
    wxFileName::Rmdir(dir, wxPATH_RMDIR_RECURSIVE);
}

// A whole run against the simulated site: the window polls, a polite kill closes it through
// the same road as the menu, the settings are saved privately, and the exit is clean.
TEST(HostTest, RunsAgainstTheSiteAndSavesItsSettingsOnAPoliteKill)
{
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    const wxString home = TempDir("solvane-run");
    wxFileName::Mkdir(home + "/config", 0700);
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
