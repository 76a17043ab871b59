// The settings file: whatever it holds starts the program with its readable entries and is kept
// aside, and a save that can not be written leaves the old file.
#include "util/SettingsFile.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <wx/dir.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/mstream.h>
#include <wx/sstream.h>

#include <climits>
#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace
{
size_t FileCount(const ScratchFolder& folder)
{
    wxArrayString files;
    return wxDir::GetAllFiles(folder.path, &files, "", wxDIR_FILES | wxDIR_HIDDEN);
}
} // namespace

TEST(SettingsFileTest, AnyFileGivesItsReadableEntriesAndIsKeptAsItWasBeforeItIsNextWritten)
{
    // The entries (value null: absent) read from a text, whether through a link and set aside as damaged.
    const std::tuple<const char*, std::string, bool, bool, std::vector<std::pair<const char*, const char*>>> cases[] = {
        // clang-format off
        {"an entry without a name, after a byte order mark", "\xEF\xBB\xBF[System]\nsyncinterval=7\n=x\n", false, true,
         {{"/System/syncinterval", "7"}}},
        {"a line without =", "id=me\nno equals\npassword=pa$HOME${x\n", false, true,
         {{"/id", "me"}, {"/password", "pa$HOME${x"}}},
        {"a group header never closed", "[Site\nwebserver=evil:1\n[System]\nsyncinterval=3\n", false, true,
         {{"/Site/webserver", nullptr}, {"/webserver", nullptr}, {"/System/syncinterval", "3"}}},
        {"binary bytes", std::string("a=1\n\x01\xff\xfe\0junk\nb=\xe3\x81\x82\n", 20), false, true,
         {{"/a", "1"}, {"/b", "\xe3\x81\x82"}}},
        {"a group and a key given twice", "[Site]\nwebserver=a:1\n[System]\nsyncinterval=4\n[site]\nWebServer=b:2\n",
         false, true, {{"/Site/webserver", "b:2"}, {"/System/syncinterval", "4"}}},
        {"2 MiB", "k=" + std::string(2u << 20, 'v') + "\n", false, true, {{"/k", nullptr}}},
        {"an empty file", "", false, false, {}},
        {"a damaged symbolic link", "[PopupDialog]\nonlyFavorite=2\n=\n", true, true, {{"/PopupDialog/onlyFavorite", "2"}}},
        // clang-format on
    };
    for (const auto& [name, text, linked, damaged, entries] : cases)
    {
        SCOPED_TRACE(name);
        ScratchFolder folder;
        const wxString conf = folder.path + "/Messenger.conf";
        // A dotfiles setup: the file lives elsewhere, the settings folder holds a link to it.
        const char* real = linked ? "dotfiles.conf" : "Messenger.conf";
        folder.Write(real, text);
        ASSERT_TRUE(!linked || symlink("dotfiles.conf", conf.fn_str()) == 0);
        {
            LogCapture logs;
            SettingsFile store(conf);
            // A number other than 0 and 1 as a flag: true, without the toolkit's warning.
            bool onlyFavorite = false;
            EXPECT_EQ(linked && damaged, store.Read("/PopupDialog/onlyFavorite", &onlyFavorite) && onlyFavorite);
            EXPECT_TRUE(logs.logged.empty()) << logs.logged[0];
            // Too large to be kept in memory: set aside at once.
            EXPECT_EQ(text.size() > SettingsFile::kMaxSize ? text : "(none)", folder.Read(wxString(real) + ".bad"));
            store.Write("/MainFrame/width", 300);
        }
        EXPECT_EQ(damaged ? text : "(none)", folder.Read(wxString(real) + ".bad"));
        EXPECT_EQ(linked, wxFileName::Exists(conf, wxFILE_EXISTS_SYMLINK | wxFILE_EXISTS_NO_FOLLOW));
        // What was read is saved and read back whole; nothing else is left in the folder.
        SettingsFile again(conf);
        EXPECT_EQ(300, again.ReadLong("/MainFrame/width", 0));
        for (const auto& [key, value] : entries)
            EXPECT_EQ(value ? value : "(none)", again.Read(key, "(none)").utf8_string()) << key;
        EXPECT_EQ(1u + linked + damaged, FileCount(folder));
    }
}

// What is not a regular file at the settings' name (a FIFO, whose reading would wait for a
// writer for ever, or a folder) is put aside unread, and the program starts with its defaults.
TEST(SettingsFileTest, AFifoOrAFolderAtTheNameIsPutAsideWithoutWaiting)
{
    for (const bool fifo : {true, false})
    {
        SCOPED_TRACE(fifo ? "a FIFO" : "a folder");
        ScratchFolder folder;
        const wxString conf = folder.path + "/Messenger.conf";
        ASSERT_EQ(0, fifo ? mkfifo(conf.fn_str(), 0600) : mkdir(conf.fn_str(), 0700));
        {
            SettingsFile store(conf);
            EXPECT_EQ(7, store.ReadLong("/System/syncinterval", 7));
            store.Write("/MainFrame/width", 300);
        }
        struct stat aside;
        ASSERT_EQ(0, stat((conf + ".bad").fn_str(), &aside));
        EXPECT_EQ(fifo, S_ISFIFO(aside.st_mode));
        EXPECT_EQ(300, SettingsFile(conf).ReadLong("/MainFrame/width", 0));
    }
}

