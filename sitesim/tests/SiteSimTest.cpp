// Tests of the simulated site: what each server sends, the faults on the wire, the log and the lifecycle.
#include "SiteSim.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using sitesim::Fault;
using sitesim::Options;
using sitesim::SiteSim;
using Clock = std::chrono::steady_clock;

namespace {

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// ---- a raw client, for what an HTTP library would hide ----

class RawConnection {
public:
    explicit RawConnection(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~RawConnection() {
        if (fd_ >= 0) close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    bool Send(const std::string& text) {
        return fd_ >= 0 && send(fd_, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
    }
    // Reads until the peer closes or `ms` have passed; returns true when the peer closed.
    bool ReadFor(int ms) {
        auto start = Clock::now();
        while (!closed_) {
            long left = ms - ElapsedMs(start);
            if (left <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
            char chunk[65536];
            ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0)
                closed_ = true;
            else
                data_.append(chunk, static_cast<size_t>(n));
        }
        return closed_;
    }
    const std::string& data() const { return data_; }
    std::string Head() const { return data_.substr(0, data_.find("\r\n\r\n") + 4); }
    std::string Body() const {
        size_t end = data_.find("\r\n\r\n");
        return end == std::string::npos ? std::string() : data_.substr(end + 4);
    }

private:
    int fd_ = -1;
    std::string data_;
    bool closed_ = false;
};

std::string Get(const std::string& target, const std::string& extraHeaders = "") {
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraHeaders + "Connection: close\r\n\r\n";
}

httplib::Result Fetch(int port, const std::string& path) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(2);
    client.set_read_timeout(5);
    return client.Get(path.c_str());
}

// ---- the client's reading of the performer list ----
// Two statement patterns matched anywhere in a line, the dot matching any character; category
// lines apply to the performer of the last viewers line; the last line is never examined.

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool MatchViewers(const std::string& line, std::string& name) {
    const std::string tail = "viewers = ";
    for (size_t dot = 1; dot + 1 + tail.size() < line.size(); ++dot) {
        if (line.compare(dot + 1, tail.size(), tail) != 0 || !IsNameChar(line[dot - 1])) continue;
        if (!std::isdigit(static_cast<unsigned char>(line[dot + 1 + tail.size()]))) continue;
        size_t start = dot;
        while (start > 0 && IsNameChar(line[start - 1])) --start;
        name = line.substr(start, dot - start);
        return true;
    }
    return false;
}

bool MatchCategory(const std::string& line, std::string& word) {
    for (size_t at = line.find("_performers"); at != std::string::npos; at = line.find("_performers", at + 1)) {
        size_t start = at;
        while (start > 0 && std::isalpha(static_cast<unsigned char>(line[start - 1]))) --start;
        size_t call = at + 11;
        if (start == at || line.compare(call + 1, 4, "add(") != 0) continue;
        size_t name = call + 5, end = name;
        while (end < line.size() && IsNameChar(line[end])) ++end;
        if (end == name || end >= line.size() || line[end] != ')') continue;
        word = line.substr(start, at - start);
        return true;
    }
    return false;
}

unsigned Apply(unsigned bits, const std::string& word) {
    if (word == "online") return bits | 0x01;
    if (word == "free") return (bits & ~0x1Cu) | 0x03;
    if (word == "busy") return ((bits & ~0x02u) | 0x05) | ((bits & 0x10) ? 0 : 0x08);
    if (word == "public") return (bits & ~0x12u) | 0x0D;
    if (word == "private") return (bits & ~0x0Au) | 0x15;
    return bits;
}

struct ParsedList {
    std::map<std::string, unsigned> status;
    std::vector<std::string> order;  // names in order of their viewers lines
};

ParsedList ParseList(const std::string& body) {
    ParsedList list;
    std::string current, name, word;
    bool haveCurrent = false;
    unsigned bits = 0;
    size_t at = 0;
    for (;;) {
        size_t end = body.find('\n', at);
        std::string line = body.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        at = end == std::string::npos ? body.size() : end + 1;
        bool last = at >= body.size();
        if (last || MatchViewers(line, name)) {
            if (haveCurrent) {
                list.status[current] = bits;
                list.order.push_back(current);
            }
            haveCurrent = false;
            bits = 0;
            if (last) break;
            current = name;
            haveCurrent = true;
        } else if (MatchCategory(line, word)) {
            bits = Apply(bits, word);
        }
    }
    return list;
}

// ---- JPEG frame header ----

bool JpegSize(const std::string& jpeg, int& width, int& height) {
    size_t at = 2;
    while (at + 9 < jpeg.size() && static_cast<unsigned char>(jpeg[at]) == 0xFF) {
        unsigned marker = static_cast<unsigned char>(jpeg[at + 1]);
        size_t length = (static_cast<unsigned char>(jpeg[at + 2]) << 8) | static_cast<unsigned char>(jpeg[at + 3]);
        if (marker == 0xC0) {
            height = (static_cast<unsigned char>(jpeg[at + 5]) << 8) | static_cast<unsigned char>(jpeg[at + 6]);
            width = (static_cast<unsigned char>(jpeg[at + 7]) << 8) | static_cast<unsigned char>(jpeg[at + 8]);
            return true;
        }
        at += 2 + length;
    }
    return false;
}

std::string TempPath(const std::string& name) {
    return testing::TempDir() + "sitesim_" + std::to_string(getpid()) + "_" + name;
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

Options Quiet(int population = 300) {
    Options options;
    options.population = population;
    return options;
}

}  // namespace

// ---- the performer list ----

TEST(SiteSimList, GeneratedListReadsAsOnlinePerformersWithShowStatuses) {
    SiteSim site(Quiet(300));
    ASSERT_TRUE(site.Start());
    auto reply = Fetch(site.WebPort(), "/include/js/online_performers.js");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(reply->get_header_value("Content-Type"), "application/x-javascript");

    ParsedList list = ParseList(reply->body);
    ASSERT_EQ(list.status.size(), 300u);
    EXPECT_EQ(list.order, sitesim::GeneratedNames(300, 1)) << "first reply is the population before any churn";
    std::map<unsigned, int> kinds;
    for (const auto& entry : list.status) {
        EXPECT_TRUE(entry.second == 0x03 || entry.second == 0x0D || entry.second == 0x15)
            << entry.first << " has status " << entry.second;
        ++kinds[entry.second];
        EXPECT_TRUE(std::all_of(entry.first.begin(), entry.first.end(), IsNameChar)) << entry.first;
        EXPECT_FALSE(std::isdigit(static_cast<unsigned char>(entry.first[0]))) << entry.first;
    }
    EXPECT_EQ(kinds.size(), 3u) << "free, public and private performers all occur";
    EXPECT_GT(kinds[0x03], 100);

    // The client never reads the last line, so it must not be a statement it needs.
    std::string lastLine = reply->body.substr(reply->body.rfind('\n', reply->body.size() - 2) + 1), word, name;
    EXPECT_FALSE(MatchViewers(lastLine, name) || MatchCategory(lastLine, word)) << lastLine;
    // Not only performer statements: the file is a script with other lines around them.
    EXPECT_NE(reply->body.find("var online_performers = new Set();"), std::string::npos);
    EXPECT_NE(reply->body.find("\n// "), std::string::npos);
}

TEST(SiteSimList, LargePopulationChurnsAFewPerformersPerRequest) {
    SiteSim site(Quiet(10000));
    ASSERT_TRUE(site.Start());
    auto first = Fetch(site.WebPort(), "/include/js/online_performers.js");
    auto second = Fetch(site.WebPort(), "/include/js/online_performers.js");
    ASSERT_TRUE(first && second);
    ParsedList a = ParseList(first->body), b = ParseList(second->body);
    ASSERT_EQ(a.order.size(), 10000u) << "names are unique";
    ASSERT_EQ(a.status.size(), 10000u);
    EXPECT_EQ(b.status.size(), 10000u);

    int left = 0, changed = 0;
    for (const auto& entry : a.status) {
        auto found = b.status.find(entry.first);
        if (found == b.status.end())
            ++left;
        else if (found->second != entry.second)
            ++changed;
    }
    int arrived = 0;
    for (const auto& entry : b.status) arrived += a.status.count(entry.first) ? 0 : 1;
    EXPECT_GE(left, 1);
    EXPECT_EQ(arrived, left);
    EXPECT_GE(changed, 1);
    EXPECT_LT(left + changed, 100) << "churn is a few performers, not a new list";

    // The same seed replays the same site; another seed gives other performers.
    EXPECT_EQ(sitesim::GeneratedNames(10000, 1), a.order);
    EXPECT_NE(sitesim::GeneratedNames(50, 2), sitesim::GeneratedNames(50, 1));

    site.UseGeneratedList(20, false);
    auto still1 = Fetch(site.WebPort(), "/include/js/online_performers.js");
    auto still2 = Fetch(site.WebPort(), "/include/js/online_performers.js");
    ASSERT_TRUE(still1 && still2);
    EXPECT_EQ(still1->body, still2->body);
    EXPECT_EQ(ParseList(still1->body).order, sitesim::GeneratedNames(20, 1));
}

TEST(SiteSimList, SetListIsServedByteForByteUntilGeneratedAgain) {
    SiteSim site(Quiet(5));
    ASSERT_TRUE(site.Start());
    const std::string body = "x.viewers = 1\r\nprivate_performers.add(x)\n\nno newline at the end";
    site.SetPerformerList(body);
    for (int i = 0; i < 2; ++i) {
        auto reply = Fetch(site.WebPort(), "/include/js/online_performers.js");
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->body, body) << "request " << i;
    }
    site.SetPerformerList("");
    auto empty = Fetch(site.WebPort(), "/include/js/online_performers.js");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->status, 200);
    EXPECT_EQ(empty->body, "");

