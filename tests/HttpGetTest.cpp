// The HTTP layer against the simulated site: bodies, statuses, faults, time-outs and limits.
// Stop requests ending a transfer show in the download thread's and the refresh's tests.
#include "net/HttpGet.h"

#include "OddReplies.h"
#include "SiteSim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <new>
#include <string>

#include <wx/filename.h>

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
__attribute__((noinline)) void operator delete(void* block) noexcept
{
    std::free(block);
}
__attribute__((noinline)) void operator delete(void* block, size_t) noexcept
{
    std::free(block);
}

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

    // Long enough that a trickle of it outlasts every limit but the overall one.
    const std::string kBody = std::string(4000, 'x');
    sitesim::SiteSim site;
};
} // namespace

// Whatever the framing, a body arrives whole; a reply that fails does so without a body, at once
// when it ends, on its time-out when it is silent. (A "Host" header of the caller's shows in the
// pop-up test's picture request.)
TEST_F(HttpGetTest, BodiesArriveWholeAndFaultsFailWithinTheirTimeouts)
{
    enum End
    {
        Whole,
        Failed,
        Silent
    }; // Silent: only a time-out can end it
    struct Case
    {
        Fault fault;
        int status; // 0: no status line arrived
        End end;
    };
    // clang-format off
    for (Case c : {Case{Fault::None, 200, Whole}, {Fault::Chunked, 200, Whole}, {Fault::CloseDelimited, 200, Whole},
                   {Fault::NotFound, 404, Failed}, {Fault::ServerError, 500, Failed}, {Fault::Refuse, 0, Failed},
                   {Fault::DropMidBody, 200, Failed}, {Fault::Garbage, 0, Failed}, {Fault::NoAnswer, 0, Silent},
                   {Fault::StallMidBody, 200, Silent}, {Fault::SlowDrip, 200, Silent}})
    // clang-format on
    {
        SCOPED_TRACE(sitesim::FaultName(c.fault));
        site.SetFault("/data.txt", c.fault);
        HttpGet get(wxString::FromUTF8("http://" + site.WebServer() + "/data.txt"));
        get.SetStallTimeout(1000);
        get.SetOverallTimeout(1500); // the only limit a steady trickle meets
        const auto start = steady_clock::now();
        EXPECT_EQ(c.end == Whole, get.Fetch()) << get.GetError();
        const auto took = duration_cast<milliseconds>(steady_clock::now() - start).count();
        EXPECT_EQ(c.end == Whole ? kBody : "", get.GetBody());
        EXPECT_EQ(c.end == Whole, get.GetError().empty());
        EXPECT_EQ(c.status, get.GetStatus());
        // Generous for slow sanitizer runs, yet a reply that waited for the stall time-out shows.
        EXPECT_TRUE(c.end == Silent ? took >= 950 && took < 5000 : took < 900) << took << " ms";
        if (c.end == Whole)
        {
            EXPECT_EQ("text/plain", get.GetContentType());
            EXPECT_EQ(c.fault == Fault::None ? static_cast<long long>(kBody.size()) : -1, get.GetContentLength());
        }
    }
}

// Only a 2xx reply is the resource, in memory or in a file; a reply past its limit fails as soon
// as that shows, announced or not, with no more than the limit held for it.
TEST_F(HttpGetTest, RedirectsAndRepliesPastTheLimitFail)
{
    ServeOddReplies(site);
    const wxString path = wxFileName::CreateTempFileName("solvane-http");
    wxRemoveFile(path);
    const long long kLimit = 1 << 20;
    // clang-format off
    const struct
    {
        std::string path;
        long long limit, length; // length: the Content-Length seen, -1 for none, -2 not looked at
    } cases[] = {{"/301", 0, 18}, {"/302", 0, 18}, {"/304", 0, -2}, // a 304's is the resource's
                 {"/endless", kLimit, -1}, {"/huge", kLimit, sitesim::kHugeLength}};
    // clang-format on
    for (const auto& c : cases)
    {
        for (const bool toFile : {false, true})
        {
            SCOPED_TRACE(c.path + (toFile ? " to a file" : ""));
            HttpGet get(wxString::FromUTF8("http://" + site.WebServer() + c.path));
            get.SetSizeLimit(c.limit);
            largest = 0;
            watching = true;
            EXPECT_FALSE(toFile ? get.FetchToFile(path) : get.Fetch());
            watching = false;
            EXPECT_EQ(c.limit ? 200 : std::stoi(c.path.substr(1)), get.GetStatus());
            EXPECT_EQ(c.length, c.length == -2 ? -2 : get.GetContentLength());
            EXPECT_EQ(c.limit != 0, get.WasTooLarge()) << get.GetError();
            EXPECT_TRUE(get.GetBody().empty());
            EXPECT_FALSE(wxFileExists(path));
            EXPECT_LE(largest, static_cast<size_t>(std::max(c.limit, kLimit)) + 4096);
        }
    }
}

// Offered, a compressed reply arrives decoded, a fraction of its size on the wire, and its limit
// counts the decoded bytes: a small reply that unpacks past it fails at the limit, with no more
// than the limit held, and so does an endless compressed one. Not offered, nothing is compressed.
TEST_F(HttpGetTest, CompressedRepliesArriveDecodedAndTheLimitCountsTheirDecodedBytes)
{
    std::string text;
    while (text.size() < (2 << 20))
        text += "performer" + std::to_string(text.size() % 997) + ".viewers = 1;\n";
    site.SetResource("/text", text, "text/plain");
    ServeOddReplies(site);
    const long long kLimit = 1 << 20;
    const struct
    {
        const char* path;
        bool offered;
        long long limit;
        bool whole;
    } cases[] = {{"/text", false, 0, true},
                 {"/text", true, 0, true},
                 {"/text", true, kLimit, false},
                 {"/endless", true, kLimit, false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.path) + (c.offered ? " compressed" : ""));
        HttpGet get(wxString::FromUTF8("http://" + site.WebServer() + c.path));
        get.SetAcceptCompressed(c.offered);
        get.SetSizeLimit(c.limit);
        largest = 0;
        watching = true;
        EXPECT_EQ(c.whole, get.Fetch()) << get.GetError();
        watching = false;
        EXPECT_EQ(!c.whole, get.WasTooLarge());
        if (c.whole)
        {
            EXPECT_TRUE(get.GetBody() == text);
            EXPECT_EQ(c.offered, get.GetWireBytes() < static_cast<long long>(text.size()) / 8) << get.GetWireBytes();
        }
        else
        {
            EXPECT_LE(largest, static_cast<size_t>(kLimit) + 4096);
            EXPECT_LT(get.GetWireBytes(), kLimit / 8);
        }
    }
}
