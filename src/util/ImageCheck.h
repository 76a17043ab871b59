// Whether a skin picture's bytes are safe to hand to its decoder, read without decoding them.
//
// The decoders allocate whatever size a picture announces before they find out that the data
// is not there, so a damaged skin of a few bytes could ask for gigabytes (a GIF frame of
// 65535 x 65535, say). A picture is decoded only when its first bytes announce one of the skin's
// formats within kMaxSide, by its own decoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ImageCheck
{
constexpr int64_t kMaxSide = 4096;
constexpr int64_t kMaxPixels = kMaxSide * kMaxSide;
constexpr int64_t kMaxXpmColors = 65536;

enum Format
{
    INVALID,
    PNG,
    JPEG,
    GIF,
    BMP,
    ICO,
    XPM
};

/// The format the bytes announce at a sane size; INVALID for anything else. An XPM is only
/// recognised here: SaneXpmLines checks it.
Format SaneFormatOf(const std::string& bytes);

/// The strings of an XPM file in order, outside comments, when they are whole and within
/// bounds: width, height, colours and characters per pixel, a line per colour, then a row of
/// pixels per line. Empty for anything else.
std::vector<std::string> SaneXpmLines(const std::string& bytes);
} // namespace ImageCheck
