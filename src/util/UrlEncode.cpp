// Text made safe for the path and query of a site address.
#include "util/UrlEncode.h"

#include <cstring>
#include <string>

wxString PercentEncode(const wxString& text, const char* keep)
{
    static const char kHex[] = "0123456789ABCDEF";
    const wxScopedCharBuffer bytes = text.utf8_str();
    std::string encoded;
    for (size_t i = 0; i < bytes.length(); ++i)
    {
        const auto c = static_cast<unsigned char>(bytes.data()[i]);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           (c != 0 && std::strchr(keep, c));
        if (plain)
        {
            encoded += static_cast<char>(c);
            continue;
        }
        encoded += '%';
        encoded += kHex[c >> 4];
        encoded += kHex[c & 0x0F];
    }
    return wxString::FromAscii(encoded.c_str());
}
