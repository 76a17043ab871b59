// How the simulated site frames a reply, faithfully or with the fault set for its path.
#include "FaultFraming.h"

#include "Gzip.h"
#include "RequestReader.h"
#include "Rng.h"
#include "Text.h"

#include <algorithm>
#include <cstdio>

namespace sitesim
{
namespace
{
const int kDripIntervalMs = 50;
const size_t kLongLineBytes = 1024 * 1024;
const size_t kEndlessBlockBytes = 64 * 1024;

const char* ReasonPhrase(int status)
{
    switch (status)
    {
    case 200: return "OK";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Unknown";
    }
}

// Short words, so that a long line is not one endless token.
std::string Words(size_t bytes)
{
    static const char* const kWords[] = {"lorem ", "ipsum ", "dolor ", "sit ", "amet ", "performer ", "online "};
    std::string text = "// ";
    for (size_t i = 0; text.size() < bytes; ++i)
        text += kWords[i % 7];
    text.resize(bytes);
    return text;
}

const std::string& LongLine()
{
    static const std::string line = Words(kLongLineBytes);
    return line;
}
} // namespace

const char* FaultName(Fault fault)
{
    switch (fault)
    {
    case Fault::None: return "none";
    case Fault::Refuse: return "refuse";
    case Fault::NoAnswer: return "no-answer";
    case Fault::StallMidBody: return "stall-mid-body";
    case Fault::DropMidBody: return "drop-mid-body";
    case Fault::NotFound: return "not-found";
    case Fault::ServerError: return "server-error";
    case Fault::Chunked: return "chunked";
    case Fault::CloseDelimited: return "close-delimited";
    case Fault::Garbage: return "garbage";
    case Fault::LongLines: return "long-lines";
    case Fault::SlowDrip: return "slow-drip";
    case Fault::Redirect: return "redirect";
    case Fault::Endless: return "endless";
    case Fault::HugeLength: return "huge-length";
    }
    return "unknown";
}

FaultFraming::FaultFraming(unsigned seed_) : seed(seed_)
{
}

bool FaultFraming::Answer(const Socket& socket, const Request& request, Fault fault, bool keepAlive, bool gzip,
                          const std::function<Reply()>& route)
{
    switch (fault)
    {
    case Fault::Refuse: return false;
    case Fault::NoAnswer: socket.HoldUntilStopOrHangUp(); return false;
    case Fault::Garbage: socket.Send(GarbageBytes()); return false;
    default: break;
    }
    Reply reply = Substitute(fault, request, route);
    // A length announced past 4 GiB stays the length of the text that follows it.
    gzip = gzip && fault != Fault::HugeLength;
    if (gzip)
    {
        reply.headers.emplace_back("Content-Encoding", "gzip");
        reply.headers.emplace_back("Vary", "Accept-Encoding");
        if (fault != Fault::Endless)
            reply.body = Gzip(reply.body);
    }
    const bool head = request.method == "HEAD";
    const std::string& body = reply.body;
    const std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    switch (fault)
    {
    case Fault::Chunked:
        return socket.Send(Head(reply, keepAlive) + "Transfer-Encoding: chunked\r\n\r\n" +
                           (head ? std::string() : Chunked(body))) &&
               keepAlive;
    case Fault::CloseDelimited: socket.Send(Head(reply, false) + "\r\n" + (head ? std::string() : body)); return false;
    case Fault::Endless:
        if (socket.Send(Head(reply, false) + "\r\n") && !head)
            SendEndless(socket, body, gzip);
        return false;
    case Fault::HugeLength:
        if (socket.Send(Head(reply, false) + "Content-Length: " + std::to_string(kHugeLength) + "\r\n\r\n") && !head)
            SendEndless(socket, body, false);
        return false;
    case Fault::SlowDrip:
        return socket.Send(Head(reply, keepAlive) + length) && (head || SendDrip(socket, body)) && keepAlive;
    case Fault::StallMidBody:
    case Fault::DropMidBody:
        if (socket.Send(Head(reply, keepAlive) + length + body.substr(0, body.size() / 2)) &&
            fault == Fault::StallMidBody)
            socket.HoldUntilStopOrHangUp();
        return false;
    default: return socket.Send(Head(reply, keepAlive) + length + (head ? std::string() : body)) && keepAlive;
    }
}

// The reply a fault sends instead of the site's own, or the site's own, changed as it says.
Reply FaultFraming::Substitute(Fault fault, const Request& request, const std::function<Reply()>& route)
{
    switch (fault)
    {
    case Fault::NotFound: return Reply::Text(404, "not found\n");
    case Fault::ServerError: return Reply::Text(500, "internal server error\n");
    case Fault::Redirect: {
        // To the same target under /moved on the server that the client asked for.
        const std::string* host = RequestReader::FindHeader(request, "Host");
        const std::string location = (host ? "http://" + *host : std::string()) + "/moved" + request.path +
                                     (request.query.empty() ? "" : "?" + request.query);
        Reply reply;
        reply.status = 302;
        reply.contentType = "text/html";
        reply.headers.emplace_back("Location", location);
        reply.body = "<!DOCTYPE html>\n<html><head><title>302 Found</title></head>\n<body><h1>Found"
                     "</h1><p>The document has moved <a href=\"" +
                     Text::HtmlEscape(location) + "\">here</a>.</p></body></html>\n";
        return reply;
    }
    default: break;
    }
    Reply reply = route();
    if (fault == Fault::LongLines)
        reply.body = LongLine() + "\n" + reply.body + LongLine() + "\n" + LongLine() + "\n";
    if (fault == Fault::Endless || fault == Fault::HugeLength)
        reply.status = 200;
    return reply;
}

std::string FaultFraming::Head(const Reply& reply, bool keepAlive)
{
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + ReasonPhrase(reply.status) +
                       "\r\nServer: sitesim\r\nContent-Type: " + reply.contentType + "\r\n";
    for (const auto& header : reply.headers)
        head += header.first + ": " + header.second + "\r\n";
    if (!keepAlive)
        head += "Connection: close\r\n";
    return head;
}

// Several chunks even for a short body, so a reader that stops after the first is caught.
std::string FaultFraming::Chunked(const std::string& body)
{
    std::string out;
    const size_t step = std::max<size_t>(1, std::min<size_t>(4096, (body.size() + 2) / 3));
    for (size_t at = 0; at < body.size(); at += step)
    {
        const size_t n = std::min(step, body.size() - at);
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", n);
        out += size;
        out.append(body, at, n);
        out += "\r\n";
    }
    return out + "0\r\n\r\n";
}

bool FaultFraming::SendDrip(const Socket& socket, const std::string& body)
{
    for (size_t i = 0; i < body.size(); ++i)
        if ((i > 0 && !socket.Pause(kDripIntervalMs)) || !socket.Send(&body[i], 1))
            return false;
    return true;
}

// The body, then text without end, as fast as the client reads, until it hangs up or the server
// stops. Compressed, it is a bomb: a few KiB on the wire for every MiB unpacked.
bool FaultFraming::SendEndless(const Socket& socket, const std::string& body, bool gzip)
{
    static const std::string block = [] {
        const std::string line = Words(79) + "\n";
        std::string text;
        while (text.size() < kEndlessBlockBytes)
            text += line;
        return text;
    }();
    GzipStream stream;
    const auto encode = [&](const std::string& text) { return gzip ? stream.Add(text, false) : text; };
    if (!socket.Send(encode(body)))
        return false;
    while (!socket.IsStopping())
        if (!socket.Send(encode(block)))
            return false;
    return false;
}

std::string FaultFraming::GarbageBytes()
{
    Rng rng(seed * 7919ull + ++garbageCount);
    std::string bytes(64 + rng.Below(192), '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng.Next() & 0xFF);
    bytes[0] = static_cast<char>(0x80 | (bytes[0] & 0x7F)); // never "HTTP/..." by chance
    return bytes;
}

} // namespace sitesim
