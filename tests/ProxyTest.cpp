// The proxy rule of the environment and a request that travels through a proxy.
#include "net/Proxy.h"
#include "net/HttpGet.h"

#include "SiteSim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

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
