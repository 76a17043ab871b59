// A reply of the simulated site before its framing: status, headers and body.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace sitesim
{

struct Reply
{
    int status = 200;
    std::string contentType = "text/plain";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers; // beyond the type and the framing

    static Reply Text(int status, std::string text)
    {
        Reply reply;
        reply.status = status;
        reply.body = std::move(text);
        return reply;
    }
};

} // namespace sitesim
