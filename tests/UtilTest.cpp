// Version numbers, the file names derived from the host executable, and opening a web page.
#include "util/Util.h"
#include "util/Version.h"

#include "TestFiles.h"
#include "TestGuiServices.h"
#include "TimeLimit.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include <string>
#include <utility>
#include <vector>

TEST(VersionTest, ReadsMajorMinorPatchAndKeepsTheText)
{
    // A number too large for an int ends the reading like any other that cannot be read.
    const std::pair<wxString, wxString> cases[] = {
        {"1.3.0", "1.3.0"}, {"2.0", "2.0.0"}, {"", "0.0.0"}, {"4.99999999999.3", "4.0.0"}};
    for (const auto& [text, numbers] : cases)
    {
        const Version version(text);
        EXPECT_EQ(text, version.ToString());
        EXPECT_EQ(numbers, wxString::Format("%d.%d.%d", version.GetMajor(), version.GetMinor(), version.GetPatch()));
    }
}

TEST(UtilTest, FileNamesFollowTheHostExecutable)
{
    // Only the name's own extension goes, not a dot in a folder.
    const std::pair<wxString, wxString> cases[] = {{"/opt/solvane/Solvane", "/opt/solvane/Solvane.so"},
                                                   {"/opt/tools.d/Solvane.bin", "/opt/tools.d/Solvane.so"},
                                                   {"bin/Solvane", "bin/Solvane.so"}};
    const wxString saved = wxAppConsole::GetInstance()->argv[0];
    for (const auto& [host, plugin] : cases)
    {
        SetHostPath(host);
        EXPECT_EQ(host, Util::GetApplicationFileName().GetFullPath());
        EXPECT_EQ(plugin, Util::GetPluginFileName().GetFullPath());
    }
    SetHostPath(saved);
}

// Without a usable "html" command (none at all, then an entry left behind by a browser that is
// gone) the fallback decides, and a failure tells why, once. With one, the command gets the whole
// URL as one argument without "file://", and the fallback is not asked.
TEST(BrowserTest, TheHtmlCommandOrElseTheFallbackOpensThePage)
{
    // A desktop of our own (no other test here reads these variables): the "html" associations
    // come from a private data folder, and the stand-ins for a browser are found through PATH.
    const ScratchFolder scratch;
    const wxString root = scratch.path;
    ASSERT_TRUE(wxFileName::Mkdir(root + "/data/applications", 0700, wxPATH_MKDIR_FULL));
    ASSERT_TRUE(wxFileName::Mkdir(root + "/bin", 0700));
    wxSetEnv("XDG_DATA_HOME", root + "/data");
    wxSetEnv("XDG_DATA_DIRS", root + "/no-system-data");
    wxSetEnv("PATH", root + "/bin:" + wxGetenv("PATH"));
    const auto installDesktopEntry = [&](const wxString& exec) {
        WriteBytes(root + "/data/applications/solvane-recorder.desktop",
                   "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + exec.utf8_string() +
                       "\nMimeType=text/html;\n");
    };
    LogCapture log(wxLOG_Error);
    // Blanks and quotes must not split the URL into options for the browser.
    const wxString url = "http://127.0.0.1:8082/preview.shtml?Mira_Lune&a=b c\"d' --x=\\y";
    const auto loggedWhy = [&log](bool failed) {
        EXPECT_EQ(failed ? 1u : 0u, log.logged.size());
        for (const wxString& error : log.logged)
            EXPECT_TRUE(error == "can not get filetype for html" || error == "can not get command for html") << error;
        log.logged.clear();
    };
    EXPECT_FALSE(Util::LaunchBrowser(url)); // the GUI's services are not there yet
    loggedWhy(true);
    TestGuiServices gui;
    std::vector<wxString> asked;
    bool opens = false;
    gui.openDefaultBrowser = [&](const wxString& page) {
        asked.push_back(page);
        return opens;
    };
    for (const bool staleEntry : {false, true})
    {
        if (staleEntry)
            installDesktopEntry("solvane-uninstalled-browser %u");
        for (const bool fallbackOpens : {true, false})
        {
            SCOPED_TRACE(testing::Message() << "stale entry " << staleEntry << ", fallback " << fallbackOpens);
            opens = fallbackOpens;
            asked.clear();
            EXPECT_EQ(opens, Util::LaunchBrowser(url));
            EXPECT_EQ(std::vector<wxString>{url}, asked);
            loggedWhy(!opens);
        }
    }

    // The stand-in writes one argument a line, then moves the file into place whole.
    const wxString script = root + "/bin/solvane-recorder", args = root + "/args";
    WriteBytes(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + args.utf8_string() + ".part' && mv '" +
                           args.utf8_string() + ".part' '" + args.utf8_string() + "'\n");
    wxFileName(script).SetPermissions(wxPOSIX_USER_READ | wxPOSIX_USER_EXECUTE);
    installDesktopEntry("solvane-recorder --new-tab file://%u");
    asked.clear();
    EXPECT_TRUE(Util::LaunchBrowser(url));
    EXPECT_TRUE(asked.empty());
    loggedWhy(false);
    // The browser starts without being waited for: the test waits for its output, a bounded time.
    WaitUntil([&] { return wxFileExists(args); });
    EXPECT_EQ("--new-tab\n" + url + "\n", wxString::FromUTF8(ReadBytes(args)));
}
