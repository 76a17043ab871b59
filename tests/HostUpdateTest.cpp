// The host's side of the update: pending files put in place or rolled back, the check ended at exit.
#include <gtest/gtest.h>

#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include <csignal>

#include <chrono>
#include <memory>
#include <string>

#include "HostProcess.h"
#include "SiteSim.h"

using sitesim::Fault;

namespace
{
const wxString kOutput = SOLVANE_OUTPUT_DIR;
constexpr std::chrono::seconds kRunLimit{20};

std::string Read(const wxString& path)
{
    wxFFile file;
    std::string bytes;
    if (!wxFileName::FileExists(path) || !file.Open(path, "rb"))
        return "(none)";
    bytes.resize(static_cast<size_t>(file.Length()));
    file.Read(bytes.data(), bytes.size());
    return bytes;
}

// A copy of the built program in a folder of its own, started with settings of its own.
struct Install
{
    explicit Install(const wxString& settings) : dir(TempDir("solvane-install")), home(ConfigHome(settings))
    {
        for (const char* file : {"Solvane", "Solvane.skin", "Solvane.so"})
            wxCopyFile(kOutput + "/" + file, dir + "/" + file);
    }
    ~Install()
    {
        wxFileName::Rmdir(dir, wxPATH_RMDIR_RECURSIVE);
        wxFileName::Rmdir(home, wxPATH_RMDIR_RECURSIVE);
    }
    std::string Read(const char* name) const { return ::Read(dir + "/" + name); }
    void Write(const char* name, const std::string& bytes) const
    {
        wxFFile(dir + "/" + name, "wb").Write(bytes.data(), bytes.size());
    }
    std::unique_ptr<HostProcess> Start(const wxString& arguments = wxString()) const
    {
        wxSetEnv("XDG_CONFIG_HOME", home + "/config");
        auto host = std::make_unique<HostProcess>(dir + "/Solvane" + arguments);
        wxUnsetEnv("XDG_CONFIG_HOME");
        return host;
    }
    wxString dir, home;
};

int UpdateRequests(const sitesim::SiteSim& site)
{
    int count = 0;
    for (const sitesim::Request& request : site.Requests())
        count += request.path == "/cgi-bin/app/update.cgi";
    return count;
}
} // namespace

// The pending module goes in before loading (the old one here could not even load); one that
// can not load or lacks the exports goes aside, the old one runs, and its side files are dropped.
TEST(HostUpdateTest, PendingModuleGoesInOrIsRolledBack)
{
    const std::string module = Read(kOutput + "/Solvane.so"), garbage = "not a shared library\n";
    struct Case
    {
        std::string current, pending;
        bool rolledBack;
    };
    for (const Case& c : {Case{garbage, module, false}, Case{module, garbage, true},
                          Case{module, Read(NO_EXPORTS_MODULE), true}})
    {
        SCOPED_TRACE(c.pending.size());
        const Install install("[SplashScreen]\nduration=0\n");
        install.Write("Solvane.so", c.current);
        install.Write("Solvane.so.new", c.pending);
        install.Write("Solvane.manifest", "old manifest");
        install.Write("Solvane.manifest.new", "new manifest");
        const auto host = install.Start(" --probe");
        ASSERT_TRUE(host->Wait(kRunLimit)) << "hung; it wrote: " << host->err;
        EXPECT_TRUE(host->ExitedWith(0)) << host->err;
        EXPECT_EQ(c.rolledBack, host->err.find("the previous module runs") != std::string::npos) << host->err;
        EXPECT_TRUE(module == install.Read("Solvane.so"));
        EXPECT_TRUE((c.rolledBack ? c.pending : "(none)") == install.Read("Solvane.so.bad"));
        EXPECT_TRUE((c.rolledBack ? "(none)" : c.current) == install.Read("Solvane.so.old"));
        EXPECT_EQ(c.rolledBack ? "old manifest" : "new manifest", install.Read("Solvane.manifest"));
        EXPECT_EQ("(none)", install.Read("Solvane.manifest.new"));
    }
}

// Closing while the module comes, while the question is on its way or while the box is up
// answers No: the program ends at once, no module stays and no side file is fetched.
TEST(HostUpdateTest, ClosingDuringTheCheckEndsItAtOnce)
{
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    site.SetUpdateVersion("1.3.1");
    site.SetUpdateFile("", "a newer module");
    site.SetUpdateFile("skin", "a newer skin");
    for (const std::string moment : {"transfer", "question", "box"})
    {
        SCOPED_TRACE(moment);
        const bool transfer = moment == "transfer";
        site.ClearRequests();
        site.SetFault("/cgi-bin/app/update.cgi", transfer ? Fault::StallMidBody : Fault::None);
        const Install install(wxString::Format("[Site]\nwebserver=%s\n", site.WebServer()));
        const auto host = install.Start();
        const auto reached = [&] {
            return transfer ? UpdateRequests(site) == 1 : install.Read("Solvane.so.new") == "a newer module";
        };
        for (int wait = 0; wait < 1000 && !reached(); ++wait)
            wxMilliSleep(20);
        ASSERT_TRUE(reached());
        if (moment == "box")
        {
            EXPECT_FALSE(host->Wait(std::chrono::milliseconds(1500))) << "ended without an answer";
        }
        host->Signal(SIGTERM);
        ASSERT_TRUE(host->Wait(std::chrono::seconds(5))) << "did not end; it wrote: " << host->err;
        EXPECT_TRUE(host->ExitedWith(0)) << host->err;
        EXPECT_EQ("(none)", install.Read("Solvane.so.new"));
        EXPECT_EQ(1, UpdateRequests(site));
    }
}