    const std::string path = TempPath("list.js");
    WriteFile(path, std::string("a.viewers = 0\n\0binary\n", 23));
    ASSERT_TRUE(site.SetPerformerListFromFile(path));
    auto fromFile = Fetch(site.WebPort(), "/include/js/online_performers.js");
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->body, std::string("a.viewers = 0\n\0binary\n", 23));
    std::remove(path.c_str());
    EXPECT_FALSE(site.SetPerformerListFromFile(path));

    site.UseGeneratedList(5, true);
    auto generated = Fetch(site.WebPort(), "/include/js/online_performers.js");
    ASSERT_TRUE(generated);
    EXPECT_EQ(ParseList(generated->body).order, sitesim::GeneratedNames(5, 1));
}

// ---- faults ----

TEST(SiteSimFaults, EachFaultShowsOnTheWire) {
    SiteSim site(Quiet(5));
    ASSERT_TRUE(site.Start());
    const std::string body = "hello world\n";
    site.SetResource("/r", body, "text/plain");

    struct Case {
        Fault fault;
        std::function<void(const RawConnection&)> check;
    };
    const std::vector<Case> cases = {
        {Fault::Refuse, [](const RawConnection& c) { EXPECT_EQ(c.data(), ""); }},
        {Fault::Garbage,
         [](const RawConnection& c) {
             EXPECT_GE(c.data().size(), 16u);
             EXPECT_NE(c.data().compare(0, 5, "HTTP/"), 0);
         }},
        {Fault::NotFound, [](const RawConnection& c) { EXPECT_EQ(c.data().compare(0, 13, "HTTP/1.1 404 "), 0); }},
        {Fault::ServerError, [](const RawConnection& c) { EXPECT_EQ(c.data().compare(0, 13, "HTTP/1.1 500 "), 0); }},
        {Fault::DropMidBody,
         [&](const RawConnection& c) {
             EXPECT_NE(c.Head().find("Content-Length: 12\r\n"), std::string::npos);
             EXPECT_EQ(c.Body(), "hello ");
         }},
        {Fault::CloseDelimited,
         [&](const RawConnection& c) {
             EXPECT_EQ(c.data().compare(0, 13, "HTTP/1.1 200 "), 0);
             EXPECT_EQ(c.Head().find("Content-Length"), std::string::npos);
             EXPECT_EQ(c.Head().find("Transfer-Encoding"), std::string::npos);
             EXPECT_EQ(c.Body(), body);
         }},
        {Fault::Chunked,
         [&](const RawConnection& c) {
             EXPECT_NE(c.Head().find("Transfer-Encoding: chunked\r\n"), std::string::npos);
             EXPECT_EQ(c.Head().find("Content-Length"), std::string::npos);
             std::string chunked = c.Body(), decoded;
             int chunks = 0;
             for (size_t at = 0;;) {
                 size_t size = std::strtoul(chunked.c_str() + at, nullptr, 16);
                 at = chunked.find("\r\n", at) + 2;
                 if (size == 0) break;
                 decoded += chunked.substr(at, size);
                 at += size + 2;
                 ++chunks;
             }
             EXPECT_EQ(decoded, body);
             EXPECT_GT(chunks, 1);
         }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(sitesim::FaultName(test.fault));
        site.SetFault("/r", test.fault);
        RawConnection connection(site.WebPort());
        ASSERT_TRUE(connection.Send(Get("/r")));
        EXPECT_TRUE(connection.ReadFor(2000)) << "the server closes the connection";
        test.check(connection);
    }

    // An HTTP client sees the same bodies through the framing faults.
    site.SetFault("/r", Fault::Chunked);
    auto chunked = Fetch(site.WebPort(), "/r");
    ASSERT_TRUE(chunked);
    EXPECT_EQ(chunked->body, body);

    site.SetFault("/r", Fault::LongLines);
    auto longLines = Fetch(site.WebPort(), "/r");
    ASSERT_TRUE(longLines);
    EXPECT_EQ(longLines->status, 200);
    EXPECT_NE(longLines->body.find(body), std::string::npos);
    size_t firstBreak = longLines->body.find('\n');
    EXPECT_EQ(firstBreak, 1024u * 1024u);

    site.SetResource("/drip", "abcdef", "text/plain");
    site.SetFault("/drip", Fault::SlowDrip);
    auto start = Clock::now();
    auto drip = Fetch(site.WebPort(), "/drip");
    ASSERT_TRUE(drip);
    EXPECT_EQ(drip->body, "abcdef");
    EXPECT_GE(ElapsedMs(start), 250);

    // Faults go by path, on whichever server; clearing them brings the normal reply back.
    site.SetFault("/WebArchive/luna88/thumbs/LinkedImage.jpg", Fault::ServerError);
    auto image = Fetch(site.ImagePort(), "/WebArchive/luna88/thumbs/LinkedImage.jpg");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->status, 500);
    site.SetFault("/WebArchive/luna88/thumbs/LinkedImage.jpg", Fault::None);
    image = Fetch(site.ImagePort(), "/WebArchive/luna88/thumbs/LinkedImage.jpg");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->status, 200);
    site.ClearFaults();
    auto plain = Fetch(site.WebPort(), "/r");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->body, body);
    EXPECT_EQ(plain->get_header_value("Content-Length"), "12");
}

