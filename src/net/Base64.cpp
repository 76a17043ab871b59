// The Base64 encoder of the Basic authorization header.
#include "net/Base64.h"

#include "util/Trace.h"

#include <string>

namespace
{
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kLineLength = 72;

class Writer
{
public:
    explicit Writer(size_t count) { text.reserve((count + 2) / 3 * 4 + (count / 54 + 1) * 2); }

    void Put(char c)
    {
        text += c;
        if (++column == kLineLength)
        {
            text += "\r\n";
            column = 0;
        }
    }

    std::string text;

private:
    int column = 0;
};
} // namespace

wxString Base64Encode(const void* bytes, size_t count)
{
    SOLVANE_TRACE("[extern]Base64Encode(%p, %zu)", bytes, count);
    const unsigned char* in = static_cast<const unsigned char*>(bytes);
    Writer out(count);
    size_t i = 0;
    for (; i + 3 <= count; i += 3)
    {
        const unsigned b0 = in[i], b1 = in[i + 1], b2 = in[i + 2];
        out.Put(kAlphabet[b0 >> 2]);
        out.Put(kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)]);
        out.Put(kAlphabet[((b1 & 0x0F) << 2) | (b2 >> 6)]);
        out.Put(kAlphabet[b2 & 0x3F]);
    }
    const size_t rest = count - i;
    if (rest == 1)
    {
        const unsigned b0 = in[i];
        out.Put(kAlphabet[b0 >> 2]);
        out.Put(kAlphabet[(b0 & 0x03) << 4]);
        out.Put('=');
        out.Put('=');
    }
    else if (rest == 2)
    {
        const unsigned b0 = in[i], b1 = in[i + 1];
        out.Put(kAlphabet[b0 >> 2]);
        out.Put(kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)]);
        out.Put(kAlphabet[(b1 & 0x0F) << 2]);
        out.Put('=');
    }
    return wxString::FromAscii(out.text.c_str(), out.text.size());
}
