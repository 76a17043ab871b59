// The host program: finds the module beside itself however it is started, refuses one that can
// not run, puts a pending update in place or rolls it back, and ends at once when told to.
#include "SiteSim.h"
#include "TestFiles.h"
#include "TimeLimit.h"
#include "UpdateSigner.h"

#include <gtest/gtest.h>

#include <wx/filename.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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
    std::string Read(const char* name) const { return ReadBytes(dir + "/" + name); }
    void Write(const char* name, const std::string& bytes) const
    {
        if (bytes == "(none)")
            std::remove((dir + "/" + name).fn_str());
        else
            WriteBytes(dir + "/" + name, bytes);
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

// The build's demo key signs the updates the host must accept.
std::string DemoKey()
{
    std::string key = ReadBytes(DEMO_KEY_FILE);
    return key == "(none)" ? std::string() : key.substr(0, key.find('\n'));
}

// An update waiting beside the module as the module leaves it after "Yes": the new module, a new
// manifest, the statement vouching for signedModule (the module itself unless the test says
// otherwise) signed with seed, and the approval when approved.
void Stage(const Install& install, const std::string& module, bool approved = true, std::string signedModule = "",
           std::string seed = DemoKey())
{
    if (signedModule.empty())
        signedModule = module;
    const std::string statement = sitesim::UpdateSigner::Statement(
        "1.3.1", 4102444800LL, {{"module", signedModule}, {"manifest", "new manifest"}});
    install.Write("Solvane.so.new", module);
    install.Write("Solvane.manifest", "old manifest");
    install.Write("Solvane.manifest.new", "new manifest");
    install.Write("Solvane.so.statement", statement);
    install.Write("Solvane.so.statement.sig", sitesim::SignDetached(statement, seed));
    if (approved)
        install.Write("Solvane.so.approved", sitesim::Sha256Hex(statement) + "\n");
}
} // namespace

// A module that is missing, no library or without its entry is a clear error; one that runs names
// the application, finds its skin and creates the settings folder. A settings file too large to
// read is kept aside and the program starts on its defaults; an exit that can not save the settings
// (a full disk: the size the program may write is limited) ends with 0 and leaves the old file.
TEST(HostTest, AModuleThatCanNotRunIsRefusedAndNoSettingsFileStopsOne)
{
    const std::string module = ReadBytes(kOutput + "/Solvane.so"), none = "(none)";
    const std::string sound = "[Site]\nwebserver=" + ClosedServer().utf8_string() + "\n";
    std::string junk(10 << 20, '\0');
    std::mt19937 random(23);
    for (char& byte : junk)
        byte = static_cast<char>(random());
    const struct
    {
        std::string current, settings;
        const char* prelude;
        int code;
        const char* says; // null: nothing
    } cases[] = {
        {none, "", "", 1, "Solvane.so is missing"},
        {"not a shared library\n", "", "", 1, "could not be loaded"},
        {ReadBytes(NO_ENTRY_MODULE), "", "", 1, "has no SiteRun entry"},
        {module, "", "", 0, nullptr},
        {module, junk, "", 0, "larger than 1 MiB"},
        {module, sound + "# " + std::string(8192, 'x') + "\n", "ulimit -f 4; trap '' XFSZ; ", 0,
         "the settings could not be saved"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.current.size() << " bytes, settings " << c.settings.size());
        Install install(c.settings.empty() ? "" : sound);
        install.Write("Solvane.so", c.current);
        if (!c.settings.empty())
            install.Write("config/Messenger.conf", c.settings); // bytes, which need not be text
        install.Start(" --probe", c.prelude);
        ASSERT_TRUE(install.Wait(kRunLimit)) << "hung; it wrote: " << install.err;
        EXPECT_EQ(c.code, install.code) << install.err;
        EXPECT_TRUE(c.says ? install.err.find(c.says) != std::string::npos : install.err.empty()) << install.err;
        if (c.code != 0)
            continue;
        EXPECT_EQ(0u, install.out.find("vendor=Tavelo app=Messenger\nskin=yes catalogue=")) << install.out;
        EXPECT_TRUE(wxFileName::DirExists(install.dir + "/config"));
        const bool junked = c.settings == junk, full = !c.settings.empty() && !junked;
        EXPECT_TRUE((junked ? junk : none) == install.Read("config/Messenger.conf.bad"));
        const std::string saved = install.Read("config/Messenger.conf");
        EXPECT_TRUE(junked ? saved.find("[MainFrame]\n") == 0 : !full || c.settings == saved) << saved.substr(0, 100);
    }
}