TEST(SiteSimFaults, HangingRepliesNeverCompleteAndStopEndsThem) {
    SiteSim site(Quiet(5));
    ASSERT_TRUE(site.Start());
    site.SetResource("/stall", "0123456789", "text/plain");
    site.SetFault("/stall", Fault::StallMidBody);
    site.SetFault("/include/js/online_performers.js", Fault::NoAnswer);

    RawConnection silent(site.WebPort()), stalled(site.WebPort());
    ASSERT_TRUE(silent.Send(Get("/include/js/online_performers.js")));
    ASSERT_TRUE(stalled.Send(Get("/stall")));

    httplib::Client client("127.0.0.1", site.WebPort());
    client.set_read_timeout(0, 300 * 1000);
    auto start = Clock::now();
    EXPECT_FALSE(client.Get("/stall"));
    EXPECT_FALSE(client.Get("/include/js/online_performers.js"));
    EXPECT_LT(ElapsedMs(start), 1500);

    EXPECT_FALSE(silent.ReadFor(100));
    EXPECT_FALSE(stalled.ReadFor(100));
    EXPECT_EQ(silent.data(), "");
    EXPECT_NE(stalled.Head().find("Content-Length: 10\r\n"), std::string::npos);
    EXPECT_EQ(stalled.Body(), "01234");
    ASSERT_TRUE(site.WaitForRequests(4, 1000));

    start = Clock::now();
    site.Stop();
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_TRUE(silent.ReadFor(1000)) << "Stop closes held connections";
    EXPECT_TRUE(stalled.ReadFor(1000));
    EXPECT_EQ(stalled.Body(), "01234");
    site.Stop();  // idempotent
}

