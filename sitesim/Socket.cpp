// A non-blocking socket of the simulated site whose every wait ends when its server stops.
#include "Socket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/socket.h>

namespace sitesim
{

Socket::Socket(int fd_, int stopFd_) : fd(fd_), stopFd(stopFd_)
{
}

int Socket::Wait(short events, int timeoutMs) const
{
    return Poll(fd, events, timeoutMs);
}

bool Socket::Pause(int milliseconds) const
{
    return Poll(-1, 0, milliseconds) == 0;
}

bool Socket::IsStopping() const
{
    return Poll(-1, 0, 0) < 0;
}

int Socket::Poll(int pollFd, short events, int timeoutMs) const
{
    pollfd fds[2] = {{stopFd, POLLIN, 0}, {pollFd, events, 0}};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;)
    {
        int wait = -1;
        if (timeoutMs >= 0)
        {
            // Rounded up: poll may wake a little early, and a drip must never run fast.
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            wait = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
        }
        const int r = poll(fds, pollFd >= 0 ? 2 : 1, wait);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 || fds[0].revents)
            return -1;
        if (r > 0)
            return 1;
        if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline)
            return 0;
    }
}

bool Socket::Send(const char* data, size_t size) const
{
    while (size)
    {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n > 0)
        {
            data += n;
            size -= static_cast<size_t>(n);
        }
        else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        {
            if (Wait(POLLOUT, -1) < 0)
                return false;
        }
        else
        {
            return false;
        }
    }
    return true;
}

bool Socket::Receive(std::string& buffer, int timeoutMs) const
{
    for (;;)
    {
        char chunk[16384];
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n > 0)
        {
            buffer.append(chunk, static_cast<size_t>(n));
            return true;
        }
        if (n == 0)
            return false;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        if (Wait(POLLIN, timeoutMs) <= 0)
            return false;
    }
}

void Socket::HoldUntilStopOrHangUp() const
{
    std::string discard;
    while (Receive(discard, -1))
        discard.clear();
}

} // namespace sitesim
