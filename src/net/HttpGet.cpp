// One HTTP GET over libcurl, with time-outs, the process-wide proxy and a stop token.
#include "net/HttpGet.h"

#include "util/Trace.h"

#include <curl/curl.h>
#include <dlfcn.h>
#include <strings.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

namespace
{
std::mutex proxyMutex;
ProxySetting defaultProxy;

using Clock = std::chrono::steady_clock;

// The transfer loop wakes this often to look at the stop token and the stall clock, so a
// stop request ends a transfer well within a tenth of a second.
constexpr int kPollMilliseconds = 20;

struct EasyDeleter
{
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter
{
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ListDeleter
{
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
} // namespace

HttpGet::HttpGet(const wxString& url_) : url(url_)
{
}

void HttpGet::AddHeader(const wxString& name, const wxString& value)
{
    headers.emplace_back(name, value);
}

void HttpGet::GlobalInit()
{
    SOLVANE_TRACE("[static]HttpGet::GlobalInit(void)");
    curl_global_init(CURL_GLOBAL_DEFAULT);
    // A stopped transfer leaves its name lookup to finish on libcurl's own thread (see Perform):
    // the library stays in the process for good, so that unloading the module, which brought it,
    // never takes that thread's code away.
    Dl_info library;
    if (dladdr(reinterpret_cast<void*>(&curl_easy_init), &library) && library.dli_fname)
        dlopen(library.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

void HttpGet::SetDefaultProxy(const ProxySetting& proxy)
{
    std::lock_guard<std::mutex> lock(proxyMutex);
    defaultProxy = proxy;
}

ProxySetting HttpGet::GetDefaultProxy()
{
    std::lock_guard<std::mutex> lock(proxyMutex);
    return defaultProxy;
}

bool HttpGet::Fetch()
{
    return Perform(nullptr);
}

bool HttpGet::FetchToFile(const wxString& path)
{
    FILE* out = std::fopen(path.fn_str(), "wb");
    if (!out)
    {
        error = "can not open " + path;
        return false;
    }
    const bool ok = Perform(out);
    const bool closed = std::fclose(out) == 0;
    if (!ok || !closed)
    {
        std::remove(path.fn_str());
        if (ok)
            error = "can not write " + path;
        return false;
    }
    return true;
}

bool HttpGet::FetchToFile(std::FILE* out)
{
    return Perform(out);
}

// Header bytes count as activity for the stall clock. The length is read here rather than
// asked of libcurl afterwards, which forgets it when the transfer ends early; a length past the
// limit ends the transfer before the body.
size_t HttpGet::OnHeader(char* data, size_t size, size_t count, void* selfPtr)
{
    HttpGet* self = static_cast<HttpGet*>(selfPtr);
    const size_t bytes = size * count;
    self->received += static_cast<long long>(bytes);
    const std::string line(data, bytes);
    static const char kLengthName[] = "content-length:";
    if (line.compare(0, 5, "HTTP/") == 0)
        self->contentLength = -1; // a new reply begins (after a 100 Continue, say)
    else if (strncasecmp(line.c_str(), kLengthName, sizeof kLengthName - 1) == 0)
    {
        char* end = nullptr;
        const long long length = std::strtoll(line.c_str() + sizeof kLengthName - 1, &end, 10);
        if (end != line.c_str() + sizeof kLengthName - 1 && length >= 0)
            self->contentLength = length;
        if (self->sizeLimit > 0 && self->contentLength > self->sizeLimit)
        {
            self->tooLarge = true;
            return 0;
        }
    }
    return bytes;
}

size_t HttpGet::OnBody(char* data, size_t size, size_t count, void* selfPtr)
{
    HttpGet* self = static_cast<HttpGet*>(selfPtr);
    const size_t bytes = size * count;
    // Past the limit the transfer ends here, before the bytes are kept anywhere.
    if (self->sizeLimit > 0 && self->bodyReceived + static_cast<long long>(bytes) > self->sizeLimit)
    {
        self->tooLarge = true;
        return 0;
    }
    if (self->file)
    {
        if (std::fwrite(data, 1, bytes, static_cast<FILE*>(self->file)) != bytes)
            return 0;
    }
    else
    {
        self->ReserveBody(bytes);
        self->body.append(data, bytes);
    }
    self->received += static_cast<long long>(bytes);
    self->bodyReceived += static_cast<long long>(bytes);
    return bytes;
}

void HttpGet::ReserveBody(size_t more)
{
    const size_t needed = body.size() + more;
    if (needed <= body.capacity())
        return;
    size_t next = std::max(needed, body.capacity() * 2);
    if (sizeLimit > 0)
        next = std::min(next, static_cast<size_t>(sizeLimit));
    // A string's own reserve may round the size asked for up, even a fresh one's (to twice the
    // room of a short string); one made at that size holds exactly that.
    std::string grown(next, '\0');
    grown.assign(body);
    body.swap(grown);
}

bool HttpGet::Perform(void* out)
{
    // Without the query: the login check carries the password there.
    SOLVANE_TRACE("[%p]HttpGet::Perform(%s)", static_cast<void*>(this), url.BeforeFirst('?'));
    status = 0;
    contentType.clear();
    contentLength = -1;
    body.clear();
    error.clear();
    aborted = false;
    tooLarge = false;
    file = out;
    received = 0;
    bodyReceived = 0;
    wireBytes = 0;

    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!easy || !multi)
    {
        error = "libcurl could not start a transfer";
        return false;
    }

    const wxScopedCharBuffer urlText = url.utf8_str();
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, urlText.data());
    if (headOnly)
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, connectTimeout);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &HttpGet::OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &HttpGet::OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http");
#if LIBCURL_VERSION_NUM >= 0x075700
    // A name lookup can not be interrupted, and a slow name server holds it for seconds: a transfer
    // stopped meanwhile leaves it behind instead of waiting for its end.
    curl_easy_setopt(h, CURLOPT_QUICK_EXIT, 1L);
#endif
    // Every encoding libcurl can decode; the body callback sees the decoded bytes.
    if (acceptCompressed)
        curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");

    // The proxy is the one taken at start; an empty text keeps libcurl from reading the
    // environment on its own.
    const ProxySetting proxy = GetDefaultProxy();
    const wxScopedCharBuffer proxyText = proxy.server.utf8_str();
    const wxScopedCharBuffer noProxyText = proxy.noProxy.utf8_str();
    curl_easy_setopt(h, CURLOPT_PROXY, proxyText.data());
    if (proxy.IsEnabled() && !proxy.noProxy.empty())
        curl_easy_setopt(h, CURLOPT_NOPROXY, noProxyText.data());

    std::unique_ptr<curl_slist, ListDeleter> headerList;
    for (const auto& header : headers)
    {
        const wxString line = header.first + ": " + header.second;
        curl_slist* grown = curl_slist_append(headerList.get(), line.utf8_str().data());
        if (!grown)
        {
            error = "libcurl could not add a header";
            return false;
        }
        headerList.release();
        headerList.reset(grown);
    }
    if (headerList)
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get());

