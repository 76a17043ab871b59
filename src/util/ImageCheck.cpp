// Whether a skin picture's bytes are safe to hand to its decoder, read without decoding them.
#include "util/ImageCheck.h"

#include "util/ImageHeader.h"

#include <cstdio>
#include <cstdlib>

namespace ImageCheck
{
namespace
{
uint32_t Le16(const std::string& bytes, size_t at)
{
    return at + 2 <= bytes.size()
               ? static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8
               : 0;
}

uint32_t Le32(const std::string& bytes, size_t at)
{
    return at + 4 <= bytes.size() ? Le16(bytes, at) | Le16(bytes, at + 2) << 16 : 0;
}

bool SaneSides(int64_t width, int64_t height)
{
    return width > 0 && width <= kMaxSide && height > 0 && height <= kMaxSide;
}

bool StartsWith(const std::string& bytes, size_t at, const char* text, size_t length)
{
    return at <= bytes.size() && bytes.compare(at, length, text, length) == 0;
}

bool PngOrJpegIsSane(const std::string& bytes, size_t at)
{
    const ImageHeader header = ImageHeader::Read(bytes.data() + at, bytes.size() - at);
    return header.format != ImageHeader::UNKNOWN && SaneSides(header.width, header.height);
}

// A device-independent bitmap's header: the old one of 12 bytes or a newer one; an icon's
// height counts its mask too.
bool DibIsSane(const std::string& bytes, size_t at, int heightFactor)
{
    const uint32_t size = Le32(bytes, at);
    if (size == 12)
        return SaneSides(Le16(bytes, at + 4), Le16(bytes, at + 6) / heightFactor);
    const int64_t width = static_cast<int32_t>(Le32(bytes, at + 4));
    const int64_t height = static_cast<int32_t>(Le32(bytes, at + 8));
    return size >= 16 && at + 16 <= bytes.size() && SaneSides(std::abs(width), std::abs(height) / heightFactor);
}

// Every image of the icon, each a bitmap or a PNG.
bool IconIsSane(const std::string& bytes)
{
    const uint32_t count = Le16(bytes, 4);
    if (count == 0 || 6 + 16 * count > bytes.size())
        return false;
    for (uint32_t i = 0; i < count; ++i)
    {
        const uint32_t offset = Le32(bytes, 6 + 16 * i + 12);
        const bool png = StartsWith(bytes, offset, "\x89PNG", 4);
        if (offset >= bytes.size() || !(png ? PngOrJpegIsSane(bytes, offset) : DibIsSane(bytes, offset, 2)))
            return false;
    }
    return true;
}

// The GIF decoder reads every frame: the screen and each frame within the sides, all frames
// together within the pixels. It keeps a frame's memory when it gives up on a code size it can
// not use, and reads a graphic control block by its fixed size, so the file must be whole and
// well formed for the frames seen here to be the frames it decodes.
bool GifIsSane(const std::string& bytes)
{
    if (!SaneSides(Le16(bytes, 6), Le16(bytes, 8)) || bytes.size() < 13)
        return false;
    const auto colourTable = [](unsigned char flags) { return flags & 0x80 ? 3u << ((flags & 7) + 1) : 0u; };
    size_t at = 13 + colourTable(static_cast<unsigned char>(bytes[10]));
    int64_t pixels = 0;
    while (at < bytes.size() && bytes[at] != 0x3B)
    {
        if (bytes[at] == 0x21)
        {
            const bool control = StartsWith(bytes, at + 1, "\xF9", 1);
            if (control && !(at + 8 <= bytes.size() && bytes[at + 2] == 4 && bytes[at + 7] == 0))
                return false;
            at += 2; // an extension: its label, then its blocks
        }
        else if (bytes[at] == 0x2C && at + 10 <= bytes.size())
        {
            const int64_t width = Le16(bytes, at + 5), height = Le16(bytes, at + 7);
            pixels += width * height;
            if (!SaneSides(width, height) || pixels > kMaxPixels)
                return false;
            at += 10 + colourTable(static_cast<unsigned char>(bytes[at + 9]));
            if (at >= bytes.size() || bytes[at] < 2 || bytes[at] > 8)
                return false;
            ++at;
        }
        else
            return false;
        while (at < bytes.size() && bytes[at] != 0)
            at += 1 + static_cast<unsigned char>(bytes[at]);
        ++at;
    }
    return at < bytes.size();
}

// The strings of an XPM file in order, outside comments.
std::vector<std::string> XpmStrings(const std::string& bytes)
{
    std::vector<std::string> strings;
    size_t at = 0;
    while (at < bytes.size())
    {
        if (StartsWith(bytes, at, "/*", 2))
        {
            const size_t end = bytes.find("*/", at + 2);
            if (end == std::string::npos)
                break;
            at = end + 2;
        }
        else if (bytes[at] == '"')
        {
            const size_t end = bytes.find('"', at + 1);
            if (end == std::string::npos)
                break;
            strings.push_back(bytes.substr(at + 1, end - at - 1));
            at = end + 1;
        }
        else
            ++at;
    }
    return strings;
}

} // namespace

std::vector<std::string> SaneXpmLines(const std::string& bytes)
{
    std::vector<std::string> strings = XpmStrings(bytes);
    long long width = 0, height = 0, colours = 0, perPixel = 0;
    if (strings.empty() ||
        std::sscanf(strings[0].c_str(), "%lld %lld %lld %lld", &width, &height, &colours, &perPixel) != 4 ||
        !SaneSides(width, height) || colours < 1 || colours > kMaxXpmColors || perPixel < 1 || perPixel >= 64 ||
        static_cast<long long>(strings.size()) < 1 + colours + height)
        return {};
    for (size_t i = 0; i < strings.size(); ++i)
    {
        const long long index = static_cast<long long>(i);
        const size_t least = index == 0 ? 0 : index <= colours ? perPixel : width * perPixel;
        if (strings[i].find('\0') != std::string::npos || (index <= colours + height && strings[i].size() < least))
            return {};
    }
    return strings;
}

Format SaneFormatOf(const std::string& bytes)
{
    if (StartsWith(bytes, 0, "\x89PNG", 4))
        return PngOrJpegIsSane(bytes, 0) ? PNG : INVALID;
    if (StartsWith(bytes, 0, "\xFF\xD8", 2))
        return PngOrJpegIsSane(bytes, 0) ? JPEG : INVALID;
    if (StartsWith(bytes, 0, "GIF87a", 6) || StartsWith(bytes, 0, "GIF89a", 6))
        return GifIsSane(bytes) ? GIF : INVALID;
    if (StartsWith(bytes, 0, "BM", 2))
        return DibIsSane(bytes, 14, 1) ? BMP : INVALID;
    if (StartsWith(bytes, 0, "\0\0\1\0", 4))
        return IconIsSane(bytes) ? ICO : INVALID;
    if (StartsWith(bytes, 0, "/* XPM */", 9))
        return XPM;
    return INVALID;
}
} // namespace ImageCheck
