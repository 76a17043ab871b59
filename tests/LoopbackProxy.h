// A tiny HTTP proxy on loopback that records what it is asked and answers itself.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackProxy
{
public:
    LoopbackProxy();
    ~LoopbackProxy();

    int Port() const { return port; }
    /// The request lines and Host headers received so far.
    std::vector<std::string> RequestLines() const;
    std::vector<std::string> HostHeaders() const;

private:
    void Serve();

    int listener = -1;
    int port = 0;
    std::atomic<bool> stopping{false};
    mutable std::mutex mutex;
    std::vector<std::string> requestLines;
    std::vector<std::string> hostHeaders;
    std::thread thread;
};