// A waiting module that the publisher did not sign, that differs from what was signed, that the
// person did not approve or that was put aside before is deleted with all that came with it, and
// never loaded: the module it would have been never leaves its mark. A packaged copy installs none.
TEST(HostTest, AnUnverifiedOrUnapprovedModuleIsDeletedAndNeverLoaded)
{
    if (DemoKey().empty())
        GTEST_SKIP() << "a build without the demo key";
    const std::string module = ReadBytes(kOutput + "/Solvane.so"), stranger = ReadBytes(TRIAL_MODULE_WORKS);
    std::string otherSeed, otherKey;
    sitesim::MakeUpdateKey(otherSeed, otherKey);
    const struct
    {
        const char* name;
        bool statement, approved;
        std::string signedModule, seed; // "": the module itself, the build's key
        const char* beside;             // a file put beside it, with these bytes
        std::string bytes;
        const char* says; // null: nothing
    } cases[] = {
        {"no statement", false, false, "", "", nullptr, "", "it has no release statement with a signature"},
        {"not approved", true, false, "", "", nullptr, "", "it was not approved"},
        {"another module signed", true, true, module, "", nullptr, "",
         "the module differs from the one its release statement describes"},
        {"another key", true, true, "", otherSeed, nullptr, "", "its release statement is not signed by the publisher"},
        {"put aside before", true, true, "", "", "Solvane.so.refused", sitesim::Sha256Hex(stranger) + "\n",
         "this module was put aside before"},
        // A copy the package manager updates takes nothing of its own, not even a verified update.
        {"packaged", true, true, "", "", "Solvane.no-self-update", "updated by the package manager\n", nullptr},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Install install;
        if (c.statement)
            Stage(install, stranger, c.approved, c.signedModule, c.seed.empty() ? DemoKey() : c.seed);
        else
            install.Write("Solvane.so.new", stranger);
        if (c.beside)
            install.Write(c.beside, c.bytes);
        install.Start(" --probe");
        ASSERT_TRUE(install.Wait(kRunLimit)) << "hung; it wrote: " << install.err;
        EXPECT_EQ(0, install.code) << install.err;
        EXPECT_EQ("(none)", install.Read("module-was-loaded"));
        EXPECT_TRUE(module == install.Read("Solvane.so"));
        if (!c.says)
        {
            EXPECT_TRUE(install.err.empty()) << install.err;
            continue;
        }
        EXPECT_NE(std::string::npos, install.err.find(std::string("update refused: ") + c.says)) << install.err;
        for (const char* gone : {"Solvane.so.new", "Solvane.manifest.new", "Solvane.so.statement",
                                 "Solvane.so.approved", "Solvane.so.trial"})
            EXPECT_EQ("(none)", install.Read(gone)) << gone;
        EXPECT_EQ(c.statement ? "old manifest" : "(none)", install.Read("Solvane.manifest"));
    }
}

