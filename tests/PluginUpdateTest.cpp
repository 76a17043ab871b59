// The module's update against the simulated update service, the user's answer given by the test.
#include "update/PluginUpdate.h"

#include "net/HttpGet.h"
#include "util/Settings.h"

#include "SiteSim.h"
#include "TestGuiServices.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/ffile.h>
#include <wx/filename.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{
// Files by their place beside the host, "" for one that is not there.
using Files = std::map<std::string, std::string>;

void SetHost(const wxString& path)
{
    const wchar_t* args[] = {path.wc_str()};
    wxAppConsole::GetInstance()->argv.Init(1, args);
}

std::string Read(const wxString& path)
{
    wxFFile file;
    wxString text;
    return wxFileName::FileExists(path) && file.Open(path, "rb") && file.ReadAll(&text) ? text.ToStdString() : "";
}
} // namespace

TEST(PluginUpdateTest, InstallsPendingFilesAndFetchesANewModuleOnlyWithConsent)
{
    HttpGet::GlobalInit();
    const wxString savedHost = wxAppConsole::GetInstance()->argv[0];
    struct Flow
    {
        const char* name;
        Files pending;                 // side files an earlier call fetched
        std::set<std::string> offered; // what the service delivers, "" being the module
        bool yes;
        std::vector<std::string> queries;
        Files after;
    };
    const std::string skin = "Solvane.skin", mo = "ja/LC_MESSAGES/Solvane.mo", manifest = "Solvane.manifest",
                      module = "Solvane.so.new";
    // clang-format off
    for (const Flow& flow : {
             Flow{"no update: pending side files installed, nobody asked",
                  {{skin + ".new", "new skin"}, {mo + ".new", "new mo"}, {manifest + ".new", "new manifest"}},
                  {}, false, {"version=1.3.0"},
                  {{skin, "new skin"}, {mo, "new mo"}, {manifest, "new manifest"}, {skin + ".new", ""}}},
             Flow{"only a pending catalogue: only the catalogue installed", {{mo + ".new", "new mo"}}, {}, false,
                  {"version=1.3.0"}, {{skin, "old"}, {mo, "new mo"}, {manifest, "old"}}},
             Flow{"No: no module stays, no side file fetched", {}, {"", "skin", "mo", "manifest"}, false,
                  {"version=1.3.0"}, {{module, ""}, {skin + ".new", ""}, {mo + ".new", ""}}},
             Flow{"Yes without a skin on offer: the old skin stays", {}, {"", "mo", "manifest"}, true,
                  {"version=1.3.0", "version=1.3.0&type=skin", "version=1.3.0&type=mo", "version=1.3.0&type=manifest"},
                  {{module, "offered "}, {skin, "old"}, {skin + ".new", ""}, {mo + ".new", "offered mo"},
                   {manifest + ".new", "offered manifest"}}},
             // clang-format on
         })
    {
        SCOPED_TRACE(flow.name);
        sitesim::SiteSim site;
        ASSERT_TRUE(site.Start());
        site.SetUpdateVersion("1.3.1");
        for (const std::string& type : flow.offered)
            site.SetUpdateFile(type, "offered " + type);
        Settings::WriteString("/Site/webserver", wxString::FromUTF8(site.WebServer()));
        const wxString dir = wxFileName::CreateTempFileName("solvane-update");
        wxRemoveFile(dir);
        wxFileName::Mkdir(dir + "/ja/LC_MESSAGES", 0700, wxPATH_MKDIR_FULL);
        Files files = flow.pending;
        files.insert({{"Solvane.so", "old"}, {skin, "old"}, {mo, "old"}, {manifest, "old"}});
        for (const auto& [name, text] : files)
            wxFFile(dir + "/" + name, "wb").Write(wxString(text));
        SetHost(dir + "/Solvane");
        TestGuiServices gui;
        int asked = 0;
        gui.confirm = [&](const wxString& caption, const wxString& message) {
            EXPECT_EQ("Confirm: The new plugin will be installed.", caption + ": " + message);
            ++asked;
            return flow.yes;
        };

        const wxFileName* name = PluginUpdate::GetNewPluginFileName();

        EXPECT_EQ(flow.yes ? dir + "/" + module : "", name ? name->GetFullPath() : "");
        EXPECT_EQ(flow.offered.count(""), asked);
        std::vector<std::string> queries;
        for (const sitesim::Request& request : site.Requests())
            queries.push_back(request.query);
        EXPECT_EQ(flow.queries, queries);
        for (const auto& [file, text] : flow.after)
            EXPECT_EQ(text, Read(dir + "/" + file)) << file;
        SetHost(savedHost);
        wxFileName::Rmdir(dir, wxPATH_RMDIR_RECURSIVE);
    }
}
