// FlareTexture00.bmp .. FlareTexture19.bmp: the sun flare's elements, 128 x
// 128 BMPs drawn additively, so black is see-through: glows, discs, rings,
// hexagons and a star of streaks, each fading to black before the border.
// Five of them (0, 3, 5, 9 and 10: the sun's glow, the two rainbow rings,
// the star and the blue glow) carry several hues and are 24-bit; the other
// fifteen are one tint at many strengths and are 8-bit palette images.

#include "common/ImageCheck.h"
#include "GeneratorRegistry.h"
#include "Pi.h"
#include "ImageWriters.h"
#include "WriteIfChanged.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

const int Size = 128;

enum class Shape { Glow, Disc, Ring, Hexagon, Star, RainbowRing };

struct Element {
    Shape shape;
    float radius; // of the disc, ring or hexagon, as a share of the half size
    float width;  // ring width or edge softness, likewise
    float r, g, b; // tint
    bool fullColour;
};

const Element Elements[20] = {
    {Shape::Glow, 0.9f, 0.25f, 1.0f, 0.9f, 0.7f, true},     // 0 the sun's glow
    {Shape::Disc, 0.35f, 0.3f, 1.0f, 1.0f, 0.95f, false},   // 1 small bright disc
    {Shape::Ring, 0.7f, 0.08f, 0.6f, 1.0f, 0.7f, false},    // 2 thin green ring
    {Shape::RainbowRing, 0.75f, 0.12f, 1, 1, 1, true},      // 3 halo
    {Shape::Disc, 0.6f, 0.4f, 0.7f, 0.8f, 1.0f, false},     // 4
    {Shape::RainbowRing, 0.88f, 0.06f, 1, 1, 1, true},      // 5 far rainbow ring
    {Shape::Disc, 0.8f, 0.6f, 0.5f, 0.7f, 1.0f, false},     // 6 soft blue disc
    {Shape::Hexagon, 0.8f, 0.1f, 1.0f, 0.75f, 0.35f, false},// 7 amber hexagon
    {Shape::Ring, 0.6f, 0.25f, 0.8f, 0.5f, 1.0f, false},    // 8 violet ring
    {Shape::Star, 0.95f, 0.04f, 1.0f, 0.95f, 0.85f, true},  // 9 star of streaks
    {Shape::Glow, 0.8f, 0.35f, 0.5f, 0.7f, 1.0f, true},     // 10 blue glow
    {Shape::Hexagon, 0.6f, 0.15f, 0.6f, 1.0f, 0.6f, false}, // 11
    {Shape::Ring, 0.8f, 0.05f, 1.0f, 0.6f, 0.6f, false},    // 12
    {Shape::Disc, 0.5f, 0.1f, 1.0f, 0.9f, 0.5f, false},     // 13
    {Shape::Glow, 0.7f, 0.3f, 0.9f, 0.9f, 0.9f, false},     // 14
    {Shape::Hexagon, 0.9f, 0.05f, 0.5f, 0.6f, 1.0f, false}, // 15
    {Shape::Ring, 0.45f, 0.15f, 1.0f, 1.0f, 0.6f, false},   // 16
    {Shape::Disc, 0.9f, 0.8f, 0.6f, 1.0f, 0.9f, false},     // 17
    {Shape::Glow, 0.6f, 0.2f, 1.0f, 0.7f, 0.9f, false},     // 18
    {Shape::Star, 0.8f, 0.06f, 0.8f, 0.9f, 1.0f, false},    // 19
};

