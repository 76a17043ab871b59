// Whether a server setting is a usable "host[:port]": what the settings dialog accepts.
#pragma once

#include <wx/string.h>

/// True for a host name, an IPv4 address or a bracketed IPv6 address, optionally followed by
/// ":" and a port from 1 to 65535. No scheme, path, blank or empty part.
bool IsValidServerAddress(const wxString& address);
