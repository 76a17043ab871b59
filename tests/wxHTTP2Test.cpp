// The client with Basic authentication against the simulated site: what goes over the wire.
#include "net/wxHTTP2.h"

#include "SiteSim.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

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
        site.SetResource("/data.txt", kBody, "text/plain");
    }

    // Fetches the path and returns the Authorization headers the server saw.
    std::vector<std::string> AuthorizationSent(wxHTTP2& client, const wxString& path)
    {
        site.ClearRequests();
        EXPECT_TRUE(client.Connect(wxString::FromUTF8(site.WebServer())));
        std::unique_ptr<wxInputStream> in(client.GetInputStream(path));
        EXPECT_TRUE(in);
        std::vector<std::string> values;
        const auto requests = site.Requests();
        EXPECT_EQ(1u, requests.size());
        for (const auto& request : requests)
        {
            for (const auto& header : request.headers)
            {
                if (header.first == "Authorization")
                    values.push_back(header.second);
            }
        }
        return values;
    }

    static std::string ReadAll(wxInputStream& in)
    {
        std::string text;
        char chunk[256];
        for (;;)
        {
            in.Read(chunk, sizeof chunk);
            if (in.LastRead() == 0)
                break;
            text.append(chunk, in.LastRead());
        }
        return text;
    }

    const std::string kBody = "first\nsecond\n";
    sitesim::SiteSim site;
};
} // namespace

TEST_F(wxHTTP2Test, AuthorizationFollowsTheUserName)
{
    {
        SCOPED_TRACE("no user, a password");
        wxHTTP2 client;
        client.SetPassword("secret");
        EXPECT_TRUE(AuthorizationSent(client, "/data.txt").empty());
    }
    {
        SCOPED_TRACE("a user, no password: the colon stays");
        wxHTTP2 client;
        client.SetUser("user");
        EXPECT_EQ(std::vector<std::string>{"Basic dXNlcjo="},
                  AuthorizationSent(client, "/data.txt"));
    }
    {
        SCOPED_TRACE("credentials of 65 bytes: one header line without breaks");
        wxHTTP2 client;
        client.SetUser("a-rather-long-account-name-for-testing");
        client.SetPassword("and-its-long-password-too!");
        const std::vector<std::string> sent = AuthorizationSent(client, "/data.txt");
        ASSERT_EQ(1u, sent.size());
        EXPECT_EQ("Basic YS1yYXRoZXItbG9uZy1hY2NvdW50LW5hbWUtZm9yLXRlc3Rpbmc6YW5kLWl0cy1sb25nLXB"
                  "hc3N3b3JkLXRvbyE=",
                  sent[0]);
        EXPECT_EQ(std::string::npos, sent[0].find_first_of("\r\n"));
        // A split header would have reached the server as a header of its own.
        const std::set<std::string> usual{"Host", "Authorization", "Accept"};
        const auto requests = site.Requests();
        for (const auto& header : requests.at(0).headers)
            EXPECT_EQ(1u, usual.count(header.first)) << header.first;
    }
}

TEST_F(wxHTTP2Test, StreamHoldsTheBodyAndFailuresGiveNull)
{
    wxHTTP2 client;
    ASSERT_TRUE(client.Connect(wxString::FromUTF8(site.WebServer())));
    {
        std::unique_ptr<wxInputStream> in(client.GetInputStream("/data.txt"));
        ASSERT_TRUE(in);
        EXPECT_EQ(200, client.GetResponse());
        EXPECT_EQ(kBody, ReadAll(*in));
    }
    // Path and query arrive as given.
    site.ClearRequests();
    std::unique_ptr<wxInputStream> with(client.GetInputStream("/data.txt?a=1&b=2"));
    ASSERT_TRUE(with);
    ASSERT_EQ(1u, site.Requests().size());
    EXPECT_EQ("a=1&b=2", site.Requests()[0].query);

    site.SetFault("/data.txt", sitesim::Fault::NotFound);
    EXPECT_EQ(nullptr, std::unique_ptr<wxInputStream>(client.GetInputStream("/data.txt")));
    EXPECT_EQ(404, client.GetResponse());

    site.Stop();
    client.SetTimeout(2);
    EXPECT_EQ(nullptr, std::unique_ptr<wxInputStream>(client.GetInputStream("/data.txt")));
    EXPECT_EQ(0, client.GetResponse());
}

TEST_F(wxHTTP2Test, LineBreaksAndMalformedHostsAreRefused)
{
    wxHTTP2 client;
    EXPECT_FALSE(client.Connect(""));
    EXPECT_FALSE(client.Connect("host/path"));
    EXPECT_FALSE(client.Connect("user@host"));
    // Without a server name nothing is sent.
    EXPECT_EQ(nullptr, std::unique_ptr<wxInputStream>(client.GetInputStream("/data.txt")));
    EXPECT_TRUE(site.Requests().empty());

    EXPECT_FALSE(client.SetHeader("X-Test", "a\r\nX-Injected: 1"));
    EXPECT_FALSE(client.SetHeader("X-Test\n", "a"));
    EXPECT_TRUE(client.SetHeader("X-Test", "plain"));
    ASSERT_TRUE(client.Connect(wxString::FromUTF8(site.WebServer())));
    std::unique_ptr<wxInputStream> in(client.GetInputStream("/data.txt"));
    ASSERT_TRUE(in);
    int tests = 0;
    const auto requests = site.Requests();
    for (const auto& header : requests.at(0).headers)
    {
        EXPECT_NE("X-Injected", header.first);
        if (header.first == "X-Test")
        {
            ++tests;
            EXPECT_EQ("plain", header.second);
        }
    }
    EXPECT_EQ(1, tests);
}
