// The Base64 encoder against a strict decoder: lines of 72 characters each ended by CR LF, a
// last shorter one without, padding only at the end, and the decoded bytes are the input.
#include "FuzzCheck.h"

#include "net/Base64.h"

#include <string>

namespace
{
int ValueOf(char c)
{
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const size_t at = alphabet.find(c);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

// The characters without their line breaks, when the breaks follow the rule.
bool Unwrap(const std::string& text, std::string& joined)
{
    for (size_t at = 0; at < text.size(); at += 74)
    {
        const std::string line = text.substr(at, 72);
        const bool full = line.size() == 72;
        if (full != (at + 74 <= text.size() && text.compare(at + 72, 2, "\r\n") == 0) ||
            line.find_first_of("\r\n") != std::string::npos)
            return false;
        joined += line;
    }
    return true;
}

bool Decode(const std::string& joined, std::string& bytes)
{
    if (joined.size() % 4)
        return false;
    for (size_t at = 0; at < joined.size(); at += 4)
    {
        const bool last = at + 4 == joined.size();
        const int pad = joined[at + 3] == '=' ? (joined[at + 2] == '=' ? 2 : 1) : 0;
        if (pad && !last)
            return false;
        unsigned value = 0;
        for (int i = 0; i < 4; ++i)
        {
            const int digit = i < 4 - pad ? ValueOf(joined[at + i]) : 0;
            if (digit < 0)
                return false;
            value = value << 6 | static_cast<unsigned>(digit);
        }
        // The bits beyond the last byte are zero in a canonical encoding.
        if ((pad == 1 && (value & 0xFF)) || (pad == 2 && (value & 0xFFFF)))
            return false;
        for (int i = 0; i < 3 - pad; ++i)
            bytes += static_cast<char>(value >> (16 - 8 * i) & 0xFF);
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const wxString encoded = Base64Encode(data, size);
    FUZZ_CHECK(encoded.IsAscii());
    const std::string text = encoded.ToStdString();
    std::string joined, decoded;
    FUZZ_CHECK(Unwrap(text, joined));
    FUZZ_CHECK(joined.size() == (size + 2) / 3 * 4);
    FUZZ_CHECK(Decode(joined, decoded));
    FUZZ_CHECK(decoded == std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
