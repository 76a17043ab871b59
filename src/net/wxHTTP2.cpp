// HTTP GET with optional Basic authentication, for requests that may carry an account.
#include "net/wxHTTP2.h"

#include "net/Base64.h"
#include "util/Trace.h"

#include <wx/mstream.h>

#include <string>

namespace
{
bool HasLineBreak(const wxString& text)
{
    return text.find_first_of("\r\n") != wxString::npos;
}

// Owns the body that the memory stream reads from: the body is a base, so it exists before the
// stream that points into it and goes after it.
struct BodyHolder
{
    explicit BodyHolder(std::string text) : body(std::move(text)) {}
    std::string body;
};

class BodyInputStream : private BodyHolder, public wxMemoryInputStream
{
public:
    explicit BodyInputStream(std::string text)
        : BodyHolder(std::move(text)), wxMemoryInputStream(body.data(), body.size())
    {
    }
};
} // namespace

wxHTTP2::wxHTTP2()
{
    SOLVANE_TRACE("[%p]wxHTTP2::wxHTTP2(void)", static_cast<void*>(this));
}

wxHTTP2::~wxHTTP2()
{
    SOLVANE_TRACE("[%p]wxHTTP2::~wxHTTP2(void)", static_cast<void*>(this));
}

void wxHTTP2::SetUser(const wxString& user_)
{
    SOLVANE_TRACE("[%p]wxHTTP2::SetUser(%s)", static_cast<void*>(this), user_);
    user = user_;
}

void wxHTTP2::SetPassword(const wxString& password_)
{
    SOLVANE_TRACE("[%p]wxHTTP2::SetPassword(...)", static_cast<void*>(this));
    password = password_;
}

bool wxHTTP2::SetHeader(const wxString& name, const wxString& value)
{
    SOLVANE_TRACE("[%p]wxHTTP2::SetHeader(%s)", static_cast<void*>(this), name);
    if (name.empty() || HasLineBreak(name) || HasLineBreak(value) || name.Contains(":"))
        return false;
    headers.emplace_back(name, value);
    return true;
}

void wxHTTP2::SetTimeout(long seconds)
{
    SOLVANE_TRACE("[%p]wxHTTP2::SetTimeout(%ld)", static_cast<void*>(this), seconds);
    timeoutSeconds = seconds;
}

void wxHTTP2::SetStopToken(const StopToken& token)
{
    SOLVANE_TRACE("[%p]wxHTTP2::SetStopToken(void)", static_cast<void*>(this));
    stopToken = token;
}

bool wxHTTP2::Connect(const wxString& host_)
{
    SOLVANE_TRACE("[%p]wxHTTP2::Connect(%s)", static_cast<void*>(this), host_);
    // The name becomes part of the request URL: anything that would end the host part there
    // (a path, a query, credentials, blanks) is refused.
    if (host_.empty() || host_.find_first_of("/?#@ \t\r\n") != wxString::npos)
    {
        host.clear();
        return false;
    }
    host = host_;
    return true;
}

wxInputStream* wxHTTP2::GetInputStream(const wxString& path)
{
    // Without the query: the login check carries the password there.
    SOLVANE_TRACE("[%p]wxHTTP2::GetInputStream(%s)", static_cast<void*>(this), path.BeforeFirst('?'));
    response = 0;
    if (host.empty() || HasLineBreak(path))
        return nullptr;
    const wxString target = path.StartsWith("/") ? path : "/" + path;
    HttpGet get("http://" + host + target);
    for (const auto& header : headers)
        get.AddHeader(header.first, header.second);
    if (!user.empty())
    {
        // The encoder breaks its output into lines of 72 characters, so credentials of 54 bytes
        // or more would put CR LF inside the header and split it on the wire.
        // The buffer points into the string's own conversion: keep the string alive.
        const wxString credentials = user + ":" + password;
        const wxScopedCharBuffer bytes = credentials.utf8_str();
        wxString encoded = Base64Encode(bytes.data(), bytes.length());
        encoded.Replace("\r", "");
        encoded.Replace("\n", "");
        get.AddHeader("Authorization", "Basic " + encoded);
    }
    get.SetConnectTimeout(timeoutSeconds * 1000);
    get.SetStallTimeout(timeoutSeconds * 1000);
    get.SetSizeLimit(sizeLimit);
    get.SetAcceptCompressed(acceptCompressed);
    get.SetOverallTimeout(overallTimeout);
    get.SetStopToken(stopToken);
    const bool ok = get.Fetch();
    response = get.GetStatus();
    if (!ok)
        return nullptr;
    return new BodyInputStream(get.TakeBody());
}
