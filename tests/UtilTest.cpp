// The file names derived from the host executable, and opening a page in the web browser.
#include "util/Util.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/textfile.h>
#include <wx/utils.h>

#include <vector>

namespace
{
// Another argv[0] for one test, as the host puts its own path there.
class HostPath
{
public:
    explicit HostPath(const wxString& path)
    {
        const wxAppConsole* app = wxAppConsole::GetInstance();
        for (int i = 0; i < app->argc; ++i)
            saved.push_back(app->argv[i]);
        Set({path});
    }
    ~HostPath() { Set(saved); }

private:
    static void Set(const std::vector<wxString>& args)
    {
        std::vector<const wchar_t*> pointers;
        for (const wxString& arg : args)
            pointers.push_back(arg.wc_str());
        wxAppConsole::GetInstance()->argv.Init(static_cast<int>(pointers.size()), pointers.data());
    }
    std::vector<wxString> saved;
};
} // namespace

TEST(UtilTest, FileNamesFollowTheHostExecutable)
{
    {
        HostPath host("/opt/solvane/Solvane");
        EXPECT_EQ("/opt/solvane/Solvane", Util::GetApplicationFileName().GetFullPath());
        EXPECT_EQ("/opt/solvane/Solvane.so", Util::GetPluginFileName().GetFullPath());
    }
    {
        // Only the name's own extension goes, not a dot in a folder.
        HostPath host("/opt/tools.d/Solvane.bin");
        EXPECT_EQ("/opt/tools.d/Solvane.so", Util::GetPluginFileName().GetFullPath());
    }
    {
        HostPath host("bin/Solvane");
        EXPECT_EQ("bin/Solvane", Util::GetApplicationFileName().GetFullPath());
        EXPECT_EQ("bin/Solvane.so", Util::GetPluginFileName().GetFullPath());
    }
}

namespace
{
wxString fallbackUrl;
int fallbackCalls = 0;
bool fallbackResult = false;

bool RecordingFallback(const wxString& url)
{
    ++fallbackCalls;
    fallbackUrl = url;
    return fallbackResult;
}

class ErrorRecorder : public wxLog
{
public:
    std::vector<wxString> errors;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo&) override
    {
        if (level == wxLOG_Error)
            errors.push_back(message);
    }
};

// A desktop of our own: the "html" associations come from a private data folder, and the
// recording stand-in for a browser is found through PATH.
class BrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = wxFileName::CreateTempFileName("solvane-browser");
        wxRemoveFile(root);
        ASSERT_TRUE(wxFileName::Mkdir(root + "/data/applications", 0700, wxPATH_MKDIR_FULL));
        ASSERT_TRUE(wxFileName::Mkdir(root + "/bin", 0700));
        for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "PATH"})
        {
            wxString value;
            wxGetEnv(name, &value);
            savedEnvironment.emplace_back(name, value);
        }
        wxSetEnv("XDG_DATA_HOME", root + "/data");
        wxSetEnv("XDG_DATA_DIRS", root + "/no-system-data");
        wxSetEnv("PATH", root + "/bin:" + savedEnvironment[2].second);
        previousLog = wxLog::SetActiveTarget(&log);
        Util::SetBrowserFallback(nullptr);
        fallbackCalls = 0;
        fallbackResult = false;
        fallbackUrl.clear();
    }

    void TearDown() override
    {
        Util::SetBrowserFallback(nullptr);
        wxLog::SetActiveTarget(previousLog);
        for (const auto& [name, value] : savedEnvironment)
            wxSetEnv(name, value);
        wxFileName::Rmdir(root, wxPATH_RMDIR_RECURSIVE);
    }

    // The stand-in writes one argument a line, then renames the file so that it appears whole.
    void InstallRecorder()
    {
        const wxString script = root + "/bin/solvane-recorder";
        wxFFile file(script, "w");
        file.Write("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + root + "/args.tmp'\nmv '" + root +
                   "/args.tmp' '" + root + "/args'\n");
        file.Close();
        wxFileName(script).SetPermissions(wxPOSIX_USER_READ | wxPOSIX_USER_WRITE | wxPOSIX_USER_EXECUTE);
    }

    void InstallDesktopEntry(const wxString& exec)
    {
        wxFFile file(root + "/data/applications/solvane-recorder.desktop", "w");
        file.Write("[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + exec +
                   "\nMimeType=text/html;\n");
    }

    // The browser is started without waiting for it: wait here, a bounded time.
    std::vector<wxString> RecordedArguments()
    {
        const wxString path = root + "/args";
        for (int i = 0; i < 500 && !wxFileExists(path); ++i)
            wxMilliSleep(20);
        std::vector<wxString> lines;
        wxTextFile file(path);
        if (file.Open(wxConvUTF8))
        {
            for (size_t i = 0; i < file.GetLineCount(); ++i)
                lines.push_back(file.GetLine(i));
        }
        return lines;
    }

    bool LoggedWhyNoBrowser() const
    {
        return log.errors.size() == 1 && (log.errors[0] == "can not get filetype for html" ||
                                          log.errors[0] == "can not get command for html");
    }

    wxString root;
    std::vector<std::pair<wxString, wxString>> savedEnvironment;
    ErrorRecorder log;
    wxLog* previousLog = nullptr;
};
} // namespace

TEST_F(BrowserTest, TheHtmlCommandGetsTheWholeUrlAsOneArgumentWithoutFileScheme)
{
    InstallRecorder();
    InstallDesktopEntry("solvane-recorder --new-tab file://%u");
    Util::SetBrowserFallback(&RecordingFallback);
    // Blanks and quotes must not split the URL into options for the browser.
    const wxString url = "http://127.0.0.1:8082/preview.shtml?Mira_Lune&a=b c\"d' --x=\\y";

    EXPECT_TRUE(Util::LaunchBrowser(url));
    EXPECT_EQ((std::vector<wxString>{"--new-tab", url}), RecordedArguments());
    EXPECT_EQ(0, fallbackCalls);
    EXPECT_TRUE(log.errors.empty());
}

TEST_F(BrowserTest, TheDefaultBrowserOpenerTakesOverWhenHtmlHasNoUsableCommand)
{
    const wxString url = "http://127.0.0.1:8082/preview.shtml?Kat_Vega";
    fallbackResult = true;
    Util::SetBrowserFallback(&RecordingFallback);
    EXPECT_TRUE(Util::LaunchBrowser(url));
    EXPECT_EQ(1, fallbackCalls);
    EXPECT_EQ(url, fallbackUrl);

    // An entry left behind by a browser that is gone counts as none.
    InstallDesktopEntry("solvane-uninstalled-browser %u");
    EXPECT_TRUE(Util::LaunchBrowser(url));
    EXPECT_EQ(2, fallbackCalls);
    EXPECT_TRUE(log.errors.empty());
}

TEST_F(BrowserTest, WithoutAnyBrowserItFailsAndLogsWhy)
{
    EXPECT_FALSE(Util::LaunchBrowser("http://127.0.0.1:8082/preview.shtml?Ana_Sol"));
    EXPECT_TRUE(LoggedWhyNoBrowser());

    log.errors.clear();
    Util::SetBrowserFallback(&RecordingFallback);
    InstallDesktopEntry("solvane-uninstalled-browser %u");
    EXPECT_FALSE(Util::LaunchBrowser("http://127.0.0.1:8082/preview.shtml?Ana_Sol"));
    EXPECT_EQ(1, fallbackCalls);
    EXPECT_TRUE(LoggedWhyNoBrowser());
}
