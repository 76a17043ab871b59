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
// Each file by its place beside the host; "" stands for a file that is not there.
using Files = std::map<std::string, std::string>;

const char* const kSkin = "Solvane.skin";
const char* const kCatalogue = "ja/LC_MESSAGES/Solvane.mo";
const char* const kManifest = "Solvane.manifest";
const char* const kNewModule = "Solvane.so.new";

// One install beside a host of its own, an update service of its own and the user's answer.
class Stage
{
public:
    Stage()
    {
        site.Start();
        site.SetUpdateVersion("1.3.1");
        Settings::WriteString("/Site/webserver", wxString::FromUTF8(site.WebServer()));
        folder = wxFileName::CreateTempFileName("solvane-update");
        wxRemoveFile(folder);
        wxFileName::Mkdir(folder + "/ja/LC_MESSAGES", 0700, wxPATH_MKDIR_FULL);
        Write({{"Solvane.so", "module 1.3.0"}, {kSkin, "old skin"}, {kCatalogue, "old mo"}, {kManifest, "old manifest"}});
        // The host puts its own path in argv[0].
        savedHost = wxAppConsole::GetInstance()->argv[0];
        SetHost(folder + "/Solvane");
        gui.confirm = [this](const wxString& caption, const wxString& message) {
            boxes.push_back(caption + ": " + message);
            return answer;
        };
    }
    ~Stage()
    {
        SetHost(savedHost);
        wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE);
    }

    void Write(const Files& files) const
    {
        for (const auto& [name, text] : files)
            wxFFile(folder + "/" + name, "wb").Write(wxString::FromUTF8(text));
    }
    std::string Read(const std::string& name) const
    {
        const wxString path = folder + "/" + name;
        wxFFile file;
        wxString text;
        return wxFileName::FileExists(path) && file.Open(path, "rb") && file.ReadAll(&text) ? text.ToStdString()
                                                                                             : std::string();
    }

    sitesim::SiteSim site;
    TestGuiServices gui;
    bool answer = false;
    std::vector<wxString> boxes;
    wxString folder;

private:
    static void SetHost(const wxString& path)
    {
        const wchar_t* args[] = {path.wc_str()};
        wxAppConsole::GetInstance()->argv.Init(1, args);
    }

    wxString savedHost;
};
} // namespace

TEST(PluginUpdateTest, InstallsPendingFilesAndFetchesANewModuleOnlyWithConsent)
{
    HttpGet::GlobalInit();
    const wxString box = "Confirm: The new plugin will be installed.";
    struct Flow
    {
        const char* name;
        Files pending;                // side files an earlier call fetched
        std::set<std::string> offered; // what the service delivers: "" is the module
        bool answer;
        bool returned;
        std::vector<std::string> queries;
        Files after;
    };
    const Flow flows[] = {
        {"no update: the pending side files are installed, nobody is asked",
         {{"Solvane.skin.new", "pending skin"}, {"ja/LC_MESSAGES/Solvane.mo.new", "pending mo"},
          {"Solvane.manifest.new", "pending manifest"}},
         {},
         false,
         false,
         {"version=1.3.0"},
         {{kSkin, "pending skin"}, {kCatalogue, "pending mo"}, {kManifest, "pending manifest"},
          {"Solvane.skin.new", ""}, {"ja/LC_MESSAGES/Solvane.mo.new", ""}, {"Solvane.manifest.new", ""}, {kNewModule, ""}}},
        {"only a pending catalogue: only the catalogue is installed",
         {{"ja/LC_MESSAGES/Solvane.mo.new", "pending mo"}},
         {},
         false,
         false,
         {"version=1.3.0"},
         {{kSkin, "old skin"}, {kCatalogue, "pending mo"}, {kManifest, "old manifest"}}},
        {"the user says No: no module stays and no side file is fetched",
         {},
         {"", "skin", "mo", "manifest"},
         false,
         false,
         {"version=1.3.0"},
         {{kNewModule, ""}, {"Solvane.skin.new", ""}, {"ja/LC_MESSAGES/Solvane.mo.new", ""}, {"Solvane.manifest.new", ""}}},
        {"the user says Yes and no skin is on offer: the old skin stays",
         {},
         {"", "mo", "manifest"},
         true,
         true,
         {"version=1.3.0", "version=1.3.0&type=skin", "version=1.3.0&type=mo", "version=1.3.0&type=manifest"},
         {{kNewModule, "offered "}, {kSkin, "old skin"}, {"Solvane.skin.new", ""},
          {"ja/LC_MESSAGES/Solvane.mo.new", "offered mo"}, {"Solvane.manifest.new", "offered manifest"}}},
    };
    for (const Flow& flow : flows)
    {
        SCOPED_TRACE(flow.name);
        Stage stage;
        stage.Write(flow.pending);
        for (const std::string& type : flow.offered)
            stage.site.SetUpdateFile(type, "offered " + type);
        stage.answer = flow.answer;

        const wxFileName* name = PluginUpdate::GetNewPluginFileName();

        ASSERT_EQ(flow.returned, name != nullptr);
        if (name)
        {
            EXPECT_EQ(stage.folder + "/" + kNewModule, name->GetFullPath());
        }
        EXPECT_EQ(flow.offered.count("") ? std::vector<wxString>{box} : std::vector<wxString>{}, stage.boxes);
        std::vector<std::string> queries;
        for (const sitesim::Request& request : stage.site.Requests())
            queries.push_back(request.query);
        EXPECT_EQ(flow.queries, queries);
        for (const auto& [file, text] : flow.after)
            EXPECT_EQ(text, stage.Read(file)) << file;
    }
}