// A verified, approved module goes in with its side files and is tried: one that runs until a
// clean end stays; one that can not be loaded or started is put aside at once, and one that
// crashes (while loading or in SiteRun) at the next start; the previous module and side files come
// back and run, and the module put aside (noted for each) is never installed again.
TEST(HostTest, ANewModuleIsTriedAndRolledBackWhenItDoesNotStart)
{
    if (DemoKey().empty())
        GTEST_SKIP() << "a build without the demo key";
    const std::string module = ReadBytes(kOutput + "/Solvane.so"), none = "(none)";
    const struct
    {
        const char* name;
        std::string pending;
        bool crashes;     // the first start dies
        const char* says; // null: it stays
    } cases[] = {
        {"works", ReadBytes(TRIAL_MODULE_WORKS), false, nullptr},
        {"no library", "not a shared library\n", false, "the new module does not work: it was put aside"},
        {"no entry", ReadBytes(NO_ENTRY_MODULE), false, "the new module does not work: it was put aside"},
        {"SiteRun fails", ReadBytes(TRIAL_MODULE_SITERUN_FAILS), false, "could not start its window: it was put aside"},
        {"crash while loading", ReadBytes(TRIAL_MODULE_CRASH_IN_CONSTRUCTOR), true, "did not start properly last time"},
        {"crash in SiteRun", ReadBytes(TRIAL_MODULE_CRASH_IN_SITERUN), true, "did not start properly last time"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Install install;
        Stage(install, c.pending);
        install.Start(" --probe");
        ASSERT_TRUE(install.Wait(kRunLimit)) << "hung; it wrote: " << install.err;
        if (c.crashes)
        {
            EXPECT_NE(0, install.code);
            EXPECT_TRUE(c.pending == install.Read("Solvane.so"));
            EXPECT_NE(none, install.Read("Solvane.so.trial"));
            install.Start(" --probe");
            ASSERT_TRUE(install.Wait(kRunLimit)) << "hung; it wrote: " << install.err;
        }
        EXPECT_EQ(0, install.code) << install.err;
        EXPECT_EQ(none, install.Read("Solvane.so.trial"));
        if (!c.says)
        {
            EXPECT_TRUE(install.err.empty()) << install.err;
            EXPECT_TRUE(c.pending == install.Read("Solvane.so"));
            EXPECT_TRUE(module == install.Read("Solvane.so.old"));
            EXPECT_EQ("new manifest", install.Read("Solvane.manifest"));
            EXPECT_EQ("old manifest", install.Read("Solvane.manifest.old"));
            continue;
        }
        EXPECT_NE(std::string::npos, install.err.find(c.says)) << install.err;
        EXPECT_EQ(0u, install.out.find("vendor=Tavelo app=Messenger\n")) << install.out;
        EXPECT_TRUE(module == install.Read("Solvane.so"));
        EXPECT_TRUE(c.pending == install.Read("Solvane.so.bad"));
        EXPECT_EQ("old manifest", install.Read("Solvane.manifest"));
        EXPECT_EQ(sitesim::Sha256Hex(c.pending) + "\n", install.Read("Solvane.so.refused"));

        // Offered and approved once more, it is refused before it is loaded.
        if (!c.crashes)
            continue;
        install.Write("module-was-loaded", none);
        Stage(install, c.pending);
        install.Start(" --probe");
        ASSERT_TRUE(install.Wait(kRunLimit)) << "hung; it wrote: " << install.err;
        EXPECT_NE(std::string::npos, install.err.find("update refused: this module was put aside before"))
            << install.err;
        EXPECT_EQ(none, install.Read("module-was-loaded"));
        EXPECT_TRUE(module == install.Read("Solvane.so"));
    }
}

// A polite kill ends the program at once, through the same road as the menu, whether it is
// polling (the update check off: the site hears only the refreshes), the question is on its way or
// the box is up (which answers No: no module stays and no side file is fetched); the settings are
// saved, privately. (The fault matrix ends it during a stalled update; a module left behind
// unapproved is the refused update's case.)
TEST(HostTest, APoliteKillEndsItAtOnceAndSavesTheSettings)
{
    if (DemoKey().empty())
        GTEST_SKIP() << "a build without the demo key";
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    ASSERT_TRUE(site.SetUpdateKey(DemoKey()));
    site.SetUpdateVersion("1.3.1");
    site.SetUpdateFile("", "a newer module");
    site.SetUpdateFile("skin", "a newer skin");
    for (const std::string moment : {"polling", "question", "box"})
    {
        SCOPED_TRACE(moment);
        const bool polling = moment == "polling";
        site.ClearRequests();
        Install install(wxString::Format("[Site]\nwebserver=%s\n[System]\nsyncinterval=1\n[Update]\ncheck=%d\n",
                                         site.WebServer(), !polling));
        install.Start();
        ASSERT_TRUE(WaitFor(
            [&] {
                return polling ? site.Requests().size() >= 3 // a second apart: up and polling
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
        // The statement, its signature and the module: no side file after "No".
        EXPECT_EQ(polling ? 0 : 3, UpdateRequests(site));
        EXPECT_EQ(0, install.code) << install.err;
        EXPECT_EQ("(none)", install.Read("Solvane.so.new"));
        EXPECT_EQ("(none)", install.Read("Solvane.so.statement"));
        wxStructStat info;
        ASSERT_EQ(0, wxStat(install.dir + "/config/Messenger.conf", &info));
        EXPECT_EQ(0600, info.st_mode & 0777);
        EXPECT_NE(std::string::npos, install.Read("config/Messenger.conf").find("width=240"));
    }
}

// Through the real program: "Yes" to the demo update, signed with the build's key, restarts the
// program on the new module, which asks the service with its own version.
TEST(HostTest, YesToASignedUpdateRestartsOnIt)
{
    if (DemoKey().empty())
        GTEST_SKIP() << "a build without the demo key";
    sitesim::SiteSim site;
    ASSERT_TRUE(site.LoadUpdateDir(UPDATE_DEMO_DIR));
    ASSERT_TRUE(site.Start());
    ASSERT_TRUE(site.SetUpdateKey(DemoKey()));
    Install install(wxString::Format("[Site]\nwebserver=%s\n[SplashScreen]\nduration=0\n", site.WebServer()));
    install.Start();
    ASSERT_TRUE(WaitFor(
        [] { return std::system("xdotool search --onlyvisible --name '^Confirm$' >/dev/null 2>&1") == 0; }, kRunLimit))
        << install.err;
    // "Yes" is the box's default button; without a window manager the box gets the keyboard by hand.
    ASSERT_EQ(0, std::system("id=$(xdotool search --onlyvisible --name '^Confirm$' | head -1) && "
                             "xdotool windowfocus --sync \"$id\" && xdotool key --window \"$id\" Return"));
    const auto restarted = [&] {
        for (const sitesim::Request& request : site.Requests())
            if (request.path == "/cgi-bin/app/update.cgi" && request.query.find("version=1.3.1") == 0)
                return true;
        return false;
    };
    EXPECT_TRUE(WaitFor(restarted, kRunLimit)) << install.err;
    EXPECT_EQ(ReadBytes(UPDATE_DEMO_DIR "/module"), install.Read("Solvane.so"));
    EXPECT_EQ(ReadBytes(kOutput + "/Solvane.so"), install.Read("Solvane.so.old"));
    install.Kill(SIGTERM);
    ASSERT_TRUE(install.Wait(kRunLimit));
    EXPECT_EQ(0, install.code) << install.err;
    EXPECT_EQ("(none)", install.Read("Solvane.so.trial"));
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
