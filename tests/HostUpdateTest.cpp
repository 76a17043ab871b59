// The host's side of the update: pending files put in place or rolled back, the check and its switch.
#include <gtest/gtest.h>

#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include <csignal>

#include <chrono>
#include <string>

#include "HostProcess.h"
#include "SiteSim.h"

namespace
{
const wxString kOutput = SOLVANE_OUTPUT_DIR;
const char* const kUpdatePath = "/cgi-bin/app/update.cgi";
constexpr std::chrono::seconds kRunLimit{20};

std::string ReadAll(const wxString& path)
{
    if (!wxFileName::FileExists(path))
        return "(missing)";
    wxFFile file(path, "rb");
    std::string bytes;
    bytes.resize(static_cast<size_t>(file.Length()));
    if (!bytes.empty() && file.Read(bytes.data(), bytes.size()) != bytes.size())
        return "(unreadable)";
    return bytes;
}

void WriteAll(const wxString& path, const std::string& bytes)
{
    wxFFile(path, "wb").Write(bytes.data(), bytes.size());
}

// A copy of the built program in a folder of its own, with the given module files and settings.
struct Install
{
    explicit Install(const wxString& settings) : dir(TempDir("solvane-install")), home(ConfigHome(settings))
    {
        for (const char* file : {"Solvane", "Solvane.skin"})
            wxCopyFile(kOutput + "/" + file, dir + "/" + file);
        wxFileName(dir + "/Solvane").SetPermissions(wxPOSIX_USER_READ | wxPOSIX_USER_WRITE | wxPOSIX_USER_EXECUTE);
        WriteAll(dir + "/Solvane.so", ReadAll(kOutput + "/Solvane.so"));
    }
    ~Install()
    {
        wxFileName::Rmdir(dir, wxPATH_RMDIR_RECURSIVE);
        wxFileName::Rmdir(home, wxPATH_RMDIR_RECURSIVE);
    }
    std::string Read(const char* name) const { return ReadAll(dir + "/" + name); }
    void Write(const char* name, const std::string& bytes) const { WriteAll(dir + "/" + name, bytes); }

    // Started with this install's settings.
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
        count += request.path == kUpdatePath;
    return count;
}
} // namespace

// The pending module goes in before loading (the old one here could not even load); a pending
// module that can not load or lacks the exports goes aside, the old one runs, and the side files
// that came with it are dropped.
TEST(HostUpdateTest, PendingModuleGoesInOrIsRolledBack)
{
    const std::string module = ReadAll(kOutput + "/Solvane.so");
    const std::string garbage = "this is not a shared library\n";
    const std::string noExports = ReadAll(NO_EXPORTS_MODULE);
    struct Case
    {
        const char* name;
        std::string current, pending;
        bool rolledBack;
    };
    for (const Case& c : {Case{"a working new module", garbage, module, false},
                          Case{"garbage bytes", module, garbage, true},
                          Case{"a library without the exports", module, noExports, true}})
    {
        SCOPED_TRACE(c.name);
        const Install install("[SplashScreen]\nduration=0\n");
        install.Write("Solvane.so", c.current);
        install.Write("Solvane.so.new", c.pending);
        install.Write("Solvane.manifest", "old manifest");
        install.Write("Solvane.manifest.new", "new manifest");

        const auto host = install.Start(" --probe");
        ASSERT_TRUE(host->Wait(kRunLimit)) << "hung; it wrote: " << host->out << host->err;
        EXPECT_TRUE(host->ExitedWith(0)) << host->err;
        EXPECT_EQ("vendor=Tavelo app=Messenger\n", host->out);
        EXPECT_EQ(c.rolledBack, host->err.find("the previous module runs") != std::string::npos) << host->err;

        EXPECT_EQ("(missing)", install.Read("Solvane.so.new"));
        EXPECT_EQ("(missing)", install.Read("Solvane.manifest.new"));
        EXPECT_TRUE(module == install.Read("Solvane.so"));
        if (c.rolledBack)
        {
            EXPECT_TRUE(c.pending == install.Read("Solvane.so.bad"));
            EXPECT_EQ("(missing)", install.Read("Solvane.so.old"));
            EXPECT_EQ("old manifest", install.Read("Solvane.manifest"));
        }
        else
        {
            EXPECT_EQ(c.current, install.Read("Solvane.so.old"));
            EXPECT_EQ("new manifest", install.Read("Solvane.manifest"));
            EXPECT_EQ("old manifest", install.Read("Solvane.manifest.old"));
        }
    }
}

// The check asks the service once, with the module's version, unless the setting turns it off.
TEST(HostUpdateTest, TheCheckAsksOnceUnlessTurnedOff)
{
    for (const char* check : {"1", "0"})
    {
        SCOPED_TRACE(check);
        sitesim::SiteSim site;
        ASSERT_TRUE(site.Start());
        const Install install(wxString::Format("[Site]\nwebserver=%s\n[System]\nsyncinterval=1\n"
                                               "[SplashScreen]\nduration=0\n[Update]\ncheck=%s\n",
                                               site.WebServer(), check));
        const auto host = install.Start();
        // Three refreshes and whatever else the program asked meanwhile.
        EXPECT_TRUE(site.WaitForRequests(4, 30000));
        host->Signal(SIGTERM);
        ASSERT_TRUE(host->Wait(kRunLimit)) << "hung; it wrote: " << host->err;
        EXPECT_TRUE(host->ExitedWith(0)) << host->err;
        EXPECT_EQ(check == std::string("1") ? 1 : 0, UpdateRequests(site));
        for (const sitesim::Request& request : site.Requests())
        {
            if (request.path == kUpdatePath)
            {
                EXPECT_EQ("version=1.3.0", request.query);
            }
        }
    }
}

// Closing while the question is up or on its way answers No: the program ends at once, the
// downloaded module is gone and no side file is fetched.
TEST(HostUpdateTest, ClosingDuringTheQuestionAnswersNo)
{
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    site.SetUpdateVersion("1.3.1");
    site.SetUpdateFile("", "a newer module");
    site.SetUpdateFile("skin", "a newer skin");
    // Closed as soon as the module is there (the question on its way), then with the box up.
    for (const bool boxUp : {false, true})
    {
        SCOPED_TRACE(boxUp ? "box up" : "question on its way");
        site.ClearRequests();
        const Install install(wxString::Format("[Site]\nwebserver=%s\n[SplashScreen]\nduration=0\n", site.WebServer()));
        const auto host = install.Start();
        const auto deadline = std::chrono::steady_clock::now() + kRunLimit;
        while (install.Read("Solvane.so.new") == "(missing)" && std::chrono::steady_clock::now() < deadline)
            wxMilliSleep(20);
        ASSERT_EQ("a newer module", install.Read("Solvane.so.new"));
        if (boxUp)
        {
            EXPECT_FALSE(host->Wait(std::chrono::milliseconds(1500))) << "ended without an answer";
        }

        host->Signal(SIGTERM);
        ASSERT_TRUE(host->Wait(std::chrono::seconds(5))) << "did not end; it wrote: " << host->err;
        EXPECT_TRUE(host->ExitedWith(0)) << host->err;
        EXPECT_EQ("(missing)", install.Read("Solvane.so.new"));
        EXPECT_EQ(1, UpdateRequests(site));
    }
}
