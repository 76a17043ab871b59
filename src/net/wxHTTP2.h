// HTTP GET with optional Basic authentication, for requests that may carry an account.
//
// Usage (on whichever thread will use the client, one thread at a time):
//   auto client = std::make_unique<wxHTTP2>();
//   client->SetUser(id);            // no "Authorization" header while the user is empty
//   client->SetPassword(password);
//   client->Connect("127.0.0.1:18080");                  // "host" or "host:port"
//   std::unique_ptr<wxInputStream> in(client->GetInputStream("/loginchecker?username=a"));
//   if (!in) ... // connection failure, time-out, HTTP error status or stop request
#pragma once

#include "net/HttpGet.h"

#include <wx/stream.h>
#include <wx/string.h>

#include <utility>
#include <vector>

class wxHTTP2
{
public:
    wxHTTP2();
    virtual ~wxHTTP2();
    wxHTTP2(const wxHTTP2&) = delete;
    wxHTTP2& operator=(const wxHTTP2&) = delete;

    void SetUser(const wxString& user);
    void SetPassword(const wxString& password);
    /// Adds a request header; false (and not added) when the name or value holds a line break,
    /// which would start a header of its own on the wire.
    bool SetHeader(const wxString& name, const wxString& value);
    /// The socket time-out: connecting, or a reply that stops arriving, fails after this long.
    void SetTimeout(long seconds);
    /// A reply past this many bytes fails without being held; 0 (the default): no limit.
    void SetSizeLimit(long long bytes) { sizeLimit = bytes; }
    long long GetSizeLimit() const { return sizeLimit; }
    /// Offers compressed replies, decoded on arrival; the size limit counts the decoded bytes.
    void SetAcceptCompressed(bool accept) { acceptCompressed = accept; }
    /// A request not done this long after it began fails; 0 (the default): no limit.
    void SetOverallTimeout(long milliseconds) { overallTimeout = milliseconds; }
    /// Heeded during a transfer: a stop request ends it as a failure.
    void SetStopToken(const StopToken& token);

    /// Names the server of the next requests, "host" or "host:port" (80 when no port is given).
    /// Nothing is sent yet; false for an empty or malformed name.
    bool Connect(const wxString& host);
    /// GETs the path and query from the server named by Connect. The whole body as a stream
    /// that the caller owns and deletes; null on failure.
    virtual wxInputStream* GetInputStream(const wxString& path);
    /// The HTTP status of the last request, 0 when none arrived.
    int GetResponse() const { return response; }

private:
    wxString user;
    wxString password;
    wxString host;
    std::vector<std::pair<wxString, wxString>> headers;
    long timeoutSeconds = 30;
    long long sizeLimit = 0;
    bool acceptCompressed = false;
    long overallTimeout = 0;
    StopToken stopToken;
    int response = 0;
};
