// The site object: one instance, and a list that crosses threads as copies.
#include "site/TaveloSite.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// (The names it gives the application show in the host's tests.)
TEST(SiteTest, TheLastSiteMadeIsTheInstance)
{
    TaveloSite site;
    EXPECT_EQ(&site, Site::GetInstance());
    {
        TaveloSite later;
        EXPECT_EQ(&later, Site::GetInstance());
    }
    EXPECT_EQ(nullptr, Site::GetInstance()); // a destroyed site is not handed out
}

// The polling thread replaces the list while the GUI thread copies it: every copy must be one
// whole list, never a mix (run under ThreadSanitizer too).
TEST(SiteTest, ConcurrentReplaceAndReadSeeWholeLists)
{
    TaveloSite site;
    UserList small, large;
    for (int i = 0; i < 200; ++i)
        large.AddUser(User(wxString::Format("performer%d", i), 0x15));
    for (int i = 0; i < 50; ++i)
        small.AddUser(User(wxString::Format("performer%d", i), 0x03));
    site.SetUserList(small);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i)
            site.SetUserList(i % 2 ? small : large);
        done = true;
    });
    for (int reads = 0; !done || reads < 100; ++reads)
    {
        const UserList seen = site.GetUserList();
        ASSERT_TRUE(seen.GetCount() == 50 || seen.GetCount() == 200);
        const uint32_t expected = seen.GetCount() == 50 ? 0x03 : 0x15;
        for (const auto& entry : seen)
            ASSERT_EQ(expected, entry.second.GetStatus());
    }
    writer.join();
}
