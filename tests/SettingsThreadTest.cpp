// The settings store shared by threads: the GUI thread writes while a worker reads.
#include "util/Settings.h"

#include <gtest/gtest.h>

#include <wx/config.h>
#include <wx/fileconf.h>

#include <atomic>
#include <map>
#include <memory>
#include <thread>

namespace
{
// A store that keeps its entries in a plain map and takes no lock of its own, like the toolkit's
// file-backed one; being compiled here, ThreadSanitizer sees every access to the map.
class MapConfig : public wxConfigBase
{
public:
    void SetPath(const wxString&) override {}
    const wxString& GetPath() const override { return root; }
    bool GetFirstGroup(wxString&, long&) const override { return false; }
    bool GetNextGroup(wxString&, long&) const override { return false; }
    bool GetFirstEntry(wxString&, long&) const override { return false; }
    bool GetNextEntry(wxString&, long&) const override { return false; }
    size_t GetNumberOfEntries(bool) const override { return entries.size(); }
    size_t GetNumberOfGroups(bool) const override { return 0; }
    bool HasGroup(const wxString&) const override { return false; }
    bool HasEntry(const wxString& key) const override { return entries.count(key) != 0; }
    bool Flush(bool) override { return true; }
    bool RenameEntry(const wxString&, const wxString&) override { return false; }
    bool RenameGroup(const wxString&, const wxString&) override { return false; }
    bool DeleteEntry(const wxString& key, bool) override { return entries.erase(key) != 0; }
    bool DeleteGroup(const wxString&) override { return false; }
    bool DeleteAll() override
    {
        entries.clear();
        return true;
    }

protected:
    bool DoReadString(const wxString& key, wxString* value) const override
    {
        const auto it = entries.find(key);
        if (it == entries.end())
            return false;
        *value = it->second;
        return true;
    }
    bool DoReadLong(const wxString& key, long* value) const override
    {
        wxString text;
        return DoReadString(key, &text) && text.ToLong(value);
    }
    bool DoReadBinary(const wxString&, wxMemoryBuffer*) const override { return false; }
    bool DoWriteString(const wxString& key, const wxString& value) override
    {
        entries[key] = value;
        return true;
    }
    bool DoWriteLong(const wxString& key, long value) override
    {
        entries[key] = wxString::Format("%ld", value);
        return true;
    }
    bool DoWriteBinary(const wxString&, const wxMemoryBuffer&) override { return false; }

private:
    wxString root = "/";
    std::map<wxString, wxString> entries;
};

// The GUI thread writes the keys it owns while a worker reads the polling interval, the way the
// refresh does after each fetch. Every value read must be one that was written whole.
void WritesWhileAWorkerReads()
{
    Settings::WriteLong("/System/syncinterval", 10);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::atomic<int> reads{0};
    std::thread worker([&] {
        while (!done || reads < 200)
        {
            const long seconds = Settings::ReadLong("/System/syncinterval", 10);
            if (seconds != 10 && seconds != 20)
                ++torn;
            ++reads;
        }
    });
    for (int i = 0; i < 2000; ++i)
    {
        Settings::WriteLong("/MainFrame/x", i);
        Settings::WriteLong("/MainFrame/width", 240 + i % 7);
        Settings::WriteBool("/PopupDialog/onlyFavorite", i % 2 == 0);
        Settings::WriteString("/favorites", wxString::Format("a%d\nb%d\n", i, i));
        Settings::WriteString("/id", wxString::Format("account%d", i));
        Settings::WriteLong("/System/syncinterval", i % 2 ? 20 : 10);
        if (i % 100 == 0)
            Settings::DeleteEntry("/favorites");
    }
    done = true;
    worker.join();
    EXPECT_EQ(0, torn.load());
    EXPECT_GE(reads.load(), 200);
    EXPECT_EQ(1999, Settings::ReadLong("/MainFrame/x", -1));
}

// Puts a store in place for one test and the previous one back afterwards.
class StoreSwap
{
public:
    explicit StoreSwap(wxConfigBase* store) : previous(wxConfigBase::Set(store)) {}
    ~StoreSwap() { delete wxConfigBase::Set(previous); }

private:
    wxConfigBase* previous;
};
} // namespace

TEST(SettingsThreadTest, WorkerReadsDoNotRaceGuiWritesOnAnUnlockedStore)
{
    StoreSwap swap(new MapConfig);
    WritesWhileAWorkerReads();
}

TEST(SettingsThreadTest, WorkerReadsDoNotRaceGuiWritesOnTheFileStore)
{
    StoreSwap swap(new wxFileConfig("SettingsThreadTest", wxEmptyString, wxEmptyString,
                                    wxEmptyString, wxCONFIG_USE_LOCAL_FILE));
    WritesWhileAWorkerReads();
}
