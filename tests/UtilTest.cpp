// Version numbers, the file names derived from the host executable, opening a web page, and the
// start-at-login entry as the desktop reads it.
#include "util/Util.h"
#include "util/AutostartEntry.h"
#include "util/Version.h"

#include "TestFiles.h"
#include "TestGuiServices.h"
#include "TimeLimit.h"

#include <gio/gdesktopappinfo.h>
#include <glib.h>
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
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

namespace
{
// The command an entry starts, as the desktop's own library reads it: the key file's string (an
// escape it does not know is an error), "%%" expanded (the only field code an entry of ours may
// hold), the arguments split by the shell's rules. An entry that does not read: no argument.
std::vector<std::string> StartedBy(const wxString& entry)
{
    std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> file(g_key_file_new(), g_key_file_free);
    GError* error = nullptr;
    gchar* exec = nullptr;
    if (g_key_file_load_from_file(file.get(), entry.utf8_str(), G_KEY_FILE_NONE, &error))
        exec = g_key_file_get_string(file.get(), G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, &error);
    wxString command = wxString::FromUTF8(exec ? exec : "");
    g_free(exec);
    command.Replace("%%", "\x01");
    command.Replace("%", "(field code)");
    command.Replace("\x01", "%");
    int argc = 0;
    gchar** argv = nullptr;
    const bool read = !error && g_shell_parse_argv(command.utf8_str(), &argc, &argv, nullptr);
    g_clear_error(&error);
    std::vector<std::string> args(argv, argv + (read ? argc : 0));
    g_strfreev(argv);
    return args;
}

// The entry's folder as the desktop finds it, for as long as it lives.
struct ConfigHome : ScratchFolder
{
    ConfigHome() { wxSetEnv("XDG_CONFIG_HOME", path); }
    ~ConfigHome() { wxSetEnv("XDG_CONFIG_HOME", saved); }
    const wxString saved = wxGetenv("XDG_CONFIG_HOME");
};
} // namespace

// Whatever the program's folder is called, the entry lands where the desktop looks, starts exactly
// the program, passes the desktop's own checks and goes again; a path no Exec line can carry (a
// control character: a line break would start a key of its own) writes nothing and says so on
// stderr, never in the toolkit's log.
TEST(AutostartTest, TheEntryStartsExactlyTheProgramOrIsNotWritten)
{
    const ConfigHome home;
    const std::string earlier = "[Desktop Entry]\nType=Application\nName=Earlier\nExec=/usr/bin/true\n";
    // clang-format off
    const std::pair<std::string, bool> folders[] = {
        {"a b  c", true}, {"100%", true}, {"%u %f %%", true}, {"say \"hi\"", true}, {"it's", true},
        {"$HOME $(id)", true}, {"`id`", true}, {"a\\b\\\\c\\", true}, {"\\\"$`%", true}, {"\\n\\s\\t", true},
        {"=;|&<>~*?#()", true}, {"日本語", true},
        {"x\nExec=sh -c 'touch owned'", false}, {"a\tb", false}, {"a\rb", false}, {"a\x7f" "b", false}};
    // clang-format on
    for (const auto& [folder, allowed] : folders)
    {
        const wxString program = home.path + "/" + wxString::FromUTF8(folder) + "/Solvane",
                       entry = home.path + "/autostart/solvane.desktop";
        SCOPED_TRACE(program);
        // The desktop's library takes an entry only when its program is there to start.
        ASSERT_TRUE(wxFileName::Mkdir(wxFileName(program).GetPath(), 0700));
        WriteBytes(program, "#!/bin/sh\n");
        ASSERT_EQ(0, ::chmod(program.fn_str(), 0700));
        WriteBytes(entry, allowed ? "(none)" : earlier);
        EXPECT_EQ(entry, AutostartEntry::GetPath());
        EXPECT_EQ(!allowed, AutostartEntry::Exists());
        LogCapture log;
        testing::internal::CaptureStderr();
        EXPECT_EQ(allowed, AutostartEntry::Write(program));
        EXPECT_TRUE(AutostartEntry::Exists());
        const std::string told = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(log.logged.empty()) << log.logged.front();
        EXPECT_EQ(allowed ? 0 : 1, std::count(told.begin(), told.end(), '\n')) << told;
        // One that is not written leaves the entry there before as it was.
        EXPECT_EQ(allowed, ReadBytes(entry) != earlier);
        if (!allowed)
            continue;
        EXPECT_EQ(std::vector<std::string>{std::string(program.utf8_str())}, StartedBy(entry));
        // GLib's loader looks the program up before it expands field codes, so it takes no entry
        // whose path holds a "%" (the doubled one names no file), however that is written.
        GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(entry.utf8_str());
        EXPECT_EQ(folder.find('%') == std::string::npos, info != nullptr);
        g_clear_object(&info);
        const wxString command = "desktop-file-validate '" + entry + "' >'" + entry + ".txt' 2>&1";
        EXPECT_EQ(0, std::system(command.utf8_str()));
        EXPECT_EQ("", ReadBytes(entry + ".txt"));
    }
    // The entry goes again; removing nothing is no failure.
    EXPECT_TRUE(AutostartEntry::Remove());
    EXPECT_FALSE(AutostartEntry::Exists());
    EXPECT_TRUE(AutostartEntry::Remove());
}

// A write or removal that fails (a folder where the entry should be, which fails the superuser too)
// is false and one line on stderr, never a message of the toolkit's log, which would be a box; a
// file where the entry's folder should be leaves no entry to remove.
TEST(AutostartTest, AFailedWriteOrRemovalIsOneLineOnStderr)
{
    const ConfigHome home;
    for (const auto& [blocked, removable] :
         {std::pair<const char*, bool>{"autostart/solvane.desktop/x", false}, {"autostart", true}})
    {
        SCOPED_TRACE(blocked);
        wxFileName::Rmdir(home.path + "/autostart", wxPATH_RMDIR_RECURSIVE);
        ASSERT_TRUE(wxFileName::Mkdir(wxFileName(home.path + "/" + blocked).GetPath(), 0700, wxPATH_MKDIR_FULL));
        home.Write(blocked, "in the way");
        LogCapture log;
        for (const bool write : {true, false})
        {
            wxString why;
            testing::internal::CaptureStderr();
            EXPECT_EQ(!write && removable,
                      write ? AutostartEntry::Write("/bin/Solvane", &why) : AutostartEntry::Remove(&why));
            const std::string told = testing::internal::GetCapturedStderr();
            EXPECT_EQ(why.empty() ? "" : "Solvane: start at login: " + why.utf8_string() + "\n", told);
            EXPECT_EQ(!write && removable, why.empty()) << why;
        }
        EXPECT_TRUE(log.logged.empty()) << log.logged.front();
    }
}
