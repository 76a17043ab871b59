// The format and size a picture's first bytes announce, read without decoding the picture.
#include "util/ImageHeader.h"

#include <cstring>

namespace
{
uint32_t BigEndian16(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) << 8 | p[1];
}

uint32_t BigEndian32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}

// The first frame header (SOF0 to SOF15, less the table and arithmetic-coding markers that
// share the range) gives the size the decoder allocates for.
bool ReadJpeg(const unsigned char* p, size_t length, ImageHeader& header)
{
    size_t at = 2;
    while (at + 4 <= length)
    {
        if (p[at] != 0xFF)
            return false;
        const unsigned char marker = p[at + 1];
        if (marker == 0xFF) // fill byte
        {
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
        {
            at += 2; // markers without a length
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) // end of image or scan data before any frame
            return false;
        const size_t segment = BigEndian16(p + at + 2);
        if (segment < 2)
            return false;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
        {
            if (at + 9 > length || segment < 7)
                return false;
            header.height = BigEndian16(p + at + 5);
            header.width = BigEndian16(p + at + 7);
            return true;
        }
        at += 2 + segment;
    }
    return false;
}
} // namespace

ImageHeader ImageHeader::Read(const void* data, size_t length)
{
    ImageHeader header;
    const auto* p = static_cast<const unsigned char*>(data);
    if (!p)
        return header;
    static const unsigned char kPng[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    bool read = false;
    if (length >= 4 && p[0] == 0xFF && p[1] == 0xD8)
    {
        header.format = JPEG;
        read = ReadJpeg(p, length, header);
    }
    else if (length >= 24 && std::memcmp(p, kPng, sizeof kPng) == 0 && std::memcmp(p + 12, "IHDR", 4) == 0)
    {
        header.format = PNG;
        header.width = BigEndian32(p + 16);
        header.height = BigEndian32(p + 20);
        read = true;
    }
    if (!read || header.width == 0 || header.height == 0)
        header = ImageHeader();
    return header;
}