// ---- request log ----

TEST(SiteSimLog, RecordsEveryRequestAsReceived) {
    SiteSim site(Quiet(5));
    ASSERT_TRUE(site.Start());
    EXPECT_FALSE(site.WaitForRequests(1, 50));

    RawConnection web(site.WebPort());
    ASSERT_TRUE(web.Send("GET /some/path?a=%41 b&c HTTP/1.1\r\nHost: x\r\nAuthorization: Basic Zm9vOmJhcg==\r\n"
                         "X-Second: two\r\nConnection: close\r\n\r\n"));
    web.ReadFor(2000);
    site.SetFault("/refused", Fault::Refuse);
    RawConnection refused(site.ImagePort());
    ASSERT_TRUE(refused.Send(Get("/refused")));
    refused.ReadFor(2000);
    ASSERT_TRUE(Fetch(site.PreviewPort(), "/preview.shtml?Amber_Rose"));

    ASSERT_TRUE(site.WaitForRequests(3, 2000));
    auto log = site.Requests();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].server, "web");
    EXPECT_EQ(log[0].method, "GET");
    EXPECT_EQ(log[0].path, "/some/path");
    EXPECT_EQ(log[0].query, "a=%41 b&c");
    using Header = std::pair<std::string, std::string>;
    std::vector<Header> expected = {{"Host", "x"}, {"Authorization", "Basic Zm9vOmJhcg=="}, {"X-Second", "two"},
                                    {"Connection", "close"}};
    EXPECT_EQ(log[0].headers, expected);
    EXPECT_EQ(log[1].server, "image");
    EXPECT_EQ(log[1].path, "/refused") << "faulted requests are logged too";
    EXPECT_EQ(log[2].server, "preview");
    EXPECT_EQ(log[2].query, "Amber_Rose");

    // Several requests on one kept-alive connection are logged one by one.
    httplib::Client client("127.0.0.1", site.WebPort());
    client.set_keep_alive(true);
    ASSERT_TRUE(client.Get("/include/js/online_performers.js"));
    ASSERT_TRUE(client.Get("/nothing/here"));
    EXPECT_TRUE(site.WaitForRequests(5, 2000));

    site.ClearRequests();
    EXPECT_TRUE(site.Requests().empty());
    EXPECT_FALSE(site.WaitForRequests(1, 50));
}

