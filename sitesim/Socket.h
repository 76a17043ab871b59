// A non-blocking socket of the simulated site whose every wait ends when its server stops.
#pragma once

#include <cstddef>
#include <string>

namespace sitesim
{

class Socket
{
public:
    /// fd is not owned; stopFd becomes readable when the server stops, and stays so.
    Socket(int fd, int stopFd);

    /// Waits for events (POLLIN, POLLOUT) or timeoutMs (-1: no limit). 1: ready, 0: timed out,
    /// -1: the server is stopping or the wait failed.
    int Wait(short events, int timeoutMs) const;
    /// Sleeps for milliseconds; false when the server stops first.
    bool Pause(int milliseconds) const;
    bool IsStopping() const;

    /// Sends everything, waiting while the peer does not read; false on an error or a stop.
    bool Send(const char* data, size_t size) const;
    bool Send(const std::string& data) const { return Send(data.data(), data.size()); }
    /// Appends what the peer sent; false on end of stream, error, time-out or stop.
    bool Receive(std::string& buffer, int timeoutMs) const;
    /// Reads and discards until the peer hangs up or the server stops.
    void HoldUntilStopOrHangUp() const;

private:
    int Poll(int pollFd, short events, int timeoutMs) const;

    int fd;
    int stopFd;
};

} // namespace sitesim
