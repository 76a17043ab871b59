// Baseline JPEG encoding for the profile pictures: sequential DCT, standard Huffman tables, no
// subsampling.
#include "JpegWriter.h"

#include <algorithm>
#include <cmath>

namespace sitesim
{
namespace
{
// The tables keep their rows of 16.
// clang-format off
const int kZigzag[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

const int kLumaQuant[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

const int kChromaQuant[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

const uint8_t kDcLumaBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
const uint8_t kDcChromaBits[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
const uint8_t kDcValues[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

const uint8_t kAcLumaBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
const uint8_t kAcLumaValues[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07,
    0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0,
    0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28,
    0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49,
    0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69,
    0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89,
    0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7,
    0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5,
    0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8,
    0xf9, 0xfa};

const uint8_t kAcChromaBits[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
const uint8_t kAcChromaValues[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71,
    0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0,
    0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26,
    0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48,
    0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68,
    0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87,
    0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5,
    0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8,
    0xf9, 0xfa};
// clang-format on

const double kPi = 3.14159265358979323846;
const float kInvSqrt2 = 0.70710678f;

struct HuffmanCode
{
    uint16_t code[256] = {};
    uint8_t length[256] = {};
};

// Canonical code assignment from the (bits, values) form that the DHT segment carries.
HuffmanCode BuildCode(const uint8_t bits[16], const uint8_t* values)
{
    HuffmanCode table;
    int code = 0, k = 0;
    for (int len = 1; len <= 16; ++len)
    {
        for (int i = 0; i < bits[len - 1]; ++i, ++k)
        {
            table.code[values[k]] = static_cast<uint16_t>(code++);
            table.length[values[k]] = static_cast<uint8_t>(len);
        }
        code <<= 1;
    }
    return table;
}

class BitWriter
{
public:
    explicit BitWriter(std::string& out_) : out(out_) {}
    void Put(uint32_t bits, int count)
    {
        for (int i = count - 1; i >= 0; --i)
        {
            accumulator = static_cast<uint8_t>((accumulator << 1) | ((bits >> i) & 1u));
            if (++used == 8)
                Emit();
        }
    }
    // Pads the last byte with one-bits, as the format asks.
    void Flush()
    {
        while (used != 0)
            Put(1, 1);
    }

private:
    void Emit()
    {
        out.push_back(static_cast<char>(accumulator));
        if (accumulator == 0xFF)
            out.push_back('\0'); // byte stuffing keeps 0xFF from reading as a marker
        accumulator = 0;
        used = 0;
    }
    std::string& out;
    uint8_t accumulator = 0;
    int used = 0;
};

void PutWord(std::string& out, int value)
{
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
    out.push_back(static_cast<char>(value & 0xFF));
}

void PutMarker(std::string& out, int marker)
{
    out.push_back(static_cast<char>(0xFF));
    out.push_back(static_cast<char>(marker));
}

int Category(int value)
{
    int magnitude = value < 0 ? -value : value, size = 0;
    while (magnitude)
    {
        ++size;
        magnitude >>= 1;
    }
    return size;
}

uint32_t ValueBits(int value, int size)
{
    // Negative values are sent as their one's complement in `size` bits.
    return static_cast<uint32_t>(value < 0 ? value + (1 << size) - 1 : value);
}

void ScaleTable(const int base[64], int quality, int out[64])
{
    quality = std::clamp(quality, 1, 100);
    int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    for (int i = 0; i < 64; ++i)
        out[i] = std::clamp((base[i] * scale + 50) / 100, 1, 255);
}

void ForwardDct(const float in[64], float out[64])
{
    static float cosines[8][8];
    static bool ready = [] {
        for (int x = 0; x < 8; ++x)
            for (int u = 0; u < 8; ++u)
                cosines[x][u] = static_cast<float>(std::cos((2 * x + 1) * u * kPi / 16.0));
        return true;
    }();
    (void)ready;
    float rows[64];
    for (int y = 0; y < 8; ++y)
        for (int u = 0; u < 8; ++u)
        {
            float sum = 0;
            for (int x = 0; x < 8; ++x)
                sum += in[y * 8 + x] * cosines[x][u];
            rows[y * 8 + u] = sum * (u == 0 ? kInvSqrt2 : 1.0f) * 0.5f;
        }
    for (int u = 0; u < 8; ++u)
        for (int v = 0; v < 8; ++v)
        {
            float sum = 0;
            for (int y = 0; y < 8; ++y)
                sum += rows[y * 8 + u] * cosines[y][v];
            out[v * 8 + u] = sum * (v == 0 ? kInvSqrt2 : 1.0f) * 0.5f;
        }
}

void EncodeBlock(BitWriter& bits, const float samples[64], const int quant[64], int& previousDc, const HuffmanCode& dc,
                 const HuffmanCode& ac)
{
    float coefficients[64];
    ForwardDct(samples, coefficients);
    int zz[64];
    for (int i = 0; i < 64; ++i)
        zz[i] = static_cast<int>(std::lround(coefficients[kZigzag[i]] / static_cast<float>(quant[kZigzag[i]])));

    int diff = zz[0] - previousDc;
    previousDc = zz[0];
    int size = Category(diff);
    bits.Put(dc.code[size], dc.length[size]);
    if (size)
        bits.Put(ValueBits(diff, size), size);

    int run = 0;
    for (int i = 1; i < 64; ++i)
    {
        if (zz[i] == 0)
        {
            ++run;
            continue;
        }
        while (run > 15)
        {
            bits.Put(ac.code[0xF0], ac.length[0xF0]);
            run -= 16;
        }
        size = Category(zz[i]);
        int symbol = (run << 4) | size;
        bits.Put(ac.code[symbol], ac.length[symbol]);
        bits.Put(ValueBits(zz[i], size), size);
        run = 0;
    }
    if (run)
        bits.Put(ac.code[0x00], ac.length[0x00]);
}

void PutHuffmanTable(std::string& out, int classAndId, const uint8_t bits[16], const uint8_t* values)
{
    int count = 0;
    for (int i = 0; i < 16; ++i)
        count += bits[i];
    out.push_back(static_cast<char>(classAndId));
    out.append(reinterpret_cast<const char*>(bits), 16);
    out.append(reinterpret_cast<const char*>(values), static_cast<size_t>(count));
}

} // namespace

std::string JpegWriter::Encode(const std::vector<uint8_t>& rgb, int width, int height, int quality)
{
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 ||
        rgb.size() < static_cast<size_t>(width) * static_cast<size_t>(height) * 3)
        return std::string();

    int lumaQuant[64], chromaQuant[64];
    ScaleTable(kLumaQuant, quality, lumaQuant);
    ScaleTable(kChromaQuant, quality, chromaQuant);

    std::string out;
    PutMarker(out, 0xD8);
    PutMarker(out, 0xE0); // JFIF header: version 1.1, no density units, no thumbnail
    PutWord(out, 16);
    out.append("JFIF\0", 5);
    out.append("\x01\x01\x00\x00\x01\x00\x01\x00\x00", 9);

    PutMarker(out, 0xDB);
    PutWord(out, 2 + 2 * 65);
    out.push_back(0);
    for (int i = 0; i < 64; ++i)
        out.push_back(static_cast<char>(lumaQuant[kZigzag[i]]));
    out.push_back(1);
    for (int i = 0; i < 64; ++i)
        out.push_back(static_cast<char>(chromaQuant[kZigzag[i]]));

    PutMarker(out, 0xC0);
    PutWord(out, 17);
    out.push_back(8);
    PutWord(out, height);
    PutWord(out, width);
    out.push_back(3);
    out.append("\x01\x11\x00\x02\x11\x01\x03\x11\x01", 9);

    PutMarker(out, 0xC4);
    PutWord(out, 2 + 4 * 17 + 2 * 12 + 2 * 162);
    PutHuffmanTable(out, 0x00, kDcLumaBits, kDcValues);
    PutHuffmanTable(out, 0x10, kAcLumaBits, kAcLumaValues);
    PutHuffmanTable(out, 0x01, kDcChromaBits, kDcValues);
    PutHuffmanTable(out, 0x11, kAcChromaBits, kAcChromaValues);

    PutMarker(out, 0xDA);
    PutWord(out, 12);
    out.push_back(3);
    out.append("\x01\x00\x02\x11\x03\x11", 6);
    out.append("\x00\x3f\x00", 3);

    static const HuffmanCode dcLuma = BuildCode(kDcLumaBits, kDcValues);
    static const HuffmanCode acLuma = BuildCode(kAcLumaBits, kAcLumaValues);
    static const HuffmanCode dcChroma = BuildCode(kDcChromaBits, kDcValues);
    static const HuffmanCode acChroma = BuildCode(kAcChromaBits, kAcChromaValues);

    BitWriter bits(out);
    int dcY = 0, dcCb = 0, dcCr = 0;
    for (int by = 0; by < height; by += 8)
        for (int bx = 0; bx < width; bx += 8)
        {
            float y[64], cb[64], cr[64];
            for (int j = 0; j < 8; ++j)
                for (int i = 0; i < 8; ++i)
                {
                    // Blocks that overhang the edge repeat the last row or column.
                    const size_t px = static_cast<size_t>(std::min(bx + i, width - 1));
                    const size_t py = static_cast<size_t>(std::min(by + j, height - 1));
                    const uint8_t* p = &rgb[(py * static_cast<size_t>(width) + px) * 3];
                    const float r = p[0], g = p[1], b = p[2];
                    y[j * 8 + i] = 0.299f * r + 0.587f * g + 0.114f * b - 128.0f;
                    cb[j * 8 + i] = -0.168736f * r - 0.331264f * g + 0.5f * b;
                    cr[j * 8 + i] = 0.5f * r - 0.418688f * g - 0.081312f * b;
                }
            EncodeBlock(bits, y, lumaQuant, dcY, dcLuma, acLuma);
            EncodeBlock(bits, cb, chromaQuant, dcCb, dcChroma, acChroma);
            EncodeBlock(bits, cr, chromaQuant, dcCr, dcChroma, acChroma);
        }
    bits.Flush();
    PutMarker(out, 0xD9);
    return out;
}

} // namespace sitesim
