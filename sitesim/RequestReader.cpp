// Reads the requests of one connection of the simulated site: head, headers and body.
#include "RequestReader.h"

#include "Text.h"

#include <cstdlib>
#include <sstream>

namespace sitesim
{
namespace
{
const size_t kMaxHeadBytes = 64 * 1024;
const size_t kMaxRequestBody = 16 * 1024 * 1024;
// A keep-alive connection with no new request for this long is closed, so idle clients do not
// hold a thread each for ever.
const int kIdleTimeoutMs = 10000;
} // namespace

RequestReader::RequestReader(const Socket& socket_, std::string server_) : socket(socket_), server(std::move(server_))
{
}

bool RequestReader::Next(Request& request, bool& keepAlive)
{
    size_t headEnd = 0, separator = 0;
    while (!FindHeadEnd(headEnd, separator))
    {
        if (buffer.size() > kMaxHeadBytes || !socket.Receive(buffer, kIdleTimeoutMs))
            return false;
    }
    request = Request();
    request.server = server;
    std::string version;
    const bool parsed = ParseHead(buffer.substr(0, headEnd), request, version);
    buffer.erase(0, headEnd + separator);
    if (!parsed)
    {
        socket.Send("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        return false;
    }
    size_t bodyLength = 0;
    if (const std::string* length = FindHeader(request, "Content-Length"))
        bodyLength = static_cast<size_t>(std::strtoull(length->c_str(), nullptr, 10));
    if (bodyLength > kMaxRequestBody)
        return false;
    while (buffer.size() < bodyLength)
        if (!socket.Receive(buffer, kIdleTimeoutMs))
            return false;
    buffer.erase(0, bodyLength);

    const std::string* connection = FindHeader(request, "Connection");
    keepAlive = version == "HTTP/1.1" ? !(connection && Text::EqualsIgnoreCase(*connection, "close"))
                                      : (connection && Text::EqualsIgnoreCase(*connection, "keep-alive"));
    return true;
}

const std::string* RequestReader::FindHeader(const Request& request, const char* name)
{
    for (const auto& header : request.headers)
        if (Text::EqualsIgnoreCase(header.first, name))
            return &header.second;
    return nullptr;
}

// Reads the request line loosely: method up to the first space, version after the last, so that
// a target with raw spaces (names are not always escaped) still arrives whole.
bool RequestReader::ParseHead(const std::string& head, Request& request, std::string& version)
{
    std::istringstream lines(head);
    std::string line;
    if (!std::getline(lines, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    const size_t first = line.find(' '), last = line.rfind(' ');
    if (first == std::string::npos || last == first)
        return false;
    request.method = line.substr(0, first);
    version = line.substr(last + 1);
    std::string target = line.substr(first + 1, last - first - 1);
    if (version.compare(0, 5, "HTTP/") != 0 || target.empty())
        return false;
    // A proxy-style absolute target names the server first.
    if (target.compare(0, 7, "http://") == 0)
    {
        const size_t slash = target.find('/', 7);
        target = slash == std::string::npos ? "/" : target.substr(slash);
    }
    const size_t question = target.find('?');
    request.path = target.substr(0, question);
    request.query = question == std::string::npos ? std::string() : target.substr(question + 1);
    while (std::getline(lines, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t colon = line.find(':');
        if (colon != std::string::npos)
            request.headers.emplace_back(Text::Trim(line.substr(0, colon)), Text::Trim(line.substr(colon + 1)));
    }
    return true;
}

// A head ends at the first empty line, "\r\n\r\n" or a bare "\n\n".
bool RequestReader::FindHeadEnd(size_t& end, size_t& separator) const
{
    const size_t crlf = buffer.find("\r\n\r\n"), lf = buffer.find("\n\n");
    if (crlf == std::string::npos && lf == std::string::npos)
        return false;
    separator = lf < crlf ? 2 : 4;
    end = lf < crlf ? lf : crlf;
    return true;
}

} // namespace sitesim
