// The download thread against the simulated site: bodies, failures, receivers that go away, StopAll;
// and its client with Basic authentication: what goes over the wire.
#include "net/DownloadThread.h"
#include "net/wxHTTP2.h"

#include "OddReplies.h"
#include "SiteSim.h"
#include "TimeLimit.h"

#include <gtest/gtest.h>

#include <wx/app.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using sitesim::Fault;

namespace
{
// A handler that notes each reply as "id:body" (or the text made of the body), or "id:null" for a
// failure, in a log that outlives it, so a destroyed one's silence shows.
std::unique_ptr<wxEvtHandler> Receiver(std::vector<std::string>& log)
{
    auto handler = std::make_unique<wxEvtHandler>();
    handler->Bind(EVT_DOWNLOAD_FINISHED, [&log](DownloadFinishedEvent& event) {
        log.push_back(std::to_string(event.GetId()) + ":" +
                      (event.Succeeded() ? event.TakeResult<std::string>().value_or(event.TakeBody()) : "null"));
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

    void SetUp() override { ASSERT_TRUE(site.Start()); }

    void TearDown() override
    {
        site.Stop();
        Finish();
    }

    // Starts a download the way the product does: a path on the site, or a whole URL.
    void Start(wxEvtHandler* receiver, int id, const std::string& url, bool client = false,
               DownloadThread::BodyWork work = nullptr, const StopToken* stop = nullptr)
    {
        const std::string whole = url[0] == '/' ? "http://" + site.WebServer() + url : url;
        auto* thread =
            new DownloadThread(receiver, id, wxString::FromUTF8(whole), client ? std::make_unique<wxHTTP2>() : nullptr);
        thread->GetRequest().SetConnectTimeout(2000);
        thread->SetBodyWork(std::move(work));
        if (stop)
            thread->GetRequest().SetStopToken(*stop);
        ASSERT_EQ(wxTHREAD_NO_ERROR, thread->Run());
    }

    // Waits until every download thread has ended, then delivers their replies.
    static void Finish()
    {
        ASSERT_TRUE(DownloadThread::WaitForAll(TimeLimit(10000).count()));
        wxAppConsole::GetInstance()->ProcessPendingEvents();
    }

    sitesim::SiteSim site;
    std::vector<std::string> log;
};
} // namespace

// Run under AddressSanitizer too: a reply to a destroyed receiver must neither touch it nor leak.
TEST_F(DownloadThreadTest, EachDownloadRepliesOnceWithItsWholeBodyOrNullToAReceiverThatStillExists)
{
    std::string big;
    for (int i = 0; i < 300000; ++i)
        big += static_cast<char>(i * 7 + i / 251);
    site.SetResource("/big", big, "application/octet-stream");
    site.SetResource("/empty", "", "text/plain");
    site.SetResource("/slow", "0123456789", "text/plain");
    site.SetFault("/slow", Fault::SlowDrip); // half a second
    sitesim::SiteSim stopped;
    ASSERT_TRUE(stopped.Start());
    stopped.Stop(); // nothing listens on its port any more
    std::vector<std::string> goneLog;
    const auto receiver = Receiver(log);
    auto early = Receiver(goneLog), late = Receiver(goneLog);
    ServeOddReplies(site); // a redirect's page is not the picture
    // Work on a body that came, such as a picture's decoding, is done on the download's thread,
    // and what it gives is the reply; after a failure there is nothing to work on.
    const DownloadThread::BodyWork work = [](std::string body) -> std::any {
        return "worked on " + std::to_string(body.size()) + (wxThread::IsMain() ? " on the main thread" : "");
    };
    const std::string gone = "http://" + stopped.WebServer() + "/empty";
    // Each download and its reply; "/empty" is a buffer all the same: only null tells a failure.
    const std::string worked = "worked on 300000";
    // clang-format off
    const std::tuple<int, std::string, bool, DownloadThread::BodyWork, std::string> downloads[] = {
        {1, "/big", false, nullptr, big}, {2, "/empty", false, nullptr, ""}, {3, gone, false, nullptr, "null"},
        {4, gone, true, nullptr, "null"}, {5, "/slow", false, nullptr, "0123456789"}, {8, "/301", false, nullptr, "null"},
        {9, "/304", false, nullptr, "null"}, {10, "/302", true, nullptr, "null"}, {11, "/big", false, work, worked},
        {12, "/big", true, work, worked}, {13, "/301", false, work, "null"}};
    // clang-format on
    std::vector<std::string> expected;
    for (const auto& [id, url, client, bodyWork, reply] : downloads)
    {
        Start(receiver.get(), id, url, client, bodyWork);
        expected.push_back(std::to_string(id) + ":" + reply);
    }
    Start(early.get(), 6, "/slow");
    early.reset(); // while the transfer is under way
    Finish();
    Start(late.get(), 7, "/empty");
    ASSERT_TRUE(DownloadThread::WaitForAll(TimeLimit(10000).count()));
    late.reset(); // after the reply was sent, before the GUI thread took it
    wxAppConsole::GetInstance()->ProcessPendingEvents();

    EXPECT_TRUE(goneLog.empty());
    std::sort(expected.begin(), expected.end());
    std::sort(log.begin(), log.end());
    EXPECT_TRUE(expected == log) << log.size() << " replies";
}

// The creator's own stop token ends its transfer, and StopAll ends every other, each at once.
// (A transfer still in a slow name lookup ending at once shows in the host's exit test.)
TEST_F(DownloadThreadTest, AStopTokenOrStopAllEndsStalledTransfersAtOnce)
{
    site.SetResource("/stalled", std::string(4000, 'x'), "text/plain");
    site.SetFault("/stalled", Fault::StallMidBody);
    const auto receiver = Receiver(log);
    StopToken gone;
    Start(receiver.get(), 1, "/stalled");
    Start(receiver.get(), 2, "/stalled", true);
    Start(receiver.get(), 3, "/stalled", false, nullptr, &gone);
    ASSERT_TRUE(site.WaitForRequests(3, TimeLimit(10000).count()));

    auto start = std::chrono::steady_clock::now();
    gone.RequestStop();
    PumpUntil([&] { return !log.empty(); }, TimeLimit(5000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, TimeLimit(200));
    EXPECT_EQ((std::vector<std::string>{"3:null"}), log);

    start = std::chrono::steady_clock::now();
    EXPECT_TRUE(DownloadThread::StopAll(TimeLimit(5000).count()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, TimeLimit(200));
    wxAppConsole::GetInstance()->ProcessPendingEvents();
    std::sort(log.begin(), log.end());
    EXPECT_EQ((std::vector<std::string>{"1:null", "2:null", "3:null"}), log);
}

TEST_F(DownloadThreadTest, TheClientsAuthorizationFollowsTheUserNameAndFailuresGiveNoStream)
{
    site.SetResource("/data.txt", "first\nsecond\n", "text/plain");
    wxHTTP2 client;
    ASSERT_TRUE(client.Connect(wxString::FromUTF8(site.WebServer())));
    // A header that would start another one on the wire is refused.
    EXPECT_FALSE(client.SetHeader("X-Test", "a\r\nX-Injected: 1"));
    // The user, the password, and the headers sent besides Host and Accept.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"", "secret", ""},
        {"user", "", "Authorization: Basic dXNlcjo=\n"}, // the colon stays
        // 65 bytes of credentials: past the 72 characters after which the encoder breaks lines.
        {"a-rather-long-account-name-for-testing", "and-its-long-password-too!",
         "Authorization: Basic "
         "YS1yYXRoZXItbG9uZy1hY2NvdW50LW5hbWUtZm9yLXRlc3Rpbmc6YW5kLWl0cy1sb25nLXBhc3N3b3JkLXRvbyE=\n"},
    };
    for (const auto& [user, password, expected] : cases)
    {
        client.SetUser(user);
        client.SetPassword(password);
        site.ClearRequests();
        std::unique_ptr<wxInputStream> in(client.GetInputStream("/data.txt"));
        ASSERT_TRUE(in);
        EXPECT_EQ(200, client.GetResponse());
        std::string text(64, '\0');
        text.resize(in->Read(&text[0], text.size()).LastRead());
        EXPECT_EQ("first\nsecond\n", text);
        std::string sent;
        const auto headers = site.Requests().at(0).headers;
        for (const auto& [name, value] : headers)
            sent += name == "Host" || name == "Accept" ? "" : name + ": " + value + "\n";
        EXPECT_EQ(expected, sent);
    }

    site.SetFault("/data.txt", Fault::NotFound);
    EXPECT_EQ(nullptr, std::unique_ptr<wxInputStream>(client.GetInputStream("/data.txt")));
    EXPECT_EQ(404, client.GetResponse());
    // Nor is a reply past the limit, which fails rather than fill the memory. (A redirect or a
    // refused connection giving no stream shows in the first test.)
    ServeOddReplies(site);
    client.SetSizeLimit(1 << 20);
    EXPECT_EQ(nullptr, std::unique_ptr<wxInputStream>(client.GetInputStream("/endless")));
    EXPECT_EQ(200, client.GetResponse());
}
