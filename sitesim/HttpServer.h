// One listener of the simulated site: accepts connections on loopback and serves each on its own
// thread, counting how many are open at once.
#pragma once

#include "SiteSim.h"
#include "Socket.h"

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace sitesim
{

class HttpServer
{
public:
    /// Answers one request; false when the connection must be closed afterwards.
    using Handler = std::function<bool(const Socket& socket, const Request& request, bool keepAlive)>;

    /// name goes into the server field of every request ("web", "image", "preview").
    HttpServer(std::string name, Handler handler);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    /// Listens on host:port (0: any free port); false when that cannot be bound.
    bool Start(const std::string& host, int port);
    /// Ends the listener and every connection, stalled ones too, and joins their threads.
    void Stop();

    /// The bound port; it stays known after Stop.
    int GetPort() const { return port.load(); }
    /// The most connections open at once since Start or the last reset.
    int GetPeakConnections() const;
    void ResetPeakConnections();

private:
    struct Connection
    {
        std::thread thread;
        int fd = -1;
        bool done = false;
    };

    static int OpenListener(const std::string& host, int port, int& boundPort);
    void AcceptLoop();
    void Spawn(int fd);
    void Serve(Connection& connection);
    int CountOpen() const;

    const std::string name;
    const Handler handler;
    std::atomic<int> port{0};

    // Start and Stop hold runMutex. The pipe is written once on Stop and never drained, so
    // every wait that includes its read end wakes from then on.
    std::mutex runMutex;
    bool running = false;
    int stopRead = -1;
    int stopWrite = -1;
    int listenFd = -1;
    std::thread acceptThread;

    // A connection's thread closes its socket under this mutex, so the counting never looks at
    // a descriptor number that has been reused.
    mutable std::mutex connectionMutex;
    std::list<std::unique_ptr<Connection>> connections;
    int peak = 0;
};

} // namespace sitesim
