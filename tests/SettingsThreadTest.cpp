// The settings store shared by threads: the GUI thread writes while a worker reads.
#include "util/Settings.h"

#include <gtest/gtest.h>

#include <wx/fileconf.h>

#include <atomic>
#include <thread>

namespace
{
// The file store, with a plain counter bumped on every number read or written: the toolkit is not
// instrumented, but ThreadSanitizer sees the counter, so a read and a write not ordered by a lock
// are reported.
class WatchedFileConfig : public wxFileConfig
{
public:
    // Neither a local nor a global file: nothing is read, and a run leaves no file for the next one.
    WatchedFileConfig() : wxFileConfig(wxString(), wxString(), wxString(), wxString(), 0) {}

protected:
    bool DoReadLong(const wxString& key, long* value) const override
    {
        return ++touches && wxFileConfig::DoReadLong(key, value);
    }
    bool DoWriteLong(const wxString& key, long value) override
    {
        return ++touches && wxFileConfig::DoWriteLong(key, value);
    }

private:
    mutable long touches = 0;
};
} // namespace

// The worker reads the polling interval as the refresh does after each fetch; every value it
// reads must be one that was written whole.
TEST(SettingsThreadTest, WorkerReadsDoNotRaceGuiWrites)
{
    wxConfigBase* previous = wxConfigBase::Set(new WatchedFileConfig);
    Settings::WriteLong("/System/syncinterval", 10);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, reads{0};
    std::thread worker([&] {
        for (; !done || reads < 200; ++reads)
        {
            const long seconds = Settings::ReadLong("/System/syncinterval", 10);
            torn += seconds != 10 && seconds != 20;
        }
    });
    for (int i = 0; i < 2000; ++i)
    {
        Settings::WriteLong("/MainFrame/x", i);
        Settings::WriteBool("/PopupDialog/onlyFavorite", i % 2 == 0);
        Settings::WriteString("/favorites", wxString::Format("a%d\nb%d\n", i, i));
        Settings::WriteLong("/System/syncinterval", i % 2 ? 20 : 10);
        if (i % 100 == 0)
            Settings::DeleteEntry("/favorites");
    }
    done = true;
    worker.join();
    EXPECT_EQ(0, torn.load());
    EXPECT_EQ(1999, Settings::ReadLong("/MainFrame/x", -1));
    delete wxConfigBase::Set(previous);
}
