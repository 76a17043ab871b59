// How the simulated site frames a reply, faithfully or with the fault set for its path.
#pragma once

#include "Reply.h"
#include "SiteSim.h"
#include "Socket.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace sitesim
{

class FaultFraming
{
public:
    /// seed makes the garbage bytes of Fault::Garbage.
    explicit FaultFraming(unsigned seed);

    /// Answers a request with the fault (Fault::None: a plain reply); route makes the site's own
    /// reply when the fault uses one. gzip: the body goes compressed (an endless one as an endless
    /// compressed stream). False when the connection must be closed afterwards.
    bool Answer(const Socket& socket, const Request& request, Fault fault, bool keepAlive, bool gzip,
                const std::function<Reply()>& route);

private:
    std::string GarbageBytes();
    static Reply Substitute(Fault fault, const Request& request, const std::function<Reply()>& route);
    static std::string Head(const Reply& reply, bool keepAlive);
    static std::string Chunked(const std::string& body);
    static bool SendDrip(const Socket& socket, const std::string& body);
    static bool SendEndless(const Socket& socket, const std::string& body, bool gzip);

    const unsigned seed;
    std::atomic<uint64_t> garbageCount{0};
};

} // namespace sitesim
