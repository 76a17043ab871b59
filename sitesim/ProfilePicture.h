// A performer's profile picture on the simulated site: a figure on a patterned ground, its
// colours and shapes drawn from the name, so every performer has her own.
#pragma once

#include <string>

namespace sitesim
{

class ProfilePicture
{
public:
    static constexpr int kWidth = 107;
    static constexpr int kHeight = 82;

    explicit ProfilePicture(const std::string& name);

    /// The picture as a baseline JPEG file.
    std::string ToJpeg() const;

private:
    struct Rgb
    {
        float r, g, b;
    };

    static Rgb FromHue(float hue, float saturation, float value);
    Rgb PixelAt(int x, int y) const;

    Rgb top, bottom, figure;
    int pattern;
    int period;
    float centreX, headY, headRadius;
};

} // namespace sitesim
