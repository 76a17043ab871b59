// One listener of the simulated site: accepts connections on loopback and serves each on its own
// thread, counting how many are open at once.
//
// It is written on plain sockets rather than on an HTTP library because the faults it must
// produce (a closed connection without a reply, a stalled or cut body, a close-delimited body,
// bytes that are not HTTP at all) live below the level that such libraries let a handler reach.
#include "HttpServer.h"

#include "RequestReader.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace sitesim
{

HttpServer::HttpServer(std::string name_, Handler handler_) : name(std::move(name_)), handler(std::move(handler_))
{
}

HttpServer::~HttpServer()
{
    Stop();
}

bool HttpServer::Start(const std::string& host, int wantedPort)
{
    std::lock_guard<std::mutex> lock(runMutex);
    if (running)
        return true;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    int bound = 0;
    listenFd = OpenListener(host, wantedPort, bound);
    if (listenFd < 0)
    {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return false;
    }
    stopRead = pipeFds[0];
    stopWrite = pipeFds[1];
    port = bound;
    {
        std::lock_guard<std::mutex> connectionLock(connectionMutex);
        peak = 0;
    }
    acceptThread = std::thread(&HttpServer::AcceptLoop, this);
    running = true;
    return true;
}

void HttpServer::Stop()
{
    std::lock_guard<std::mutex> lock(runMutex);
    if (!running)
        return;
    const char wake = 'x';
    while (write(stopWrite, &wake, 1) < 0 && errno == EINTR)
    {
    }
    acceptThread.join();
    close(listenFd);
    listenFd = -1;
    // The listener is gone, so nothing adds to the list any more.
    std::list<std::unique_ptr<Connection>> remaining;
    {
        std::lock_guard<std::mutex> connectionLock(connectionMutex);
        remaining.swap(connections);
    }
    for (auto& connection : remaining)
        connection->thread.join();
    close(stopRead);
    close(stopWrite);
    stopRead = stopWrite = -1;
    running = false;
}

int HttpServer::GetPeakConnections() const
{
    std::lock_guard<std::mutex> lock(connectionMutex);
    return peak;
}

void HttpServer::ResetPeakConnections()
{
    std::lock_guard<std::mutex> lock(connectionMutex);
    peak = CountOpen();
}

int HttpServer::OpenListener(const std::string& host, int port, int& boundPort)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    const std::string numeric = host == "localhost" ? "127.0.0.1" : host.empty() ? "0.0.0.0" : host;
    if (port < 0 || port > 65535 || inet_pton(AF_INET, numeric.c_str(), &address.sin_addr) != 1)
        return -1;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    int on = 1;
    // Lets the program restart at once on its fixed ports; a port that another socket still
    // listens on is refused all the same.
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, SOMAXCONN) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    {
        close(fd);
        return -1;
    }
    boundPort = ntohs(address.sin_port);
    return fd;
}

void HttpServer::AcceptLoop()
{
    pthread_setname_np(pthread_self(), "sitesim-accept");
    const Socket listener(listenFd, stopRead);
    for (;;)
    {
        if (listener.Wait(POLLIN, -1) < 0)
            return;
        for (;;)
        {
            const int fd = accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0)
            {
                // Out of descriptors and the like: back off instead of spinning on a ready
                // listener.
                if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED &&
                    !listener.Pause(50))
                    return;
                break;
            }
            int on = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            Spawn(fd);
        }
    }
}

void HttpServer::Spawn(int fd)
{
    std::lock_guard<std::mutex> lock(connectionMutex);
    for (auto it = connections.begin(); it != connections.end();)
    {
        if ((*it)->done)
        {
            (*it)->thread.join();
            it = connections.erase(it);
        }
        else
        {
            ++it;
        }
    }
    connections.push_back(std::make_unique<Connection>());
    Connection& connection = *connections.back();
    connection.fd = fd;
    try
    {
        connection.thread = std::thread(&HttpServer::Serve, this, std::ref(connection));
    }
    catch (const std::system_error&)
    {
        close(fd);
        connections.pop_back();
        return;
    }
    peak = std::max(peak, CountOpen());
}

void HttpServer::Serve(Connection& connection)
{
    pthread_setname_np(pthread_self(), "sitesim-serve");
    const Socket socket(connection.fd, stopRead);
    RequestReader reader(socket, name);
    Request request;
    bool keepAlive = false;
    while (reader.Next(request, keepAlive) && handler(socket, request, keepAlive))
    {
    }
    shutdown(connection.fd, SHUT_WR);
    std::lock_guard<std::mutex> lock(connectionMutex);
    close(connection.fd);
    connection.fd = -1;
    connection.done = true;
}

// Connections whose peer has hung up do not count although their threads may not have noticed
// yet: a client that closes one download and opens the next has only one open.
int HttpServer::CountOpen() const
{
    int open = 0;
    for (const auto& connection : connections)
    {
        if (connection->done)
            continue;
        pollfd p{connection->fd, POLLRDHUP, 0};
        if (poll(&p, 1, 0) == 0 || !(p.revents & (POLLRDHUP | POLLHUP | POLLERR)))
            ++open;
    }
    return open;
}

} // namespace sitesim