    curl_multi_add_handle(multi.get(), h);
    const Clock::time_point begun = Clock::now();
    Clock::time_point lastActivity = begun;
    long long seen = 0;
    int running = 1;
    CURLcode result = CURLE_OK;
    bool stalled = false;
    bool late = false;
    while (running)
    {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
        {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (!running)
            break;
        if (stopToken.IsStopRequested())
        {
            aborted = true;
            break;
        }
        const Clock::time_point now = Clock::now();
        // Compressed bytes on the wire are activity too, though they may unpack to nothing yet.
        curl_off_t wire = 0;
        curl_easy_getinfo(h, CURLINFO_SIZE_DOWNLOAD_T, &wire);
        if (received + static_cast<long long>(wire) != seen)
        {
            seen = received + static_cast<long long>(wire);
            lastActivity = now;
        }
        else if (now - lastActivity > std::chrono::milliseconds(stallTimeout))
        {
            stalled = true;
            break;
        }
        if (overallTimeout > 0 && now - begun > std::chrono::milliseconds(overallTimeout))
        {
            late = true;
            break;
        }
        curl_multi_poll(multi.get(), nullptr, 0, kPollMilliseconds, nullptr);
    }
    if (!aborted && !stalled && !late && !running)
    {
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &left))
        {
            if (message->msg == CURLMSG_DONE)
                result = message->data.result;
        }
    }

    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    status = static_cast<int>(code);
    curl_off_t wire = 0;
    if (curl_easy_getinfo(h, CURLINFO_SIZE_DOWNLOAD_T, &wire) == CURLE_OK)
        wireBytes = static_cast<long long>(wire);
    char* type = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        contentType = wxString::FromUTF8(type);
    curl_multi_remove_handle(multi.get(), h);

    // Only a 2xx reply carries the resource: a redirect's page or a 304 without a body would
    // otherwise read as the resource itself.
    bool ok = false;
    if (aborted)
        error = "aborted";
    else if (tooLarge)
        error = wxString::Format("reply larger than %lld bytes", sizeLimit);
    else if (stalled)
        error = "no data for too long";
    else if (late)
        error = wxString::Format("not done within %ld ms", overallTimeout);
    else if (result != CURLE_OK)
        error = wxString::FromUTF8(curl_easy_strerror(result));
    else if (status < 200 || status >= 300)
        error = wxString::Format("HTTP status %d", status);
    else
        ok = true;
    if (!ok)
        std::string().swap(body); // the memory goes too, not only the bytes
    file = nullptr;
    return ok;
}
