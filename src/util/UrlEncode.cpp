// Names made safe for the path and query of a site address.
#include "util/UrlEncode.h"

wxString PercentEncodeName(const wxString& name)
{
    static const char kHex[] = "0123456789ABCDEF";
    const wxScopedCharBuffer bytes = name.utf8_str();
    wxString encoded;
    for (size_t i = 0; i < bytes.length(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(bytes.data()[i]);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')
        {
            encoded += static_cast<char>(c);
        }
        else
        {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0x0F];
        }
    }
    return encoded;
}
