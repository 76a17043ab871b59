// One HTTP GET over libcurl, with time-outs, the process-wide proxy and a stop token.
#pragma once

#include "net/Proxy.h"
#include "util/StopToken.h"

#include <wx/string.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

class HttpGet
{
public:
    explicit HttpGet(const wxString& url);
    HttpGet(const HttpGet&) = delete;
    HttpGet& operator=(const HttpGet&) = delete;

    /// Adds a request header; a "Host" header replaces the one taken from the URL.
    void AddHeader(const wxString& name, const wxString& value);
    void SetConnectTimeout(long milliseconds) { connectTimeout = milliseconds; }
    /// A transfer that receives nothing for this long fails, a body that stops arriving too.
    void SetStallTimeout(long milliseconds) { stallTimeout = milliseconds; }
    /// A transfer that has not ended this long after it began fails; 0 (the default): no limit.
    void SetOverallTimeout(long milliseconds) { overallTimeout = milliseconds; }
    /// A reply whose body would pass this many bytes fails as soon as that shows, in memory or
    /// on disk, and the memory held for it never passes the limit; 0 (the default): no limit.
    void SetSizeLimit(long long bytes) { sizeLimit = bytes; }
    long long GetSizeLimit() const { return sizeLimit; }
    /// Offers compressed replies, which libcurl decodes: the size limit then counts the decoded
    /// bytes, so a small reply that would unpack past it fails at the limit. Off by default: a
    /// file whose length is checked as sent must arrive as sent.
    void SetAcceptCompressed(bool accept) { acceptCompressed = accept; }
    /// Asks for the head of the reply only (HEAD): whether the resource answers, without its body.
    void SetHeadOnly(bool head) { headOnly = head; }
    /// Asked about every 20 ms during a transfer; a stop request ends it as a failure.
    void SetStopToken(const StopToken& token) { stopToken = token; }
    const StopToken& GetStopToken() const { return stopToken; }

    /// Fetches into memory; false on a transfer error, an abort, a time-out, a reply past the
    /// size limit or any status other than 2xx (a redirect is not followed: it fails too).
    bool Fetch();
    /// Fetches into a file; on failure the file is removed.
    bool FetchToFile(const wxString& path);
    /// Fetches into a file the caller opened and closes (and removes on failure).
    bool FetchToFile(std::FILE* out);

    int GetStatus() const { return status; }
    const wxString& GetContentType() const { return contentType; }
    /// The Content-Length header, -1 when the reply had none.
    long long GetContentLength() const { return contentLength; }
    /// The body of a successful Fetch; empty after a failure.
    const std::string& GetBody() const { return body; }
    std::string TakeBody() { return std::move(body); }
    const wxString& GetError() const { return error; }
    /// The body's bytes as they came over the wire, before any decoding.
    long long GetWireBytes() const { return wireBytes; }
    bool WasAborted() const { return aborted; }
    bool WasTooLarge() const { return tooLarge; }

    /// Sets up libcurl; call once on the main thread before any transfer.
    static void GlobalInit();
    /// The proxy of every later transfer.
    static void SetDefaultProxy(const ProxySetting& proxy);
    static ProxySetting GetDefaultProxy();

private:
    // The fuzz harness of the reply handling calls the callbacks as libcurl does.
    friend struct HttpGetProbe;

    bool Perform(void* file);
    /// Room for bytes more in the body, grown by doubling but never past the size limit.
    void ReserveBody(size_t more);

    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);

    wxString url;
    std::vector<std::pair<wxString, wxString>> headers;
    long connectTimeout = 10000;
    long stallTimeout = 30000;
    long overallTimeout = 0;
    long long sizeLimit = 0;
    bool acceptCompressed = false;
    bool headOnly = false;
    StopToken stopToken;

    int status = 0;
    wxString contentType;
    long long contentLength = -1;
    std::string body;
    wxString error;
    bool aborted = false;
    bool tooLarge = false;
    void* file = nullptr;
    long long received = 0;
    long long bodyReceived = 0;
    long long wireBytes = 0;
};
