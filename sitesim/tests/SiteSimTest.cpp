// Tests of the simulated site for what the product's own tests do not reach through it: the
// generated list and its churn, the pictures, the update service's versions, where faults apply,
// reply delays and connection counts. The faults' framing, the login check and the request log
// show in the HTTP, refresh, download, account and pop-up tests.
#include "SiteSim.h"
#include "Gzip.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <future>
#include <poll.h>
#include <tuple>
#include <unistd.h>

using sitesim::Fault;

namespace
{
int Connect(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

// The reply to a GET, read off a raw socket until the server closes the connection (or ten
// seconds pass), so that what an HTTP library would hide can be seen.
std::string Get(int port, const std::string& target, const std::string& headers = "")
{
    const std::string request =
        "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + headers + "\r\n";
    const int fd = Connect(port);
    EXPECT_EQ(send(fd, request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
    std::string reply;
    char chunk[65536];
    pollfd p{fd, POLLIN, 0};
    ssize_t n = 1;
    while (n > 0 && poll(&p, 1, 10000) > 0)
        if ((n = recv(fd, chunk, sizeof chunk, 0)) > 0)
            reply.append(chunk, static_cast<size_t>(n));
    close(fd);
    return reply;
}

std::string Body(const std::string& reply)
{
    return reply.substr(std::min(reply.size(), reply.find("\r\n\r\n") + 4));
}

const char* const kList = "/include/js/online_performers.js";

class SiteSimTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(site.Start()); }
    sitesim::SiteSim site; // 300 generated performers from seed 1, churning
};
} // namespace

// A set list is served exactly, and the same each time. A reply goes gzip-compressed, whole however
// it is framed, to a request that accepts gzip, unless gzip is refused or compression is off. (The
// HTTP layer's and the refresh's tests unpack what it sends, an endless reply too.)
TEST_F(SiteSimTest, RepliesAreCompressedOnlyWhenAskedAndAllowed)
{
    // Served exactly as set, and the same each time: a set list never churns.
    const std::string list = "x.viewers = 1\r\nprivate_performers.add(x)\n\nno newline at the end";
    site.SetPerformerList(list);
    // Accept-Encoding, compression on, the reply compressed.
    const std::tuple<const char*, bool, bool> cases[] = {{"gzip", true, true},      {"deflate, gzip, br", true, true},
                                                         {"gzip;q=0", true, false}, {"br", true, false},
                                                         {"", true, false},         {"gzip", false, false}};
    for (const auto& [accept, on, compressed] : cases)
    {
        SCOPED_TRACE(std::string(accept) + (on ? "" : ", compression off"));
        site.SetCompression(on);
        const std::string headers = *accept ? std::string("Accept-Encoding: ") + accept + "\r\n" : "";
        const std::string reply = Get(site.WebPort(), kList, headers);
        EXPECT_EQ(compressed, reply.find("Content-Encoding: gzip\r\n") != std::string::npos);
        EXPECT_EQ(compressed ? sitesim::Gzip(list) : list, Body(reply));
        if (!compressed)
            continue;
        site.SetFault(kList, Fault::Chunked);
        const std::string chunked = Body(Get(site.WebPort(), kList, headers));
        site.SetFault(kList, Fault::None);
        EXPECT_EQ("\x1f\x8b", chunked.substr(chunked.find("\r\n") + 2, 2)); // gzip's magic, in chunks
    }
}

// The demo's update is offered to older versions only, compared number by number.
TEST_F(SiteSimTest, OnlyOlderVersionsGetAnUpdate)
{
    site.SetUpdateFile("skin", "SKIN");
    site.SetUpdateVersion("1.10.0");
    for (const auto& [version, body] :
         {std::pair<std::string, std::string>{"1.9.9", "SKIN"}, {"1.10.0", "no update\n"}})
        EXPECT_EQ(Body(Get(site.WebPort(), "/cgi-bin/app/update.cgi?type=skin&version=" + version)), body);
}

// A fault set for an exact path wins over prefixes, a longer prefix over a shorter one; a
// redirect leads where no fault applies; clearing brings the normal replies back.
TEST_F(SiteSimTest, FaultsApplyByExactPathThenLongestPrefix)
{
    const std::string body = "hello world\n";
    for (const char* path : {"/a/x", "/a/b/x", "/a/b/c"})
        site.SetResource(path, body, "text/plain");
    site.SetFault("/a/*", Fault::LongLines);
    site.SetFault("/a/b/*", Fault::Redirect);
    site.SetFault("/a/b/c", Fault::Chunked);
    // What a request gets, where in the body (npos: in the head).
    const std::tuple<const char*, std::string, size_t> cases[] = {
        {"/a/x", "\n" + body + "// lorem", 1024 * 1024}, // a line of 1 MiB before the body
        {"/a/b/x", "\r\nLocation: http://127.0.0.1/moved/a/b/x\r\n", std::string::npos},
        {"/moved/a/b/x", body, 0},
        {"/a/b/c", "4\r\nhell\r\n4\r\no wo\r\n4\r\nrld\n\r\n0\r\n\r\n", 0}, // several chunks
        {"/ax", "not found\n", 0},
    };
    for (const auto& [target, expected, at] : cases)
    {
        const std::string reply = Get(site.WebPort(), target);
        if (at == std::string::npos)
            EXPECT_LT(reply.find(expected), reply.find("\r\n\r\n")) << target;
        else
            EXPECT_EQ(Body(reply).find(expected), at) << target;
    }
    site.ClearFaults();
    EXPECT_EQ(Body(Get(site.WebPort(), "/a/b/c")), body);
}

// The n-th request on a path waits its delay, none past the list; Stop ends the wait at once.
TEST_F(SiteSimTest, ReplyDelaysReorderRepliesAndEndOnStop)
{
    for (const char* path : {"/d/a", "/d/b", "/d/c"})
        site.SetResource(path, path, "text/plain");
    site.SetReplyDelays("/d/*", {60000, 0});
    auto delayed = std::async(std::launch::async, [&] { return Get(site.WebPort(), "/d/a"); });
    ASSERT_TRUE(site.WaitForRequests(1, 10000));
    EXPECT_EQ(Body(Get(site.WebPort(), "/d/b")), "/d/b");
    EXPECT_EQ(Body(Get(site.WebPort(), "/d/c")), "/d/c");
    EXPECT_EQ(delayed.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    const auto stop = std::chrono::steady_clock::now();
    site.Stop();
    EXPECT_EQ(delayed.get(), "");
    EXPECT_LT(std::chrono::steady_clock::now() - stop, std::chrono::seconds(5));
}

TEST_F(SiteSimTest, PeakConnectionsCountOnlyConnectionsStillOpen)
{
    int fds[3] = {Connect(site.ImagePort()), Connect(site.ImagePort()), Connect(site.ImagePort())};
    for (int wait = 0; wait < 1000 && site.PeakConnections("image") < 3; ++wait)
        usleep(10000); // the server counts a connection once it has accepted it
    close(fds[0]);
    EXPECT_NE(Get(site.ImagePort(), "/a"), "");
    EXPECT_EQ(site.PeakConnections("image"), 3) << "the closed one made room for the new one";
    EXPECT_EQ(site.PeakConnections("web"), 0);
    site.ResetPeakConnections();
    EXPECT_EQ(site.PeakConnections("image"), 2) << "the two still open";
    close(fds[1]);
    close(fds[2]);
}
