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
#include <random>
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
    // prelude: shell commands run first ("export NAME=value; ", "ulimit ...; ").
    void Start(const wxString& arguments = "", const wxString& prelude = "")
    {
        const std::string script =
            ("echo $$ >" + dir + "/pid; cd " + dir + " || exit 1; " + prelude + "XDG_CONFIG_HOME=" + dir + "/config " +
             (fresh ? "http_proxy=" + ClosedServer() + " " : wxString()) + "exec ./Solvane" + arguments + " >" + dir +
             "/out 2>" + dir + "/err </dev/null")
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

// A damaged settings file brings the main window and no box; its readable entries are used and
// it is kept as it was (one too large to read at once). An exit that can not save the settings
// (a full disk: the size the program may write is limited) ends with 0 and leaves the old file.
TEST(HostTest, ADamagedSettingsFileOrAFullDiskNeitherStopsTheProgramNorLosesTheFile)
{
    const std::string sound = "[Site]\nwebserver=" + ClosedServer().utf8_string() + "\n";
    std::string junk(10 << 20, '\0');
    std::mt19937 random(23);
    for (char& byte : junk)
        byte = static_cast<char>(random());
    const struct
    {
        const char* name;
        std::string text;
        const char* prelude;
        const char* says; // "": nothing
        bool keptAside;
    } cases[] = {
        {"an entry without a name", sound + "=x\n", "", "", true},
        {"a line without =", sound + "no equals\n", "", "", true},
        {"10 MB of junk", junk, "", "larger than 1 MiB", true},
        {"a full disk", sound + "# " + std::string(8192, 'x') + "\n", "ulimit -f 4; trap '' XFSZ; ",
         "the settings could not be saved", false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Install install(sound);
        install.Write("config/Messenger.conf", c.text); // bytes, which need not be text
        install.Start(" --probe", c.prelude);
        ASSERT_TRUE(install.Wait(kRunLimit)) << "hung; it wrote: " << install.err;
        EXPECT_EQ(0, install.code) << install.err;
        EXPECT_EQ(0u, install.out.find("vendor=Tavelo app=Messenger\nskin=yes")) << install.out;
        EXPECT_TRUE(*c.says ? install.err.find(c.says) != std::string::npos : install.err.empty()) << install.err;
        EXPECT_TRUE((c.keptAside ? c.text : "(none)") == install.Read("config/Messenger.conf.bad"));
        const std::string saved = install.Read("config/Messenger.conf");
        if (c.keptAside)
            EXPECT_EQ(0u, saved.find(c.text == junk ? "[MainFrame]\n" : sound + "[MainFrame]\n")) << saved;
        else
            EXPECT_TRUE(c.text == saved);
    }
}

// Picture downloads wait for a name server that takes 8 s: the exit still takes under a second,
// and no thread of the module runs as it is unloaded. When a stopped transfer is held all the same
// (here by a library that waits for its lookup), the program ends without unloading the module.
TEST(HostTest, AnExitDuringSlowNameLookupsTakesUnderASecondAndUnloadsNoRunningThread)
{
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    for (const bool held : {false, true})
    {
        SCOPED_TRACE(held ? "held" : "left to the lookup");
        Install install(
            wxString::Format("[Site]\nwebserver=%s\nimageserver=img.slow.test:%d\n[System]\nsyncinterval=1\n"
                             "[SplashScreen]\nduration=0\n[Update]\ncheck=0\n",
                             site.WebServer(), site.ImagePort()));
        install.Start("", wxString::Format("export LD_PRELOAD='%s %s' SOLVANE_HOLD_STOP_MS=%d "
                                           "ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0; ",
                                           SLOW_LOOKUP, UNLOAD_WATCH, held ? 8000 : 0));
        const auto lookups = [&] {
            const std::string err = install.Read("err");
            const size_t first = err.find("slow lookup: img.slow.test");
            return first != std::string::npos && err.find("slow lookup: img.slow.test", first + 1) != std::string::npos;
        };
        ASSERT_TRUE(WaitFor(lookups, kRunLimit)) << install.Read("err");
        install.Kill(SIGTERM);
        const auto start = steady_clock::now();
        ASSERT_TRUE(install.Wait(TimeLimit(10000))) << "did not end; it wrote: " << install.err;
        EXPECT_LT(steady_clock::now() - start, TimeLimit(1000));
        EXPECT_EQ(0, install.code) << install.err;
        const bool unloaded =
            install.err.find("unload watch: Solvane.so unloaded, 0 of its threads running") != std::string::npos;
        const bool leftLoaded = install.err.find("threads did not end within") != std::string::npos;
        EXPECT_TRUE(held ? leftLoaded && install.err.find("unload watch") == std::string::npos
                         : unloaded && !leftLoaded)
            << install.err;
    }
}
