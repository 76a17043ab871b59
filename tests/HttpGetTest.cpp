// The HTTP layer against the simulated site: bodies, statuses, faults, time-outs and aborts.
#include "net/HttpGet.h"

#include "SiteSim.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include <wx/filename.h>
#include <wx/ffile.h>

using namespace std::chrono;
using sitesim::Fault;

namespace
{
class HttpGetTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { HttpGet::GlobalInit(); }

    void SetUp() override
    {
        HttpGet::SetDefaultProxy(ProxySetting());
        ASSERT_TRUE(site.Start());
    }

    wxString Url(const std::string& path) const
    {
        return wxString::FromUTF8("http://" + site.WebServer() + path);
    }

    sitesim::SiteSim site;
};

const std::string kBody = "line one\nline two\nline three\n";

// Runs a fetch and reports how long it took.
template <typename F> milliseconds Timed(F&& f)
{
    const auto start = steady_clock::now();
    f();
    return duration_cast<milliseconds>(steady_clock::now() - start);
}
} // namespace

TEST_F(HttpGetTest, BodiesArriveWholeHoweverTheyAreFramed)
{
    for (Fault framing : {Fault::None, Fault::Chunked, Fault::CloseDelimited})
    {
        SCOPED_TRACE(sitesim::FaultName(framing));
        site.SetResource("/data.txt", kBody, "text/plain");
        site.SetFault("/data.txt", framing);
        HttpGet get(Url("/data.txt"));
        ASSERT_TRUE(get.Fetch()) << get.GetError();
        EXPECT_EQ(200, get.GetStatus());
        EXPECT_EQ(kBody, get.GetBody());
        EXPECT_EQ("text/plain", get.GetContentType());
        const long long length = framing == Fault::None ? static_cast<long long>(kBody.size()) : -1;
        EXPECT_EQ(length, get.GetContentLength());
    }
}

TEST_F(HttpGetTest, ErrorStatusesAndBrokenRepliesFailWithoutBody)
{
    site.SetResource("/data.txt", kBody, "text/plain");
    struct Case
    {
        Fault fault;
        int status;
    };
    for (Case c : {Case{Fault::NotFound, 404}, Case{Fault::ServerError, 500}, Case{Fault::Refuse, 0},
                   Case{Fault::DropMidBody, 200}, Case{Fault::Garbage, 0}})
    {
        SCOPED_TRACE(sitesim::FaultName(c.fault));
        site.SetFault("/data.txt", c.fault);
        HttpGet get(Url("/data.txt"));
        get.SetStallTimeout(3000);
        milliseconds took = Timed([&] { EXPECT_FALSE(get.Fetch()); });
        EXPECT_TRUE(get.GetBody().empty());
        EXPECT_FALSE(get.GetError().empty());
        if (c.status)
        {
            EXPECT_EQ(c.status, get.GetStatus());
        }
        EXPECT_LT(took.count(), 3000);
    }
}

TEST_F(HttpGetTest, SilentServersFailAfterTheStallTimeout)
{
    site.SetResource("/data.txt", std::string(4000, 'x'), "text/plain");
    for (Fault fault : {Fault::NoAnswer, Fault::StallMidBody})
    {
        SCOPED_TRACE(sitesim::FaultName(fault));
        site.SetFault("/data.txt", fault);
        HttpGet get(Url("/data.txt"));
        get.SetStallTimeout(500);
        milliseconds took = Timed([&] { EXPECT_FALSE(get.Fetch()); });
        EXPECT_TRUE(get.GetBody().empty());
        EXPECT_GE(took.count(), 450);
        EXPECT_LT(took.count(), 1500);
    }
}

