// A small server on loopback for replies the simulated site does not give: any status with a
// Location, a body that never ends, a length past 4 GiB.
#pragma once

#include <httplib.h>

#include <atomic>
#include <string>
#include <thread>

class ReplyServer
{
public:
    enum class Body
    {
        Page,    // a short page (none for 304)
        Endless, // chunked, until the client leaves
        Huge     // announces kHugeLength bytes, sent until the client leaves
    };
    static constexpr long long kHugeLength = 5LL << 30;

    ReplyServer()
    {
        // "/301": that status; "/endless", "/huge": those bodies with 200; any other path: the
        // reply set with Reply().
        server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            const std::string name = request.path.substr(1);
            const bool numbered = !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
            const Body kind = name == "endless" ? Body::Endless : name == "huge" ? Body::Huge : numbered ? Body::Page : body.load();
            response.status = numbered ? std::stoi(name) : kind == Body::Page ? status.load() : 200;
            response.set_header("Location", "/elsewhere");
            auto more = [](size_t, httplib::DataSink& sink) { return sink.write(kChunk.data(), kChunk.size()); };
            if (kind == Body::Endless)
                response.set_chunked_content_provider("text/plain", more);
            else if (kind == Body::Huge)
                response.set_content_provider(static_cast<size_t>(kHugeLength), "text/plain",
                                              [more](size_t, size_t, httplib::DataSink& sink) { return more(0, sink); });
            else if (response.status != 304)
                response.set_content("<html>moved</html>", "text/html");
        });
        // Listening from here on: a request made before the loop starts waits in the backlog.
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
    }
    ~ReplyServer()
    {
        server.stop();
        thread.join();
    }

    /// What a later GET of any other path gets: the status with a page, or a body with 200.
    void Reply(int status_, Body body_ = Body::Page)
    {
        status = status_;
        body = body_;
    }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port); }
    std::string Url(const std::string& path) const { return "http://" + Address() + path; }

private:
    static inline const std::string kChunk = std::string(64 * 1024, 'x') + "\n";
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::atomic<int> status{302};
    std::atomic<Body> body{Body::Page};
};
