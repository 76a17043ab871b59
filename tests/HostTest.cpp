// The host program: finds the module beside itself however it is started, refuses one that can
// not run, puts a pending update in place or rolls it back, and ends at once when told to.
#include "SiteSim.h"
#include "TimeLimit.h"

#include <gtest/gtest.h>

#include <wx/filename.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono;

namespace
{
const wxString kOutput = SOLVANE_OUTPUT_DIR;
const milliseconds kRunLimit = TimeLimit(20000);

// Where nothing listens any more: a run that is not about the site reaches no other machine.
wxString ClosedServer()
{
    static const std::string server = [] {
        sitesim::SiteSim stopped;
        return stopped.Start() ? stopped.WebServer() : std::string();
    }();
    return server;
}

bool WaitFor(const std::function<bool()>& done, milliseconds limit)
{
    for (const auto end = steady_clock::now() + limit; !done(); std::this_thread::sleep_for(10ms))
    {
        if (steady_clock::now() > end)
            return false;
    }
    return true;
}

std::string Read(const wxString& path)
{
    std::ifstream file(path.fn_str(), std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(none)";
}

// A copy of the built program in a folder of its own, with its settings or none (a first run,
// whose requests go to a proxy where nothing listens); the host is started by a relative path from
// a shell of the test's own, its output kept in files, so that a host that hangs is a failure with
// its output rather than a test that never ends.
struct Install
{
    explicit Install(const wxString& settings = "") : fresh(settings.empty())
    {
        char name[] = "/tmp/solvane-XXXXXX";
        dir = mkdtemp(name);
        if (!fresh && wxFileName::Mkdir(dir + "/config"))
            Write("config/Messenger.conf", settings.utf8_string());
        for (const char* file : {"Solvane", "Solvane.skin", "Solvane.so"})
            wxCopyFile(kOutput + "/" + file, dir + "/" + file);
    }
    ~Install()
    {
        if (run.valid() && run.wait_for(0s) != std::future_status::ready)
            Kill(SIGKILL);
        run = {}; // waits for the end
        wxFileName::Rmdir(dir, wxPATH_RMDIR_RECURSIVE);
    }
    std::string Read(const char* name) const { return ::Read(dir + "/" + name); }
    void Write(const char* name, const std::string& bytes) const
    {
        if (bytes == "(none)")
            std::remove((dir + "/" + name).fn_str());
        else
            std::ofstream((dir + "/" + name).fn_str(), std::ios::binary) << bytes;
    }
    void Start(const wxString& arguments = "")
    {
        const std::string script = ("echo $$ >" + dir + "/pid; cd " + dir + " && XDG_CONFIG_HOME=" + dir + "/config " +
                                    (fresh ? "http_proxy=" + ClosedServer() + " " : wxString()) + "exec ./Solvane" +
                                    arguments + " >" + dir + "/out 2>" + dir + "/err </dev/null")
                                       .utf8_string();
        run = std::async(std::launch::async, [script] { return std::system(script.c_str()); });
    }
    // False when the host has not ended in time; else its exit code is kept.
    bool Wait(milliseconds limit)
    {
        const bool ended = run.valid() && run.wait_for(limit) == std::future_status::ready;
        const int status = ended ? run.get() : 0;
        code = !ended ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        out = Read("out");
        err = Read("err");
        return ended;
    }
    void Kill(int signal) const { kill(std::stoi(Read("pid")), signal); }

    const bool fresh;
    wxString dir;
    std::future<int> run;
    int code = -1;
    std::string out, err;
};

int UpdateRequests(const sitesim::SiteSim& site)
{
    int count = 0;
    for (const sitesim::Request& request : site.Requests())
        count += request.path == "/cgi-bin/app/update.cgi";
    return count;
}
} // namespace

// A module that is missing, no library or without its entry is a clear error. A pending module
// goes in before loading (the current one here could not even load); one that can not load or
// lacks an export goes aside as ".bad", the old one runs, and the side files fetched with it go.
// A module that runs names the application, finds its skin and creates the settings folder.
TEST(HostTest, AModuleThatCanNotRunIsRefusedAndAPendingOneGoesInOrIsRolledBack)
{
    const std::string module = Read(kOutput + "/Solvane.so"), garbage = "not a shared library\n",
                      noEntry = Read(NO_ENTRY_MODULE), none = "(none)";
    const struct
    {
        std::string current, pending;
        int code;
        const char* says; // null: nothing
    } cases[] = {
        {none, none, 1, "Solvane.so is missing"},         {garbage, none, 1, "could not be loaded"},
        {noEntry, none, 1, "has no SiteRun entry"},       {garbage, module, 0, nullptr},
        {module, garbage, 0, "the previous module runs"}, {module, noEntry, 0, "the previous module runs"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.current.size() << " bytes, pending " << c.pending.size());
        Install install;
        install.Write("Solvane.so", c.current);
        install.Write("Solvane.so.new", c.pending);
        install.Write("Solvane.manifest", "old manifest");
        install.Write("Solvane.manifest.new", "new manifest");
        install.Start(" --probe");
        ASSERT_TRUE(install.Wait(kRunLimit)) << "hung; it wrote: " << install.err;
        EXPECT_EQ(c.code, install.code) << install.err;
        EXPECT_TRUE(c.says ? install.err.find(c.says) != std::string::npos : install.err.empty()) << install.err;
        if (c.code == 0)
        {
            EXPECT_EQ(0u, install.out.find("vendor=Tavelo app=Messenger\nskin=yes catalogue=")) << install.out;
            EXPECT_TRUE(wxFileName::DirExists(install.dir + "/config"));
        }
        if (c.pending == none)
            continue;
        const bool rolledBack = c.says != nullptr;
        EXPECT_TRUE(module == install.Read("Solvane.so"));
        EXPECT_TRUE((rolledBack ? c.pending : none) == install.Read("Solvane.so.bad"));
        EXPECT_TRUE((rolledBack ? none : c.current) == install.Read("Solvane.so.old"));
        EXPECT_EQ(rolledBack ? "old manifest" : "new manifest", install.Read("Solvane.manifest"));
        EXPECT_EQ(none, install.Read("Solvane.manifest.new"));
    }
}

// A polite kill ends the program at once, through the same road as the menu, whether it is
// polling (the update check off: the site hears only the refreshes), the module is coming, the
// question is on its way or the box is up (which answers No: no module stays and no side file
// is fetched); the settings are saved, privately.
TEST(HostTest, APoliteKillEndsItAtOnceAndSavesTheSettings)
{
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    site.SetUpdateVersion("1.3.1");
    site.SetUpdateFile("", "a newer module");
    site.SetUpdateFile("skin", "a newer skin");
    for (const std::string moment : {"polling", "transfer", "question", "box"})
    {
        SCOPED_TRACE(moment);
        const bool polling = moment == "polling", transfer = moment == "transfer";
        site.ClearRequests();
        site.SetFault("/cgi-bin/app/update.cgi", transfer ? sitesim::Fault::StallMidBody : sitesim::Fault::None);
        Install install(wxString::Format("[Site]\nwebserver=%s\n[System]\nsyncinterval=1\n[Update]\ncheck=%d\n",
                                         site.WebServer(), !polling));
        install.Start();
        ASSERT_TRUE(WaitFor(
            [&] {
                return polling    ? site.Requests().size() >= 3 // a second apart: up and polling
                       : transfer ? UpdateRequests(site) == 1
                                  : install.Read("Solvane.so.new") == "a newer module";
            },
            kRunLimit));
        if (moment == "box")
        {
            EXPECT_FALSE(install.Wait(1500ms)) << "ended without an answer";
        }
        install.Kill(SIGTERM);
        const auto start = steady_clock::now();
        ASSERT_TRUE(install.Wait(TimeLimit(10000))) << "did not end; it wrote: " << install.err;
        EXPECT_LT(steady_clock::now() - start, TimeLimit(1000));
        EXPECT_EQ(0, install.code) << install.err;
        EXPECT_EQ("(none)", install.Read("Solvane.so.new"));
        EXPECT_EQ(polling ? 0 : 1, UpdateRequests(site));
        wxStructStat info;
        ASSERT_EQ(0, wxStat(install.dir + "/config/Messenger.conf", &info));
        EXPECT_EQ(0600, info.st_mode & 0777);
        EXPECT_NE(std::string::npos, install.Read("config/Messenger.conf").find("width=240"));
    }
}
