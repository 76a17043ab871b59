// Text made safe for the path and query of a site address.
#pragma once

#include <wx/string.h>

/// The bytes of the UTF-8 text with ASCII letters, digits and the characters of keep as they
/// are and every other byte as "%XX" (upper-case hex).
wxString PercentEncode(const wxString& text, const char* keep);

/// A performer's name in an address: unchanged when it holds only ASCII letters, digits and
/// underscores (every name the performer list can produce), else percent-encoded.
inline wxString PercentEncodeName(const wxString& name)
{
    return PercentEncode(name, "_");
}

/// A query value: letters, digits and "-._~" stay, so no "&", "#", "+" or "=" can cut the query.
inline wxString PercentEncodeQueryValue(const wxString& text)
{
    return PercentEncode(text, "-._~");
}
