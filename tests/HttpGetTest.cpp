// The HTTP layer against the simulated site: statuses, limits, compression, bodies to a file, and
// the proxy rule of the environment.
// Stop requests ending a transfer show in the download thread's and the refresh's tests; the
// stall and overall time-outs in the file download's; failed replies (error statuses, refusals,
// garbage, a body cut short) in the refresh's, which must not take them for a list.
#include "net/HttpGet.h"
#include "net/Proxy.h"

#include "OddReplies.h"
#include "SiteSim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>

#include <wx/filename.h>

// Only a 2xx reply is the resource, in memory or in a file; a reply past its limit fails as soon
// as that shows, announced or not, compressed or not: the limit counts decoded bytes. Offered, a
// compressed reply arrives decoded, a fraction of its size on the wire; not offered, nothing is
// compressed. (What a body holds in memory against its limit is the reply fuzzer's to check.)
TEST(HttpGetTest, OnlyWholeRepliesWithinTheirLimitAreTheResource)
{
    HttpGet::GlobalInit();
    HttpGet::SetDefaultProxy(ProxySetting());
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
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

namespace
{
ProxySetting FromEnvironment(const std::map<std::string, wxString>& variables)
{
    return DetectProxy([&](const char* name) {
        auto it = variables.find(name);
        return it == variables.end() ? wxString() : it->second;
    });
}
} // namespace

TEST(ProxyRule, LowerCaseFirstAndTheServerNormalised)
{
    // The environment, then the proxy server and the hosts that bypass it.
    const std::tuple<std::map<std::string, wxString>, const char*, const char*> cases[] = {
        {{}, "", ""},
        {{{"http_proxy", "  10.0.0.1:8080 \n"}}, "10.0.0.1:8080", ""},
        // Without a server there is nothing to bypass.
        {{{"http_proxy", " http:// "}, {"no_proxy", "localhost"}}, "", ""},
        {{{"http_proxy", "HTTP://proxy.lan:3128//"},
          {"HTTP_PROXY", "other:1"},
          {"no_proxy", "localhost,.internal"},
          {"NO_PROXY", "a"}},
         "proxy.lan:3128",
         "localhost,.internal"},
        {{{"HTTP_PROXY", "http://other:1/"}, {"NO_PROXY", "a"}}, "other:1", "a"},
    };
    for (const auto& [variables, server, noProxy] : cases)
    {
        const ProxySetting setting = FromEnvironment(variables);
        EXPECT_EQ(server, setting.server);
        EXPECT_EQ(*server != 0, setting.IsEnabled());
        EXPECT_EQ(noProxy, setting.noProxy);
    }
}

// The simulated site stands in for the proxy: a request through it names the target, with the
// target's port, in its Host header; one to a host that bypasses it goes direct.
TEST(ProxiedRequest, ReachesTheProxyWithTheTargetsHostUnlessTheHostBypassesIt)
{
    HttpGet::GlobalInit();
    sitesim::SiteSim proxy, closed;
    ASSERT_TRUE(proxy.Start() && closed.Start());
    closed.Stop(); // nothing listens on its port any more
    HttpGet::SetDefaultProxy(FromEnvironment({{"http_proxy", wxString::Format("http://127.0.0.1:%d/", proxy.WebPort())},
                                              {"no_proxy", "localhost,127.0.0.1"}}));
    HttpGet get("http://site.example.test:18080/include/js/online_performers.js");
    EXPECT_TRUE(get.Fetch()) << get.GetError();
    EXPECT_NE(std::string::npos, get.GetBody().find(".viewers = "));
    HttpGet direct(wxString::Format("http://127.0.0.1:%d/", closed.WebPort()));
    EXPECT_FALSE(direct.Fetch()); // refused directly: it must not have gone to the proxy
    HttpGet::SetDefaultProxy(ProxySetting());

    const auto requests = proxy.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("/include/js/online_performers.js", requests[0].path);
    const std::pair<std::string, std::string> host{"Host", "site.example.test:18080"};
    EXPECT_NE(requests[0].headers.end(), std::find(requests[0].headers.begin(), requests[0].headers.end(), host));
}
