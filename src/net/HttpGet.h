// One HTTP GET over libcurl, with time-outs, the process-wide proxy and an abort hook.
#pragma once

#include "net/Proxy.h"

#include <wx/string.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class HttpGet
{
public:
    /// Polled about every 20 ms during a transfer; returning true ends it as a failure.
    using AbortHook = std::function<bool()>;

    explicit HttpGet(const wxString& url);
    HttpGet(const HttpGet&) = delete;
    HttpGet& operator=(const HttpGet&) = delete;

    /// Adds a request header; a "Host" header replaces the one taken from the URL.
    void AddHeader(const wxString& name, const wxString& value);
    void SetConnectTimeout(long milliseconds) { connectTimeout = milliseconds; }
    /// A transfer that receives nothing for this long fails, a body that stops arriving too.
    void SetStallTimeout(long milliseconds) { stallTimeout = milliseconds; }
    void SetAbortHook(AbortHook hook) { abortHook = std::move(hook); }

    /// Fetches into memory; false on a transfer error, an abort or an HTTP error status.
    bool Fetch();
    /// Fetches into a file; on failure the file is removed.
    bool FetchToFile(const wxString& path);

    int GetStatus() const { return status; }
    const wxString& GetContentType() const { return contentType; }
    /// The Content-Length header, -1 when the reply had none.
    long long GetContentLength() const { return contentLength; }
    /// The body of a successful Fetch; empty after a failure.
    const std::string& GetBody() const { return body; }
    std::string TakeBody() { return std::move(body); }
    const wxString& GetError() const { return error; }
    bool WasAborted() const { return aborted; }

    /// Sets up libcurl; call once on the main thread before any transfer.
    static void GlobalInit();
    /// The proxy of every later transfer.
    static void SetDefaultProxy(const ProxySetting& proxy);
    static ProxySetting GetDefaultProxy();

private:
    bool Perform(void* file);

    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);

    wxString url;
    std::vector<std::pair<wxString, wxString>> headers;
    long connectTimeout = 10000;
    long stallTimeout = 30000;
    AbortHook abortHook;

    int status = 0;
    wxString contentType;
    long long contentLength = -1;
    std::string body;
    wxString error;
    bool aborted = false;
    void* file = nullptr;
    long long received = 0;
};
