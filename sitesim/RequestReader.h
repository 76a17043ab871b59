// Reads the requests of one connection of the simulated site: head, headers and body.
#pragma once

#include "SiteSim.h"
#include "Socket.h"

#include <string>

namespace sitesim
{

class RequestReader
{
public:
    RequestReader(const Socket& socket, std::string server);

    /// The next request; false when the peer hangs up, idles too long, sends too much or sends
    /// a head that is not HTTP (it then gets a 400 reply).
    bool Next(Request& request, bool& keepAlive);

    /// The value of a header (the name in any case), null when the request has none.
    static const std::string* FindHeader(const Request& request, const char* name);
    /// Parses a request head; version receives "HTTP/1.1" and the like.
    static bool ParseHead(const std::string& head, Request& request, std::string& version);

private:
    bool FindHeadEnd(size_t& end, size_t& separator) const;

    const Socket& socket;
    std::string server;
    std::string buffer;
};

} // namespace sitesim
