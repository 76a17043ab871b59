// The HTTP layer against the simulated site: bodies, statuses, faults, time-outs and limits.
// Stop requests ending a transfer show in the download thread's and the refresh's tests.
#include "net/HttpGet.h"

#include "OddReplies.h"
#include "SiteSim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <tuple>

#include <wx/filename.h>

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
    // The status (0: no status line arrived), and how the reply ends: W whole, F failed, S silent
    // (only a time-out can end it).
    // clang-format off
    for (const auto& [fault, status, end] : {std::tuple(Fault::None, 200, 'W'), {Fault::Chunked, 200, 'W'},
             {Fault::CloseDelimited, 200, 'W'}, {Fault::NotFound, 404, 'F'}, {Fault::ServerError, 500, 'F'},
             {Fault::Refuse, 0, 'F'}, {Fault::DropMidBody, 200, 'F'}, {Fault::Garbage, 0, 'F'},
             {Fault::NoAnswer, 0, 'S'}, {Fault::StallMidBody, 200, 'S'}, {Fault::SlowDrip, 200, 'S'}})
    // clang-format on
    {
        SCOPED_TRACE(sitesim::FaultName(fault));
        site.SetFault("/data.txt", fault);
        HttpGet get(wxString::FromUTF8("http://" + site.WebServer() + "/data.txt"));
        get.SetStallTimeout(1000);
        get.SetOverallTimeout(1500); // the only limit a steady trickle meets
        const auto start = steady_clock::now();
        const bool whole = end == 'W';
        EXPECT_EQ(whole, get.Fetch()) << get.GetError();
        const auto took = duration_cast<milliseconds>(steady_clock::now() - start).count();
        EXPECT_EQ(whole ? kBody : "", get.GetBody());
        EXPECT_EQ(whole, get.GetError().empty());
        EXPECT_EQ(status, get.GetStatus());
        // Generous for slow sanitizer runs, yet a reply that waited for the stall time-out shows.
        EXPECT_TRUE(end == 'S' ? took >= 950 && took < 5000 : took < 900) << took << " ms";
        EXPECT_TRUE(!whole || get.GetContentType() == "text/plain");
        EXPECT_TRUE(!whole ||
                    get.GetContentLength() == (fault == Fault::None ? static_cast<long long>(kBody.size()) : -1));
    }
}

// Only a 2xx reply is the resource, in memory or in a file; a reply past its limit fails as soon
// as that shows, announced or not, compressed or not: the limit counts decoded bytes. Offered, a
// compressed reply arrives decoded, a fraction of its size on the wire; not offered, nothing is
// compressed. (What a body holds in memory against its limit is the reply fuzzer's to check.)
TEST_F(HttpGetTest, OnlyWholeRepliesWithinTheirLimitAreTheResource)
{
    std::string text;
    while (text.size() < (2 << 20))
        text += "performer" + std::to_string(text.size() % 997) + ".viewers = 1;\n";
    site.SetResource("/text", text, "text/plain");
    ServeOddReplies(site);
    const wxString path = wxFileName::CreateTempFileName("solvane-http");
    wxRemoveFile(path);
    const long long kLimit = 1 << 20;
    // clang-format off
    // The path, whether compression is offered, the limit, then the status, the Content-Length
    // seen (-1 for none, -2 not looked at) and the bytes on the wire (1: under an eighth of the
    // body, or of the limit; 0: not; -1 not looked at).
    const std::tuple<std::string, bool, long long, int, long long, int> cases[] = {
        {"/301", false, 0, 301, 18, -1}, {"/302", false, 0, 302, 18, -1}, {"/304", false, 0, 304, -2, -1},
        {"/endless", false, kLimit, 200, -1, -1}, {"/huge", false, kLimit, 200, sitesim::kHugeLength, -1},
        {"/text", false, 0, 200, -2, 0}, {"/text", true, 0, 200, -2, 1},
        {"/text", true, kLimit, 200, -2, 1}, {"/endless", true, kLimit, 200, -2, 1},
    };
    // clang-format on
    for (const auto& [url, offered, limit, status, length, wire] : cases)
    {
        const bool whole = status == 200 && limit == 0;
        for (const bool toFile : {false, true})
        {
            if (toFile && whole)
                continue; // a file that came whole is the download tests' to check
            SCOPED_TRACE(url + (offered ? " compressed" : "") + (limit ? " limited" : "") +
                         (toFile ? " to a file" : ""));
            HttpGet get(wxString::FromUTF8("http://" + site.WebServer() + url));
            get.SetAcceptCompressed(offered);
            get.SetSizeLimit(limit);
            EXPECT_EQ(whole, toFile ? get.FetchToFile(path) : get.Fetch()) << get.GetError();
            EXPECT_EQ(status, get.GetStatus());
            EXPECT_EQ(length, length == -2 ? -2 : get.GetContentLength());
            EXPECT_EQ(limit != 0, get.WasTooLarge()) << get.GetError();
            EXPECT_TRUE(whole ? get.GetBody() == text : get.GetBody().empty());
            EXPECT_FALSE(wxFileExists(path));
            const long long size = whole ? static_cast<long long>(text.size()) : kLimit;
            EXPECT_TRUE(wire < 0 || (wire == 1) == (get.GetWireBytes() < size / 8)) << get.GetWireBytes();
        }
    }
}
