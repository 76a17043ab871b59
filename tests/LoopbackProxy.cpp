// A tiny HTTP proxy on loopback that records what it is asked and answers itself.
#include "LoopbackProxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

LoopbackProxy::LoopbackProxy()
{
    listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 8);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    thread = std::thread([this] { Serve(); });
}

LoopbackProxy::~LoopbackProxy()
{
    stopping = true;
    thread.join();
    close(listener);
}

std::vector<std::string> LoopbackProxy::RequestLines() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return requestLines;
}

std::vector<std::string> LoopbackProxy::HostHeaders() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return hostHeaders;
}

void LoopbackProxy::Serve()
{
    while (!stopping)
    {
        pollfd waiting{listener, POLLIN, 0};
        if (poll(&waiting, 1, 50) <= 0)
            continue;
        const int client = accept(listener, nullptr, nullptr);
        if (client < 0)
            continue;
        std::string head;
        char buffer[1024];
        while (head.find("\r\n\r\n") == std::string::npos)
        {
            pollfd readable{client, POLLIN, 0};
            if (poll(&readable, 1, 2000) <= 0)
                break;
            const ssize_t got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            head.append(buffer, static_cast<size_t>(got));
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            requestLines.push_back(head.substr(0, head.find("\r\n")));
            size_t host = head.find("\r\nHost: ");
            if (host != std::string::npos)
            {
                host += 8;
                hostHeaders.push_back(head.substr(host, head.find("\r\n", host) - host));
            }
        }
        const char reply[] = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"
                             "Content-Length: 7\r\nConnection: close\r\n\r\nproxied";
        send(client, reply, std::strlen(reply), MSG_NOSIGNAL);
        close(client);
    }
}