// ---- login check ----

TEST(SiteSimLogin, AcceptsOnlyTheExactAccountWithUnescapedText) {
    SiteSim site(Quiet(5));
    ASSERT_TRUE(site.Start());
    const std::string password = "p%41 s=1&x";
    site.AddAccount("bob", password, {"Amber_Rose", "luna88"});
    site.AddAccount("nofav", "pw", {});

    auto login = [&](const std::string& query) {
        RawConnection connection(site.WebPort());
        connection.Send(Get("/loginchecker?" + query));
        connection.ReadFor(2000);
        return connection;
    };
    RawConnection good = login("username=bob&password=" + password);
    EXPECT_EQ(good.data().compare(0, 13, "HTTP/1.1 200 "), 0);
    EXPECT_NE(good.Head().find("Content-Type: text/plain\r\n"), std::string::npos);
    EXPECT_EQ(good.Body(), "Amber_Rose\nluna88\n");

    for (const std::string& bad : {std::string("username=bob&password=p%41 s=1"), std::string("username=bob&password=pA s=1&x"),
                                   std::string("username=bob&password="), std::string("username=eve&password=") + password,
                                   std::string("username=bob"), std::string("")}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(login(bad).data().compare(0, 13, "HTTP/1.1 403 "), 0);
    }

    RawConnection empty = login("username=nofav&password=pw");
    EXPECT_EQ(empty.data().compare(0, 13, "HTTP/1.1 200 "), 0);
    EXPECT_EQ(empty.Body(), "");

    // Accounts file: comments skipped, a password may hold ':', favourites are optional.
    const std::string path = TempPath("accounts.txt");
    WriteFile(path, "# demo accounts\ncarol:se:cret:Mia123, Luna_Star\r\n\ndave:pw\n#eve:pw:x\n");
    ASSERT_TRUE(site.LoadAccountsFile(path));
    std::remove(path.c_str());
    EXPECT_EQ(login("username=carol&password=se:cret").Body(), "Mia123\nLuna_Star\n");
    EXPECT_EQ(login("username=dave&password=pw").data().compare(0, 13, "HTTP/1.1 200 "), 0);
    EXPECT_EQ(login("username=eve&password=pw").data().compare(0, 13, "HTTP/1.1 403 "), 0);
    EXPECT_FALSE(site.LoadAccountsFile(path));
}