// A full disk (the size a process may write, limited: it fails as a full disk does, even for root)
// fails the save, and the file and the folder are as they were; the reason is told once.
TEST(SettingsFileTest, ASaveThatCanNotBeWrittenLeavesTheOldFileByteForByte)
{
    for (const bool damaged : {false, true})
    {
        SCOPED_TRACE(damaged ? "damaged" : "sound");
        ScratchFolder folder;
        const std::string old =
            std::string(damaged ? "=x\n" : "") + "[Site]\nwebserver=a:1\n# " + std::string(8192, 'x') + "\n";
        folder.Write("Messenger.conf", old);
        SettingsFile store(folder.path + "/Messenger.conf");
        store.Write("/MainFrame/width", 300);
        struct rlimit previous;
        ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &previous));
        const struct rlimit full = {4096, previous.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &full));
        testing::internal::CaptureStderr();
        const bool saved = store.Flush(), savedAgain = store.Flush();
        const std::string told = testing::internal::GetCapturedStderr();
        ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &previous));
        EXPECT_FALSE(saved || savedAgain);
        EXPECT_EQ(old, folder.Read("Messenger.conf"));
        EXPECT_EQ(1u, FileCount(folder));
        EXPECT_EQ(0u, told.find("Solvane: the settings could not be saved: ")) << told;
        EXPECT_EQ(told.size() - 1, told.find('\n')) << "told more than once: " << told;
        EXPECT_TRUE(store.Flush());
        EXPECT_NE(std::string::npos, folder.Read("Messenger.conf").find("width=300"));
    }
}

// What is kept of any text reads without a word from the toolkit, and reads again unchanged.
TEST(SettingsFileTest, TheReadableTextOfAnyLinesDrawsNoWarningAndIsReadableAsItIs)
{
    const char* const pieces[] = {"[",    "]",  "=",  "\\", "\"",           "/",    ".",  "..", " ",  "\t",       "a",
                                  "A",    "b",  "#",  ";",  "\xe3\x81\x82", "\xff", "\r", "$",  "${", "\xc0\x80", "[a]",
                                  "[A/]", "a=", "A ="};
    std::mt19937 random(1);
    for (int round = 0; round < 300; ++round)
    {
        std::string text;
        for (int line = 0; line < 12; ++line, text += '\n')
            for (int n = random() % 9; n > 0; --n)
                text += pieces[random() % std::size(pieces)];
        size_t damaged = 0;
        const std::string readable = SettingsFile::ReadableText(text, damaged);
        LogCapture logs;
        wxMemoryInputStream stream(readable.data(), readable.size());
        wxFileConfig config(stream, wxConvUTF8);
        ASSERT_TRUE(logs.logged.empty()) << logs.logged[0] << " for:\n" << readable;
        ASSERT_EQ(readable, SettingsFile::ReadableText(readable, damaged));
        ASSERT_EQ(0u, damaged) << readable;
    }
}

// Each number as its users read it, from an empty store and from values a hand-edited file or an
// older program may hold: a polling interval that would overflow, a pop-up time of none.
TEST(SettingsFileTest, NumbersReadOutOfTheirRangeGiveTheDefaultOrTheNearestEnd)
{
    using namespace SettingsKeys;
    struct Case
    {
        const char* key;
        const char* stored; // null: none
        long (*read)();
        long expected;
    } const cases[] = {
        {kSyncInterval, nullptr, Settings::SyncIntervalSeconds, kSyncIntervalDefault},
        {kSyncInterval, "0", Settings::SyncIntervalSeconds, kSyncIntervalDefault},
        {kSyncInterval, "every minute", Settings::SyncIntervalSeconds, kSyncIntervalDefault},
        {kSyncInterval, "5000000", Settings::SyncIntervalSeconds, INT_MAX / 1000},
        {kRetryMaxDelay, nullptr, Settings::RetryMaxDelaySeconds, kRetryMaxDelayDefault},
        {kRetryMaxDelay, "0", Settings::RetryMaxDelaySeconds, kRetryMaxDelayDefault},
        {kRetryMaxDelay, "301", Settings::RetryMaxDelaySeconds, kRetryMaxDelayDefault},
        {kRetryMaxDelay, "20", Settings::RetryMaxDelaySeconds, 20},
        {kHistoryDays, nullptr, Settings::HistoryDays, kHistoryDaysDefault},
        {kHistoryDays, "-3", Settings::HistoryDays, kHistoryDaysMin},
        {kHistoryDays, "100000", Settings::HistoryDays, kHistoryDaysMax},
        {kPopupDuration, nullptr, Settings::PopupDurationSeconds, kPopupDurationDefault},
        {kPopupDuration, "0", Settings::PopupDurationSeconds, kPopupDurationDefault},
        {kPopupDuration, "100000", Settings::PopupDurationSeconds, kPopupDurationMax},
        {kSplashScreenDuration, nullptr, Settings::SplashScreenSeconds, kSplashScreenDurationDefault},
        {kSplashScreenDuration, "100000", Settings::SplashScreenSeconds, kSplashScreenDurationMax},
        {kSplashScreenDuration, "-1", Settings::SplashScreenSeconds, -1},
    };
    wxStringInputStream nothing(wxEmptyString);
    wxConfigBase* previous = wxConfigBase::Set(new wxFileConfig(nothing));
    for (const Case& c : cases)
    {
        Settings::DeleteEntry(c.key);
        if (c.stored)
            Settings::WriteString(c.key, c.stored);
        EXPECT_EQ(c.expected, c.read()) << c.key << " = " << (c.stored ? c.stored : "(none)");
    }
    delete wxConfigBase::Set(previous);
}
