// Version numbers, the file names derived from the host executable, and opening a web page.
#include "util/Util.h"
#include "util/Version.h"

#include "TestGuiServices.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <utility>
#include <vector>

TEST(VersionTest, ReadsMajorMinorPatchAndKeepsTheText)
{
    const std::pair<wxString, wxString> cases[] = {{"1.3.0", "1.3.0"}, {"2.0", "2.0.0"}, {"", "0.0.0"}};
    for (const auto& [text, numbers] : cases)
    {
        const Version version(text);
        EXPECT_EQ(text, version.ToString());
        EXPECT_EQ(numbers, wxString::Format("%d.%d.%d", version.GetMajor(), version.GetMinor(),
                                            version.GetPatch()));
    }
}

TEST(UtilTest, FileNamesFollowTheHostExecutable)
{
    // Only the name's own extension goes, not a dot in a folder.
    const std::pair<wxString, wxString> cases[] = {{"/opt/solvane/Solvane", "/opt/solvane/Solvane.so"},
                                                   {"/opt/tools.d/Solvane.bin", "/opt/tools.d/Solvane.so"},
                                                   {"bin/Solvane", "bin/Solvane.so"}};
    // The host puts its own path in argv[0].
    const auto setHost = [](const wxString& path) {
        const wchar_t* args[] = {path.wc_str()};
        wxAppConsole::GetInstance()->argv.Init(1, args);
    };
    const wxString saved = wxAppConsole::GetInstance()->argv[0];
    for (const auto& [host, plugin] : cases)
    {
        setHost(host);
        EXPECT_EQ(host, Util::GetApplicationFileName().GetFullPath());
        EXPECT_EQ(plugin, Util::GetPluginFileName().GetFullPath());
    }
    setHost(saved);
}

namespace
{
std::vector<wxString> fallbackUrls;
bool fallbackResult = false;

bool RecordingFallback(const wxString& url)
{
    fallbackUrls.push_back(url);
    return fallbackResult;
}

// A desktop of our own: the "html" associations come from a private data folder, and the
// recording stand-in for a browser is found through PATH. Errors logged meanwhile are kept.
class BrowserTest : public ::testing::Test, public wxLog
{
protected:
    void SetUp() override
    {
        root = wxFileName::CreateTempFileName("solvane-browser");
        wxRemoveFile(root);
        ASSERT_TRUE(wxFileName::Mkdir(root + "/data/applications", 0700, wxPATH_MKDIR_FULL));
        ASSERT_TRUE(wxFileName::Mkdir(root + "/bin", 0700));
        for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "PATH"})
            wxGetEnv(name, &saved.emplace_back(name, wxString()).second);
        wxSetEnv("XDG_DATA_HOME", root + "/data");
        wxSetEnv("XDG_DATA_DIRS", root + "/no-system-data");
        wxSetEnv("PATH", root + "/bin:" + saved[2].second);
        previousLog = wxLog::SetActiveTarget(this);
    }

    void TearDown() override
    {
        wxLog::SetActiveTarget(previousLog);
        for (const auto& [name, value] : saved)
            wxSetEnv(name, value);
        wxFileName::Rmdir(root, wxPATH_RMDIR_RECURSIVE);
    }

    void InstallDesktopEntry(const wxString& exec)
    {
        wxFFile(root + "/data/applications/solvane-recorder.desktop", "w")
            .Write("[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + exec +
                   "\nMimeType=text/html;\n");
    }

    void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo&) override
    {
        if (level == wxLOG_Error)
            errors.push_back(message);
    }

    // Failing, it tells why, once.
    bool LoggedWhyNoBrowser() const
    {
        return errors.size() == 1 && (errors[0] == "can not get filetype for html" ||
                                      errors[0] == "can not get command for html");
    }

    wxString root;
    std::vector<std::pair<wxString, wxString>> saved;
    std::vector<wxString> errors;
    wxLog* previousLog = nullptr;
};
} // namespace

// No fallback here: only the "html" command can make the launch succeed.
TEST_F(BrowserTest, TheHtmlCommandGetsTheWholeUrlAsOneArgumentWithoutFileScheme)
{
    // The stand-in writes one argument a line, then renames the file so that it appears whole.
    const wxString script = root + "/bin/solvane-recorder", args = root + "/args";
    wxFFile(script, "w").Write("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + args + ".tmp'\nmv '" + args +
                               ".tmp' '" + args + "'\n");
    wxFileName(script).SetPermissions(wxPOSIX_USER_READ | wxPOSIX_USER_EXECUTE);
    InstallDesktopEntry("solvane-recorder --new-tab file://%u");
    // Blanks and quotes must not split the URL into options for the browser.
    const wxString url = "http://127.0.0.1:8082/preview.shtml?Mira_Lune&a=b c\"d' --x=\\y";

    EXPECT_TRUE(Util::LaunchBrowser(url));
    EXPECT_TRUE(errors.empty());
    // The browser is started without waiting for it: wait here, a bounded time.
    for (int i = 0; i < 500 && !wxFileExists(args); ++i)
        wxMilliSleep(20);
    wxString recorded;
    ASSERT_TRUE(wxFileExists(args));
    ASSERT_TRUE(wxFFile(args).ReadAll(&recorded, wxConvUTF8));
    EXPECT_EQ("--new-tab\n" + url + "\n", recorded);
}

TEST_F(BrowserTest, WithoutAUsableHtmlCommandTheFallbackDecides)
{
    const wxString url = "http://127.0.0.1:8082/preview.shtml?Kat_Vega";
    EXPECT_FALSE(Util::LaunchBrowser(url));
    EXPECT_TRUE(LoggedWhyNoBrowser());
    TestGuiServices gui;
    gui.openDefaultBrowser = &RecordingFallback;
    // No "html" type at first, then an entry left behind by a browser that is gone.
    for (const bool staleEntry : {false, true})
    {
        if (staleEntry)
            InstallDesktopEntry("solvane-uninstalled-browser %u");
        for (const bool opened : {true, false})
        {
            SCOPED_TRACE(testing::Message() << "stale entry " << staleEntry << ", fallback " << opened);
            fallbackResult = opened;
            fallbackUrls.clear();
            errors.clear();
            EXPECT_EQ(opened, Util::LaunchBrowser(url));
            EXPECT_EQ(std::vector<wxString>{url}, fallbackUrls);
            EXPECT_TRUE(opened ? errors.empty() : LoggedWhyNoBrowser());
        }
    }
}
