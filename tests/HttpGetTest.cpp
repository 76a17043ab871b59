// The HTTP layer against the simulated site: statuses, limits, compression, bodies to a file.
// Stop requests ending a transfer show in the download thread's and the refresh's tests; the
// stall and overall time-outs in the file download's; failed replies (error statuses, refusals,
// garbage, a body cut short) in the refresh's, which must not take them for a list.
#include "net/HttpGet.h"

#include "OddReplies.h"
#include "SiteSim.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include <wx/filename.h>

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

    sitesim::SiteSim site;
};
} // namespace

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
