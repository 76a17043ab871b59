// The download thread against the simulated site: bodies, failures, receivers that go away, StopAll.
#include "net/DownloadThread.h"

#include "OddReplies.h"
#include "SiteSim.h"

#include <gtest/gtest.h>

#include <wx/app.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

using sitesim::Fault;

namespace
{
struct Reply
{
    int id;
    bool null;
    int length;
    std::string bytes;
};

// A handler that records its replies in a log that outlives it, so a destroyed one's silence shows.
std::unique_ptr<wxEvtHandler> Receiver(std::vector<Reply>& log)
{
    auto handler = std::make_unique<wxEvtHandler>();
    handler->Bind(EVT_DOWNLOAD_FINISHED, [&log](DownloadFinishedEvent& event) {
        const char* buffer = static_cast<const char*>(event.GetClientData());
        log.push_back({event.GetId(), !buffer, event.GetInt(),
                       buffer ? std::string(buffer, static_cast<size_t>(event.GetInt())) : ""});
        ::operator delete(event.GetClientData());
    });
    return handler;
}

class DownloadThreadTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        HttpGet::GlobalInit();
        // The toolkit's logging sets up its state for worker threads lazily, behind statics
        // whose fast path ThreadSanitizer cannot see in the uninstrumented library: one worker
        // that traces, joined before the tests, orders that set-up before every later thread.
        std::thread([] { wxLogTrace("solvane", "first worker"); }).join();
    }

    void SetUp() override
    {
        HttpGet::SetDefaultProxy(ProxySetting());
        ASSERT_TRUE(site.Start());
        site.SetResource("/data", "abc", "text/plain");
    }

    void TearDown() override
    {
        site.Stop();
        Finish();
    }

    // Starts a download the way the product does: a path on the site, or a whole URL.
    void Start(wxEvtHandler* receiver, int id, const std::string& url, bool client = false)
    {
        const std::string whole = url[0] == '/' ? "http://" + site.WebServer() + url : url;
        auto* thread = new DownloadThread(receiver, id, wxString::FromUTF8(whole),
                                          client ? std::make_unique<wxHTTP2>() : nullptr);
        thread->GetRequest().SetConnectTimeout(2000);
        ASSERT_EQ(wxTHREAD_NO_ERROR, thread->Run());
    }

    // Waits until every download thread has ended, then delivers their replies.
    static void Finish()
    {
        ASSERT_TRUE(DownloadThread::WaitForAll(10000));
        wxAppConsole::GetInstance()->ProcessPendingEvents();
    }

    sitesim::SiteSim site;
    std::vector<Reply> log;
};
} // namespace

TEST_F(DownloadThreadTest, EachDownloadRepliesOnceWithItsWholeBodyOrNull)
{
    std::string big;
    for (int i = 0; i < 300000; ++i)
        big += static_cast<char>(i * 7 + i / 251);
    site.SetResource("/big", big, "application/octet-stream");
    site.SetResource("/empty", "", "text/plain");
    sitesim::SiteSim stopped;
    ASSERT_TRUE(stopped.Start());
    stopped.Stop(); // nothing listens there any more
    const std::string closed = "http://" + stopped.WebServer() + "/empty";
    ServeOddReplies(site); // a redirect's page is not the picture
    const struct
    {
        std::string url;
        bool client, null;
        std::string bytes;
    } cases[] = {
        {"/big", false, false, big},
        {"/empty", false, false, ""}, // a buffer all the same: only null tells a failure
        {closed, false, true, ""},
        {closed, true, true, ""},
        {"/301", false, true, ""},
        {"/302", false, true, ""},
        {"/304", false, true, ""},
        {"/302", true, true, ""},
    };
    const auto receiver = Receiver(log);
    for (int id = 0; id < static_cast<int>(std::size(cases)); ++id)
        Start(receiver.get(), id, cases[id].url, cases[id].client);
    Finish();

    ASSERT_EQ(std::size(cases), log.size());
    std::set<int> ids;
    for (const Reply& reply : log)
    {
        SCOPED_TRACE(cases[reply.id].url);
        EXPECT_TRUE(ids.insert(reply.id).second) << "one reply per download";
        EXPECT_EQ(cases[reply.id].null, reply.null);
        EXPECT_EQ(static_cast<int>(cases[reply.id].bytes.size()), reply.length);
        EXPECT_TRUE(cases[reply.id].bytes == reply.bytes);
    }
}

// Run under AddressSanitizer: a reply to a destroyed receiver must neither touch it nor leak.
TEST_F(DownloadThreadTest, ReplyToADestroyedReceiverIsDropped)
{
    site.SetResource("/slow", "0123456789", "text/plain");
    site.SetFault("/slow", Fault::SlowDrip); // half a second
    std::vector<Reply> goneLog;
    const auto staying = Receiver(log);
    auto early = Receiver(goneLog), late = Receiver(goneLog);

    Start(early.get(), 1, "/slow");
    Start(staying.get(), 2, "/slow");
    early.reset(); // while the transfer is under way
    Finish();
    Start(late.get(), 3, "/data");
    ASSERT_TRUE(DownloadThread::WaitForAll(10000));
    late.reset(); // after the reply was sent, before the GUI thread took it
    wxAppConsole::GetInstance()->ProcessPendingEvents();

    EXPECT_TRUE(goneLog.empty());
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(2, log[0].id);
    EXPECT_EQ("0123456789", log[0].bytes);
}

TEST_F(DownloadThreadTest, StopAllEndsStalledTransfersAtOnce)
{
    site.SetResource("/stalled", std::string(4000, 'x'), "text/plain");
    site.SetFault("/stalled", Fault::StallMidBody);
    const auto receiver = Receiver(log);
    Start(receiver.get(), 1, "/stalled");
    Start(receiver.get(), 2, "/stalled", true);
    ASSERT_TRUE(site.WaitForRequests(2, 10000));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(DownloadThread::StopAll(5000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    wxAppConsole::GetInstance()->ProcessPendingEvents();
    ASSERT_EQ(2u, log.size());
    EXPECT_TRUE(log[0].null && log[1].null);
}
