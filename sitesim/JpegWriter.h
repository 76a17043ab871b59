// A small baseline JPEG encoder, enough for the simulated site's profile pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sitesim {

/// Encodes 8-bit RGB pixels (row-major, 3 bytes a pixel) as a baseline JFIF file, 4:4:4 YCbCr,
/// with the standard Huffman tables; quality 1..100 scales the standard quantisation tables.
std::string EncodeJpeg(const std::vector<uint8_t>& rgb, int width, int height, int quality = 85);

}  // namespace sitesim
