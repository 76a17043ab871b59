// The client with Basic authentication against the simulated site: what goes over the wire.
#include "net/wxHTTP2.h"

#include "OddReplies.h"
#include "SiteSim.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace
{
class wxHTTP2Test : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { HttpGet::GlobalInit(); }

    void SetUp() override
    {
        HttpGet::SetDefaultProxy(ProxySetting());
        ASSERT_TRUE(site.Start());
        site.SetResource("/data.txt", "first\nsecond\n", "text/plain");
        ASSERT_TRUE(client.Connect(wxString::FromUTF8(site.WebServer())));
    }

    sitesim::SiteSim site;
    wxHTTP2 client;
};
} // namespace

TEST_F(wxHTTP2Test, AuthorizationFollowsTheUserName)
{
    // A header that would start another one on the wire is refused.
    EXPECT_FALSE(client.SetHeader("X-Test", "a\r\nX-Injected: 1"));
    struct Case
    {
        const char *user, *password, *sent; // sent: the Authorization header, or null for none
    } cases[] = {
        {"", "secret", nullptr},
        {"user", "", "Basic dXNlcjo="}, // the colon stays
        // 65 bytes of credentials: past the 72 characters after which the encoder breaks lines.
        {"a-rather-long-account-name-for-testing", "and-its-long-password-too!",
         "Basic YS1yYXRoZXItbG9uZy1hY2NvdW50LW5hbWUtZm9yLXRlc3Rpbmc6YW5kLWl0cy1sb25nLXBhc3N3b3JkLXRvbyE="},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.user);
        client.SetUser(c.user);
        client.SetPassword(c.password);
        site.ClearRequests();
        EXPECT_TRUE(std::unique_ptr<wxInputStream>(client.GetInputStream("/data.txt")));
        const auto headers = site.Requests().at(0).headers;
        std::vector<std::string> sent;
        for (const auto& header : headers)
        {
            // A broken header line would reach the server as a header of its own.
            EXPECT_EQ(1u, (std::set<std::string>{"Host", "Authorization", "Accept"}.count(header.first)))
                << header.first;
            if (header.first == "Authorization")
                sent.push_back(header.second);
        }
        EXPECT_EQ(c.sent ? std::vector<std::string>{c.sent} : std::vector<std::string>{}, sent);
    }
}

TEST_F(wxHTTP2Test, StreamHoldsTheBodyAndFailuresGiveNull)
{
    std::unique_ptr<wxInputStream> in(client.GetInputStream("/data.txt"));
    ASSERT_TRUE(in);
    EXPECT_EQ(200, client.GetResponse());
    std::string text(64, '\0');
    text.resize(in->Read(&text[0], text.size()).LastRead());
    EXPECT_EQ("first\nsecond\n", text);

    site.SetFault("/data.txt", sitesim::Fault::NotFound);
    EXPECT_EQ(nullptr, std::unique_ptr<wxInputStream>(client.GetInputStream("/data.txt")));
    EXPECT_EQ(404, client.GetResponse());
    // A redirect is no reply; nor is one past the limit, which fails rather than fill the memory.
    ServeOddReplies(site);
    wxHTTP2 other;
    ASSERT_TRUE(other.Connect(wxString::FromUTF8(site.WebServer())));
    other.SetSizeLimit(1 << 20);
    EXPECT_EQ(nullptr, std::unique_ptr<wxInputStream>(other.GetInputStream("/302")));
    EXPECT_EQ(302, other.GetResponse());
    EXPECT_EQ(nullptr, std::unique_ptr<wxInputStream>(other.GetInputStream("/endless")));
    EXPECT_EQ(200, other.GetResponse());
    site.Stop();
    client.SetTimeout(2);
    EXPECT_EQ(nullptr, std::unique_ptr<wxInputStream>(client.GetInputStream("/data.txt")));
    EXPECT_EQ(0, client.GetResponse());
}
