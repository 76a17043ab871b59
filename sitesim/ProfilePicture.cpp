// A performer's profile picture on the simulated site: a figure on a patterned ground, its
// colours and shapes drawn from the name, so every performer has her own.
#include "ProfilePicture.h"

#include "JpegWriter.h"
#include "Rng.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace sitesim
{
namespace
{
uint8_t ToByte(float v)
{
    return static_cast<uint8_t>(std::clamp(v * 255.0f + 0.5f, 0.0f, 255.0f));
}
} // namespace

ProfilePicture::ProfilePicture(const std::string& name)
{
    // FNV alone leaves similar short names with similar low bits; a round of mixing spreads the
    // hues.
    Rng mixer(Rng::Hash(name));
    const uint32_t h = static_cast<uint32_t>(mixer.Next()), h2 = static_cast<uint32_t>(mixer.Next());
    const float hue = static_cast<float>(h % 360) / 360.0f;
    top = FromHue(hue, 0.55f, 0.95f);
    bottom = FromHue(std::fmod(hue + 0.08f + static_cast<float>((h >> 9) % 20) / 100.0f, 1.0f), 0.8f, 0.55f);
    figure = FromHue(std::fmod(hue + 0.5f, 1.0f), 0.35f, (h >> 16) & 1 ? 0.2f : 0.98f);
    pattern = static_cast<int>((h >> 20) % 4);
    period = 6 + static_cast<int>((h2 >> 3) % 10);
    centreX = 40.0f + static_cast<float>(h2 % 28);
    headY = 26.0f + static_cast<float>((h2 >> 8) % 8);
    headRadius = 11.0f + static_cast<float>((h2 >> 12) % 5);
}

std::string ProfilePicture::ToJpeg() const
{
    std::vector<uint8_t> rgb(static_cast<size_t>(kWidth * kHeight * 3));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
        {
            const Rgb c = PixelAt(x, y);
            uint8_t* p = &rgb[static_cast<size_t>((y * kWidth + x) * 3)];
            p[0] = ToByte(c.r);
            p[1] = ToByte(c.g);
            p[2] = ToByte(c.b);
        }
    return JpegWriter::Encode(rgb, kWidth, kHeight, 85);
}

ProfilePicture::Rgb ProfilePicture::FromHue(float hue, float saturation, float value)
{
    const float h = hue * 6.0f;
    const int sector = static_cast<int>(h) % 6;
    const float f = h - static_cast<float>(static_cast<int>(h));
    const float p = value * (1 - saturation), q = value * (1 - saturation * f), t = value * (1 - saturation * (1 - f));
    switch (sector)
    {
    case 0: return {value, t, p};
    case 1: return {q, value, p};
    case 2: return {p, value, t};
    case 3: return {p, q, value};
    case 4: return {t, p, value};
    default: return {value, p, q};
    }
}

ProfilePicture::Rgb ProfilePicture::PixelAt(int x, int y) const
{
    const float t = static_cast<float>(y) / (kHeight - 1);
    Rgb c{top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t, top.b + (bottom.b - top.b) * t};
    bool mark = false;
    switch (pattern)
    {
    case 0: mark = ((x + y) / period) % 2 == 0; break;          // diagonal stripes
    case 1: mark = (x / period + y / period) % 2 == 0; break;   // chequers
    case 2: mark = (x % period) < 2 || (y % period) < 2; break; // grid
    default: mark = ((x - y + 200) / period) % 3 == 0; break;   // sparse stripes
    }
    if (mark)
        c = {c.r * 0.85f, c.g * 0.85f, c.b * 0.85f};
    const float dx = static_cast<float>(x) - centreX, dy = static_cast<float>(y) - headY;
    const float r2 = headRadius * headRadius;
    const bool head = dx * dx + dy * dy <= r2;
    const float sy = static_cast<float>(y) - (headY + headRadius * 2.6f);
    const bool shoulders = sy > -headRadius * 1.2f && (dx * dx) / (r2 * 3.2f) + (sy * sy) / (r2 * 1.6f) <= 1.0f;
    return head || shoulders ? figure : c;
}

} // namespace sitesim
