// The client with Basic authentication against the simulated site: what goes over the wire.
#include "net/wxHTTP2.h"

#include "OddReplies.h"
#include "SiteSim.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

TEST(wxHTTP2Test, AuthorizationFollowsTheUserNameAndFailuresGiveNoStream)
{
    HttpGet::GlobalInit();
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    site.SetResource("/data.txt", "first\nsecond\n", "text/plain");
    wxHTTP2 client;
    ASSERT_TRUE(client.Connect(wxString::FromUTF8(site.WebServer())));
    // A header that would start another one on the wire is refused.
    EXPECT_FALSE(client.SetHeader("X-Test", "a\r\nX-Injected: 1"));
    // The user, the password, and the headers sent besides Host and Accept.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"", "secret", ""},
        {"user", "", "Authorization: Basic dXNlcjo=\n"}, // the colon stays
        // 65 bytes of credentials: past the 72 characters after which the encoder breaks lines.
        {"a-rather-long-account-name-for-testing", "and-its-long-password-too!",
         "Authorization: Basic "
         "YS1yYXRoZXItbG9uZy1hY2NvdW50LW5hbWUtZm9yLXRlc3Rpbmc6YW5kLWl0cy1sb25nLXBhc3N3b3JkLXRvbyE=\n"},
    };
    for (const auto& [user, password, expected] : cases)
    {
        client.SetUser(user);
        client.SetPassword(password);
        site.ClearRequests();
        std::unique_ptr<wxInputStream> in(client.GetInputStream("/data.txt"));
        ASSERT_TRUE(in);
        EXPECT_EQ(200, client.GetResponse());
        std::string text(64, '\0');
        text.resize(in->Read(&text[0], text.size()).LastRead());
        EXPECT_EQ("first\nsecond\n", text);
        std::string sent;
        const auto headers = site.Requests().at(0).headers;
        for (const auto& [name, value] : headers)
            sent += name == "Host" || name == "Accept" ? "" : name + ": " + value + "\n";
        EXPECT_EQ(expected, sent);
    }

    site.SetFault("/data.txt", sitesim::Fault::NotFound);
    EXPECT_EQ(nullptr, std::unique_ptr<wxInputStream>(client.GetInputStream("/data.txt")));
    EXPECT_EQ(404, client.GetResponse());
    // Nor is a reply past the limit, which fails rather than fill the memory. (A redirect or a
    // refused connection giving no stream shows in the download thread's tests.)
    ServeOddReplies(site);
    wxHTTP2 other;
    ASSERT_TRUE(other.Connect(wxString::FromUTF8(site.WebServer())));
    other.SetSizeLimit(1 << 20);
    EXPECT_EQ(nullptr, std::unique_ptr<wxInputStream>(other.GetInputStream("/endless")));
    EXPECT_EQ(200, other.GetResponse());
}