TEST_F(HttpGetTest, SlowButSteadyBodyIsNotAStall)
{
    site.SetResource("/drip.txt", "0123456789", "text/plain");
    site.SetFault("/drip.txt", Fault::SlowDrip);
    HttpGet get(Url("/drip.txt"));
    get.SetStallTimeout(300); // longer than the 50 ms between bytes, shorter than the body
    ASSERT_TRUE(get.Fetch()) << get.GetError();
    EXPECT_EQ("0123456789", get.GetBody());
}

TEST_F(HttpGetTest, UnreachableHostFailsWithinTheConnectTimeout)
{
    site.Stop(); // nothing listens on the port any more
    HttpGet get(Url("/data.txt"));
    get.SetConnectTimeout(1000);
    milliseconds took = Timed([&] { EXPECT_FALSE(get.Fetch()); });
    EXPECT_EQ(0, get.GetStatus());
    EXPECT_LT(took.count(), 1500);
}

TEST_F(HttpGetTest, HostHeaderOverrideAndExtraHeadersReachTheServer)
{
    site.SetResource("/data.txt", kBody, "text/plain");
    HttpGet get(Url("/data.txt"));
    get.AddHeader("Host", "www.example.test");
    get.AddHeader("Authorization", "Basic dXNlcjpwdw==");
    ASSERT_TRUE(get.Fetch()) << get.GetError();
    const auto requests = site.Requests();
    ASSERT_EQ(1u, requests.size());
    int hosts = 0;
    bool auth = false;
    for (const auto& header : requests[0].headers)
    {
        if (header.first == "Host")
        {
            ++hosts;
            EXPECT_EQ("www.example.test", header.second);
        }
        if (header.first == "Authorization")
            auth = header.second == "Basic dXNlcjpwdw==";
    }
    EXPECT_EQ(1, hosts);
    EXPECT_TRUE(auth);
}

TEST_F(HttpGetTest, AbortEndsAStalledTransferPromptly)
{
    site.SetResource("/data.txt", std::string(4000, 'x'), "text/plain");
    for (Fault fault : {Fault::NoAnswer, Fault::StallMidBody, Fault::SlowDrip})
    {
        SCOPED_TRACE(sitesim::FaultName(fault));
        site.SetFault("/data.txt", fault);
        site.ClearRequests();
        std::atomic<bool> stop{false};
        HttpGet get(Url("/data.txt"));
        get.SetStallTimeout(60000);
        get.SetAbortHook([&] { return stop.load(); });
        steady_clock::time_point stopped;
        std::thread stopper([&] {
            site.WaitForRequests(1, 5000);
            std::this_thread::sleep_for(milliseconds(200));
            stopped = steady_clock::now();
            stop = true;
        });
        EXPECT_FALSE(get.Fetch());
        const auto late = duration_cast<milliseconds>(steady_clock::now() - stopped);
        stopper.join();
        EXPECT_TRUE(get.WasAborted());
        EXPECT_TRUE(get.GetBody().empty());
        EXPECT_LT(late.count(), 100);
    }
}

TEST_F(HttpGetTest, FetchToFileKeepsTheBodyOnlyOnSuccess)
{
    const wxString path = wxFileName::CreateTempFileName("solvane-http");
    std::string body(100000, '\0');
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>(i * 7);
    site.SetResource("/blob", body, "application/octet-stream");
    HttpGet get(Url("/blob"));
    ASSERT_TRUE(get.FetchToFile(path)) << get.GetError();
    EXPECT_EQ("application/octet-stream", get.GetContentType());
    EXPECT_EQ(static_cast<long long>(body.size()), get.GetContentLength());
    wxFFile file(path, "rb");
    wxString ignored;
    std::string read(body.size() + 1, '\0');
    EXPECT_EQ(body.size(), file.Read(&read[0], read.size()));
    read.resize(body.size());
    EXPECT_TRUE(read == body);
    file.Close();

    site.SetFault("/blob", Fault::NotFound);
    HttpGet missing(Url("/blob"));
    EXPECT_FALSE(missing.FetchToFile(path));
    EXPECT_FALSE(wxFileName::FileExists(path));
}