float Smooth(float edge0, float edge1, float x)
{
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// The spectrum at t in [0, 1): red, yellow, green, cyan, blue, magenta.
void Spectrum(float t, float rgb[3])
{
    for (int c = 0; c < 3; ++c) {
        const float phase = t * 6.0f - 2.0f * c;
        const float d = std::fabs(std::fmod(phase + 12.0f, 6.0f) - 0.0f);
        const float distance = std::min(d, 6.0f - d); // 0 at the channel's own hue
        rgb[c] = std::clamp(2.0f - distance, 0.0f, 1.0f);
    }
}

// The element's strength (0 to 1) and colour at the point (x, y), in units
// of the half size from the centre.
void Sample(const Element& e, float x, float y, float rgb[3])
{
    const float r = std::hypot(x, y);
    const float angle = std::atan2(y, x);
    float strength = 0;
    float tint[3] = {e.r, e.g, e.b};
    switch (e.shape) {
    case Shape::Glow:
        strength = std::exp(-r * r / (2 * e.width * e.width)) * (1 - Smooth(e.radius * 0.8f, e.radius, r));
        break;
    case Shape::Disc:
        strength = 1 - Smooth(e.radius - e.width * e.radius, e.radius, r);
        break;
    case Shape::Ring:
        strength = 1 - Smooth(0, e.width, std::fabs(r - e.radius));
        break;
    case Shape::Hexagon: {
        // Distance to the edge of a regular hexagon with corners on x.
        const float sector = std::fmod(angle + 2 * PiF, PiF / 3) - PiF / 6;
        const float edge = e.radius * std::cos(PiF / 6) / std::cos(sector);
        strength = (1 - Smooth(edge - e.width, edge, r)) * (0.4f + 0.6f * Smooth(0, edge, r));
        break;
    }
    case Shape::Star: {
        const float spikes = std::pow(std::fabs(std::cos(3 * angle)), 40.0f);
        strength = std::exp(-r * r / 0.02f) + spikes * (1 - Smooth(0, e.radius, r));
        strength += e.width * 4 * (1 - Smooth(0, e.radius, r));
        break;
    }
    case Shape::RainbowRing: {
        const float d = (r - e.radius) / e.width; // -1 inner edge, 1 outer
        strength = 1 - Smooth(0, 1, std::fabs(d));
        Spectrum(std::clamp((d + 1) * 0.5f, 0.0f, 1.0f) * 0.8f, tint);
        break;
    }
    }
    // Everything fades out before the border.
    strength = std::clamp(strength, 0.0f, 1.0f) * (1 - Smooth(0.92f, 0.98f, r));
    for (int c = 0; c < 3; ++c)
        rgb[c] = std::clamp(strength * tint[c], 0.0f, 1.0f);
}

float Coordinate(int i)
{
    return (i + 0.5f) / (Size * 0.5f) - 1.0f;
}

std::string Encode(const Element& e)
{
    if (e.fullColour) {
        RgbaImage image(Size, Size);
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x) {
                float rgb[3];
                Sample(e, Coordinate(x), Coordinate(y), rgb);
                image.Set(x, y, uint8_t(std::lround(rgb[0] * 255)), uint8_t(std::lround(rgb[1] * 255)),
                          uint8_t(std::lround(rgb[2] * 255)));
            }
        return EncodeBmp24(image);
    }
    // One tint: palette entry i is the tint at strength i / 255.
    IndexedImage image;
    image.width = image.height = Size;
    image.palette.resize(256);
    for (int i = 0; i < 256; ++i)
        image.palette[i] = {uint8_t(std::lround(e.r * i)), uint8_t(std::lround(e.g * i)),
                            uint8_t(std::lround(e.b * i))};
    image.indices.resize(Size * Size);
    const float tint = std::max({e.r, e.g, e.b});
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            float rgb[3];
            Sample(e, Coordinate(x), Coordinate(y), rgb);
            const float strength = std::max({rgb[0], rgb[1], rgb[2]}) / tint;
            image.indices[size_t(y) * Size + x] = uint8_t(std::lround(std::clamp(strength, 0.0f, 1.0f) * 255));
        }
    return EncodeBmp8(image);
}

int Generate(const std::string& outDir)
{
    int fullColour = 0;
    for (int i = 0; i < 20; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "FlareTexture%02d.bmp", i);
        const Element& e = Elements[i];
        fullColour += e.fullColour;
        const std::string bytes = Encode(e);
        RgbaImage image;
        if (!mediacheck::ReadBmp(name, bytes, Size, Size, e.fullColour ? 24 : 8, image))
            return 1;
        // Black along the border, light somewhere inside.
        int brightest = 0;
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x) {
                const uint8_t* p = image.At(x, y);
                const int level = std::max({p[0], p[1], p[2]});
                const bool border = x == 0 || y == 0 || x == Size - 1 || y == Size - 1;
                if (border && level > 0)
                    return mediacheck::Fail(name, "the border is not black"), 1;
                brightest = std::max(brightest, level);
            }
        if (brightest < 128)
            return mediacheck::Fail(name, "too dark"), 1;
        if (!WriteIfChanged(outDir + "/" + name, bytes))
            return mediacheck::Fail(name, "cannot write"), 1;
    }
    if (fullColour != 5)
        return mediacheck::Fail("FlareTextures", "not five 24-bit images"), 1;
    return 0;
}

} // namespace

REEF_GENERATOR(FlareTextures, Generate);
