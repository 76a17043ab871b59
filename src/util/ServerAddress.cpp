// Whether a server setting is a usable "host[:port]": what the settings dialog accepts.
#include "util/ServerAddress.h"

#include "util/Trace.h"

namespace
{
bool IsAsciiAlnum(wxUniChar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Labels of letters, digits and inner hyphens, joined by single dots; a dotted quad passes too.
bool IsValidHostName(const wxString& host)
{
    if (host.empty() || host.length() > 253)
        return false;
    size_t labelLength = 0;
    wxUniChar previous = '.';
    for (const wxUniChar c : host)
    {
        if (c == '.')
        {
            if (labelLength == 0 || previous == '-')
                return false;
            labelLength = 0;
        }
        else if (IsAsciiAlnum(c) || (c == '-' && labelLength > 0))
        {
            if (++labelLength > 63)
                return false;
        }
        else
        {
            return false;
        }
        previous = c;
    }
    return previous != '.' && previous != '-';
}

bool IsValidIPv6(const wxString& address)
{
    if (address.empty() || address.length() > 45)
        return false;
    int colons = 0;
    for (const wxUniChar c : address)
    {
        if (c == ':')
            ++colons;
        else if (!wxIsxdigit(c) && c != '.')
            return false;
    }
    return colons >= 2 && colons <= 7;
}

bool IsValidPort(const wxString& port)
{
    if (port.empty() || port.length() > 5)
        return false;
    unsigned long value = 0;
    for (const wxUniChar c : port)
    {
        if (c < '0' || c > '9')
            return false;
    }
    return port.ToULong(&value) && value >= 1 && value <= 65535;
}
} // namespace

bool IsValidServerAddress(const wxString& address)
{
    SOLVANE_TRACE("IsValidServerAddress(%s)", address);
    wxString host = address;
    wxString port;
    bool hasPort = false;
    if (address.StartsWith("["))
    {
        const size_t close = address.find(']');
        if (close == wxString::npos || !IsValidIPv6(address.substr(1, close - 1)))
            return false;
        const wxString rest = address.substr(close + 1);
        if (rest.empty())
            return true;
        if (!rest.StartsWith(":"))
            return false;
        return IsValidPort(rest.substr(1));
    }
    const size_t colon = address.find(':');
    if (colon != wxString::npos)
    {
        host = address.substr(0, colon);
        port = address.substr(colon + 1);
        hasPort = true;
    }
    return IsValidHostName(host) && (!hasPort || IsValidPort(port));
}