// ---- update service ----

TEST(SiteSimUpdate, OffersFilesOnlyToOlderVersions) {
    SiteSim site(Quiet(5));
    ASSERT_TRUE(site.Start());
    const std::string module("MOD\0\xff\r\n", 7);
    site.SetUpdateFile("", module);
    site.SetUpdateFile("skin", "SKIN");
    site.SetUpdateVersion("1.10.0");

    auto ask = [&](const std::string& query) { return Fetch(site.WebPort(), "/cgi-bin/app/update.cgi?" + query); };
    auto fresh = ask("version=1.3.0");
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->status, 200);
    EXPECT_EQ(fresh->get_header_value("Content-Type"), "application/octet-stream");
    EXPECT_EQ(fresh->get_header_value("Content-Length"), "7");
    EXPECT_EQ(fresh->body, module);
    auto skin = ask("version=1.9.9&type=skin");
    ASSERT_TRUE(skin);
    EXPECT_EQ(skin->body, "SKIN");

    for (const char* query : {"version=1.10.0", "version=1.10", "version=2.0", "version=1.3.0&type=mo",
                                     "version=1.3.0&type=bogus"}) {
        SCOPED_TRACE(query);
        auto none = ask(query);
        ASSERT_TRUE(none);
        EXPECT_EQ(none->status, 200);
        EXPECT_EQ(none->get_header_value("Content-Type"), "text/plain");
        EXPECT_EQ(none->body, "no update\n");
    }

    // From a folder, as the program loads it.
    const std::string dir = TempPath("update");
    ASSERT_EQ(system(("mkdir -p '" + dir + "'").c_str()), 0);
    WriteFile(dir + "/module", "new module");
    WriteFile(dir + "/manifest", "");
    WriteFile(dir + "/version", "# newest\n\n1.4.0\n");
    Options options = Quiet(5);
    options.updateDir = dir;
    SiteSim fromDir(options);
    ASSERT_TRUE(fromDir.Start());
    auto module2 = Fetch(fromDir.WebPort(), "/cgi-bin/app/update.cgi?version=1.3.0");
    ASSERT_TRUE(module2);
    EXPECT_EQ(module2->body, "new module");
    auto manifest = Fetch(fromDir.WebPort(), "/cgi-bin/app/update.cgi?version=1.3.0&type=manifest");
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->get_header_value("Content-Type"), "application/octet-stream");
    EXPECT_EQ(manifest->get_header_value("Content-Length"), "0");
    auto newer = Fetch(fromDir.WebPort(), "/cgi-bin/app/update.cgi?version=1.4.1");
    ASSERT_TRUE(newer);
    EXPECT_EQ(newer->body, "no update\n");
    ASSERT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
}

TEST(SiteSimUpdate, VersionsCompareAsDottedNumbers) {
    struct Case {
        const char *a, *b;
        int sign;
    } cases[] = {{"1.10.0", "1.9.9", 1}, {"1.3", "1.3.0", 0}, {"1.3.0", "1.3.1", -1}, {"2", "10", -1},
                 {"01.2", "1.2", 0},     {"1.2b", "1.2", 0},  {"", "0", 0},          {"99999999999999999999", "1", 1}};
    for (const Case& c : cases) {
        int result = sitesim::CompareVersions(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " vs " << c.b;
        int reverse = sitesim::CompareVersions(c.b, c.a);
        EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign) << c.b << " vs " << c.a;
    }
}

// ---- pictures, preview pages, unknown paths ----

