// The proxy rule of the environment and a request that travels through a proxy.
#include "net/HttpGet.h"
#include "net/Proxy.h"

#include "SiteSim.h"

#include <gtest/gtest.h>

#include <map>

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

TEST(ProxyRule, ServerTextIsNormalised)
{
    EXPECT_EQ("proxy.lan:3128", NormalizeProxyServer("proxy.lan:3128"));
    EXPECT_EQ("proxy.lan:3128", NormalizeProxyServer("http://proxy.lan:3128/"));
    EXPECT_EQ("proxy.lan:3128", NormalizeProxyServer("HTTP://proxy.lan:3128//"));
    EXPECT_EQ("10.0.0.1:8080", NormalizeProxyServer("  10.0.0.1:8080 \n"));
    EXPECT_EQ("", NormalizeProxyServer(""));
    EXPECT_EQ("", NormalizeProxyServer("   "));
    EXPECT_EQ("", NormalizeProxyServer("http://"));
}

TEST(ProxyRule, EnvironmentDecidesWhetherAProxyIsUsed)
{
    ProxySetting none = FromEnvironment({});
    EXPECT_FALSE(none.IsEnabled());

    ProxySetting empty = FromEnvironment({{"http_proxy", ""}, {"no_proxy", "localhost"}});
    EXPECT_FALSE(empty.IsEnabled());
    EXPECT_TRUE(empty.noProxy.empty());

    ProxySetting lower = FromEnvironment({{"http_proxy", "http://proxy.lan:3128/"},
                                          {"HTTP_PROXY", "other:1"},
                                          {"no_proxy", "localhost,.internal"}});
    EXPECT_TRUE(lower.IsEnabled());
    EXPECT_EQ("proxy.lan:3128", lower.server);
    EXPECT_EQ("localhost,.internal", lower.noProxy);

    ProxySetting upper = FromEnvironment({{"HTTP_PROXY", "other:1"}, {"NO_PROXY", "a"}});
    EXPECT_EQ("other:1", upper.server);
    EXPECT_EQ("a", upper.noProxy);
}

// The simulated site stands in for the proxy: a request through it names the target, with
// the target's port, in its Host header.
class ProxiedRequest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { HttpGet::GlobalInit(); }
    void SetUp() override { ASSERT_TRUE(proxy.Start()); }
    void TearDown() override { HttpGet::SetDefaultProxy(ProxySetting()); }
    sitesim::SiteSim proxy;
};

TEST_F(ProxiedRequest, ReachesTheProxyWithTheTargetsPortAndHost)
{
    HttpGet::SetDefaultProxy(FromEnvironment(
        {{"http_proxy", wxString::Format("http://127.0.0.1:%d/", proxy.WebPort())}}));
    HttpGet get("http://site.example.test:18080/include/js/online_performers.js");
    get.SetConnectTimeout(2000);
    ASSERT_TRUE(get.Fetch()) << get.GetError();
    EXPECT_NE(std::string::npos, get.GetBody().find(".viewers = "));
    const auto requests = proxy.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("/include/js/online_performers.js", requests[0].path);
    std::string host;
    for (const auto& header : requests[0].headers)
        if (header.first == "Host")
            host = header.second;
    EXPECT_EQ("site.example.test:18080", host);
}

TEST_F(ProxiedRequest, NoProxyHostsGoDirect)
{
    ProxySetting setting;
    setting.server = wxString::Format("127.0.0.1:%d", proxy.WebPort());
    setting.noProxy = "localhost,127.0.0.1";
    HttpGet::SetDefaultProxy(setting);
    HttpGet get("http://127.0.0.1:9/"); // the discard port: nothing listens
    get.SetConnectTimeout(1000);
    EXPECT_FALSE(get.Fetch()); // refused directly: it must not have gone to the proxy
    EXPECT_TRUE(proxy.Requests().empty());
}
