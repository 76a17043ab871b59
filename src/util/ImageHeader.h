// The format and size a picture's first bytes announce, read without decoding the picture.
#pragma once

#include <cstddef>
#include <cstdint>

struct ImageHeader
{
    enum Format
    {
        UNKNOWN,
        JPEG,
        PNG
    };

    Format format = UNKNOWN;
    uint32_t width = 0;
    uint32_t height = 0;

    /// Reads a JPEG's frame header or a PNG's image header; UNKNOWN for anything else, for a
    /// header cut short and for a size of 0 (a size the decoder would only learn later).
    static ImageHeader Read(const void* data, size_t length);
};