TEST(SiteSimPages, PicturesPreviewsAndUnknownPaths) {
    SiteSim site(Quiet(5));
    ASSERT_TRUE(site.Start());
    std::set<std::string> pictures;
    for (const std::string name : {"Amber_Rose", "luna88", "JustArrived_42", "x"}) {
        SCOPED_TRACE(name);
        auto reply = Fetch(site.ImagePort(), "/WebArchive/" + name + "/thumbs/LinkedImage.jpg");
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 200);
        EXPECT_EQ(reply->get_header_value("Content-Type"), "image/jpeg");
        const std::string& jpeg = reply->body;
        ASSERT_GT(jpeg.size(), 200u);
        EXPECT_EQ(jpeg.compare(0, 2, "\xFF\xD8"), 0);
        EXPECT_EQ(jpeg.compare(jpeg.size() - 2, 2, "\xFF\xD9"), 0);
        int width = 0, height = 0;
        ASSERT_TRUE(JpegSize(jpeg, width, height));
        EXPECT_EQ(width, 107);
        EXPECT_EQ(height, 82);
        EXPECT_EQ(jpeg, sitesim::ProfileImage(name));
        pictures.insert(jpeg);
    }
    EXPECT_EQ(pictures.size(), 4u) << "every performer has her own picture";

    auto preview = Fetch(site.PreviewPort(), "/preview.shtml?Amber_Rose");
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->status, 200);
    EXPECT_EQ(preview->get_header_value("Content-Type"), "text/html");
    EXPECT_NE(preview->body.find("<h1>Amber_Rose</h1>"), std::string::npos);
    auto escaped = Fetch(site.PreviewPort(), "/preview.shtml?<b>");
    ASSERT_TRUE(escaped);
    EXPECT_EQ(escaped->body.find("<b>"), std::string::npos);

    // Each server answers only its own paths.
    struct Miss {
        int port;
        const char* path;
    } misses[] = {{site.WebPort(), "/"},
                  {site.WebPort(), "/WebArchive/luna88/thumbs/LinkedImage.jpg"},
                  {site.ImagePort(), "/include/js/online_performers.js"},
                  {site.ImagePort(), "/WebArchive/a/b/thumbs/LinkedImage.jpg"},
                  {site.PreviewPort(), "/loginchecker?username=a&password=b"},
                  {site.PreviewPort(), "/preview.shtml"}};
    for (const Miss& miss : misses) {
        auto reply = Fetch(miss.port, miss.path);
        ASSERT_TRUE(reply) << miss.path;
        EXPECT_EQ(reply->status, 404) << miss.path;
    }
}

// ---- lifecycle and threads ----

TEST(SiteSimLifecycle, PortsRestartsAndConcurrentClients) {
    SiteSim first(Quiet(50));
    ASSERT_TRUE(first.Start());
    EXPECT_TRUE(first.Start()) << "a second Start keeps the running servers";
    EXPECT_EQ(first.WebServer(), "127.0.0.1:" + std::to_string(first.WebPort()));
    EXPECT_NE(first.WebPort(), first.ImagePort());

    Options clash = Quiet(5);
    clash.imagePort = first.ImagePort();
    SiteSim second(clash);
    EXPECT_FALSE(second.Start()) << "a port in use cannot be bound";

    // Clients on several threads while the test thread reconfigures the site.
    std::atomic<int> ok{0};
    std::vector<std::thread> clients;
    for (int t = 0; t < 4; ++t)
        clients.emplace_back([&, t] {
            httplib::Client client("127.0.0.1", t % 2 ? first.WebPort() : first.ImagePort());
            client.set_read_timeout(5);
            for (int i = 0; i < 10; ++i) {
                auto reply = client.Get(t % 2 ? "/include/js/online_performers.js" : "/WebArchive/a/thumbs/LinkedImage.jpg");
                if (reply && (reply->status == 200 || reply->status == 404)) ++ok;
            }
        });
    for (int i = 0; i < 20; ++i) {
        first.SetFault("/include/js/online_performers.js", i % 2 ? Fault::NotFound : Fault::None);
        if (i % 5 == 0) first.UseGeneratedList(50, true);
        first.Requests();
        std::this_thread::yield();
    }
    for (auto& client : clients) client.join();
    EXPECT_EQ(ok.load(), 40);
    EXPECT_TRUE(first.WaitForRequests(40, 1000));

    first.Stop();
    EXPECT_FALSE(Fetch(first.WebPort(), "/include/js/online_performers.js")) << "nothing listens after Stop";
    ASSERT_TRUE(first.Start());
    EXPECT_TRUE(Fetch(first.WebPort(), "/include/js/online_performers.js"));
}
