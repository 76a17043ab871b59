// The HTTP layer against the simulated site: bodies, statuses, faults, time-outs and aborts.
#include "net/HttpGet.h"

#include "OddReplies.h"
#include "SiteSim.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <new>
#include <thread>

#include <wx/filename.h>
#include <wx/ffile.h>

using namespace std::chrono;
using sitesim::Fault;

namespace
{
// The largest block the watching thread allocated: what a body held in memory grew to.
thread_local bool watching = false;
size_t largest = 0;
} // namespace

void* operator new(size_t size)
{
    if (watching && size > largest)
        largest = size;
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}
// The sanitizers bring their own allocation functions: every form that a replaced delete may
// free must come from here too.
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    if (watching && size > largest)
        largest = size;
    return std::malloc(size ? size : 1);
}
// Not inlined where the compiler could pair them with a new it knows.
__attribute__((noinline)) void operator delete(void* block) noexcept { std::free(block); }
__attribute__((noinline)) void operator delete(void* block, size_t) noexcept { std::free(block); }

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
        site.SetResource("/data.txt", kBody, "text/plain");
    }

    wxString Url(const std::string& path) const
    {
        return wxString::FromUTF8("http://" + site.WebServer() + path);
    }

    const std::string kBody = "line one\nline two\nline three\n";
    sitesim::SiteSim site;
};
} // namespace

TEST_F(HttpGetTest, BodiesArriveWholeHoweverTheyAreFramed)
{
    for (Fault framing : {Fault::None, Fault::Chunked, Fault::CloseDelimited})
    {
        SCOPED_TRACE(sitesim::FaultName(framing));
        site.SetFault("/data.txt", framing);
        HttpGet get(Url("/data.txt"));
        ASSERT_TRUE(get.Fetch()) << get.GetError();
        EXPECT_EQ(200, get.GetStatus());
        EXPECT_EQ(kBody, get.GetBody());
        EXPECT_EQ("text/plain", get.GetContentType());
        const bool unsized = framing == Fault::Chunked || framing == Fault::CloseDelimited;
        EXPECT_EQ(unsized ? -1 : static_cast<long long>(kBody.size()), get.GetContentLength());
    }
}

TEST_F(HttpGetTest, EachFaultFailsWithoutBodyWithinItsTimeout)
{
    site.SetResource("/data.txt", std::string(4000, 'x'), "text/plain");
    struct Case
    {
        Fault fault;
        int status;  // 0: no status line arrived
        bool silent; // only the stall time-out can end it
    };
    for (Case c : {Case{Fault::NotFound, 404, false}, Case{Fault::ServerError, 500, false},
                   Case{Fault::Refuse, 0, false}, Case{Fault::DropMidBody, 200, false},
                   Case{Fault::Garbage, 0, false}, Case{Fault::NoAnswer, 0, true},
                   Case{Fault::StallMidBody, 200, true}, Case{Fault::SlowDrip, 200, true}})
    {
        SCOPED_TRACE(sitesim::FaultName(c.fault));
        site.SetFault("/data.txt", c.fault);
        HttpGet get(Url("/data.txt"));
        get.SetStallTimeout(500);
        get.SetOverallTimeout(700); // the only limit a steady trickle meets
        const auto start = steady_clock::now();
        EXPECT_FALSE(get.Fetch());
        const auto took = duration_cast<milliseconds>(steady_clock::now() - start).count();
        EXPECT_TRUE(get.GetBody().empty());
        EXPECT_FALSE(get.GetError().empty());
        EXPECT_EQ(c.status, get.GetStatus());
        // A reply that ends must not wait for the time-out; a silent one must wait for it.
        EXPECT_TRUE(c.silent ? took >= 450 && took < 1500 : took < 500) << took << " ms";
    }
}

TEST_F(HttpGetTest, HostHeaderOverrideReachesTheServer)
{
    HttpGet get(Url("/data.txt"));
    get.AddHeader("Host", "www.example.test");
    ASSERT_TRUE(get.Fetch()) << get.GetError();
    const auto headers = site.Requests().at(0).headers;
    const std::multimap<std::string, std::string> sent(headers.begin(), headers.end());
    ASSERT_EQ(1u, sent.count("Host")) << "the given Host replaces the one of the URL";
    EXPECT_EQ("www.example.test", sent.find("Host")->second);
}

TEST_F(HttpGetTest, AbortEndsATransferWithin100Ms)
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

TEST_F(HttpGetTest, FetchToFileWritesTheWholeBody)
{
    const wxString path = wxFileName::CreateTempFileName("solvane-http");
    std::string body(100000, '\0');
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>(i * 7);
    site.SetResource("/blob", body, "application/octet-stream");
    HttpGet get(Url("/blob"));
    ASSERT_TRUE(get.FetchToFile(path)) << get.GetError();
    EXPECT_EQ(static_cast<long long>(body.size()), get.GetContentLength());
    wxFFile file(path, "rb");
    std::string read(body.size() + 1, '\0');
    read.resize(file.Read(&read[0], read.size()));
    EXPECT_TRUE(read == body) << read.size() << " bytes";
    file.Close();
    wxRemoveFile(path);
}

// Only a 2xx reply is the resource, in memory or in a file; a reply past its limit fails as soon
// as that shows, announced or not, with no more than the limit held for it.
TEST_F(HttpGetTest, RedirectsAndRepliesPastTheLimitFail)
{
    sitesim::SiteSim server;
    ASSERT_TRUE(server.Start());
    ServeOddReplies(server);
    const wxString path = wxFileName::CreateTempFileName("solvane-http");
    wxRemoveFile(path);
    const long long kLimit = 1 << 20;
    const struct
    {
        std::string path;
        bool toFile;
        long long limit, length; // length: the Content-Length seen, -1 for none
    } cases[] = {{"/301", false, 0, 18},        {"/302", false, 0, 18},     {"/304", false, 0, -1},
                 {"/301", true, 0, 18},         {"/302", true, 0, 18},      {"/304", true, 0, -1},
                 {"/endless", false, kLimit, -1}, {"/endless", true, kLimit, -1},
                 {"/huge", false, kLimit, sitesim::kHugeLength}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.path + (c.toFile ? " to a file" : ""));
        HttpGet get(wxString::FromUTF8("http://" + server.WebServer() + c.path));
        get.SetSizeLimit(c.limit);
        largest = 0;
        watching = true;
        EXPECT_FALSE(c.toFile ? get.FetchToFile(path) : get.Fetch());
        watching = false;
        EXPECT_EQ(c.limit ? 200 : std::stoi(c.path.substr(1)), get.GetStatus());
        if (c.path != "/304") // the length of a 304 is the resource's, here none
        {
            EXPECT_EQ(c.length, get.GetContentLength());
        }
        EXPECT_EQ(c.limit != 0, get.WasTooLarge()) << get.GetError();
        EXPECT_TRUE(get.GetBody().empty());
        EXPECT_FALSE(wxFileExists(path));
        if (c.limit)
        {
            EXPECT_LE(largest, static_cast<size_t>(c.limit) + 4096);
        }
    }
}
