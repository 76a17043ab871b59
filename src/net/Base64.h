// The Base64 encoder of the Basic authorization header.
#pragma once

#include <wx/string.h>

#include <cstddef>

/// Standard Base64 with "=" padding; CR LF follows every 72nd character written, the last one
/// included. An empty input gives an empty string. Header values must drop the line breaks.
wxString Base64Encode(const void* bytes, size_t count);
