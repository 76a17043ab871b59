// A small baseline JPEG encoder, enough for the simulated site's profile pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sitesim
{

class JpegWriter
{
public:
    JpegWriter() = delete;

    /// Encodes 8-bit RGB pixels (row-major, 3 bytes a pixel) as a baseline JFIF file, 4:4:4
    /// YCbCr, with the standard Huffman tables; quality 1..100 scales the standard quantisation
    /// tables. Empty for a size that the format cannot hold or pixels that do not fill it.
    static std::string Encode(const std::vector<uint8_t>& rgb, int width, int height, int quality = 85);
};

} // namespace sitesim
