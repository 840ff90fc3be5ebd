// The logo's images. LogoNormalMap.tga: 512 x 512 32-bit TGA, every texel
// (red 127, green 127, blue 255, alpha 0), a flat normal map.
// LogoPicture.dds: 256 x 256 DXT1, one level, a blurred picture of white
// swirls on blue, shown on devices without pixel shaders.
// LogoCubeMap.dds: a DXT1 cube map of six 256 x 256 faces, one level
// each: a sea seen from below, white light above fading through blue to
// deep blue beneath.

#include "common/ImageCheck.h"
#include "GeneratorRegistry.h"
#include "Pi.h"
#include "ImageWriters.h"
#include "WriteIfChanged.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using mediacheck::Fail;
using mediacheck::Get32;

uint8_t Byte(float v)
{
    return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
}

RgbaImage NormalMap()
{
    RgbaImage image(512, 512);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x)
            image.Set(x, y, 127, 127, 255, 0);
    return image;
}

// Soft white swirls on blue: a sum of broad waves, smooth at every scale
// the texture shows.
RgbaImage Picture()
{
    RgbaImage image(256, 256);
    const float k = 2 * PiF / 256;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float w = 0.5f + 0.25f * std::sin(k * (2 * x + y)) + 0.15f * std::sin(k * 3 * (y - x)) +
                            0.1f * std::cos(k * (x + 3 * y));
            const float white = std::clamp((w - 0.45f) * 2.0f, 0.0f, 1.0f);
            image.Set(x, y, Byte(0.1f + 0.9f * white), Byte(0.3f + 0.7f * white), Byte(0.8f + 0.2f * white));
        }
    return image;
}

// The face's colour in the direction d: light from above, blue below.
void Environment(const float d[3], uint8_t rgb[3])
{
    const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const float up = d[1] / length; // -1 straight down, 1 straight up
    const float t = (up + 1) * 0.5f;
    const float light = std::pow(std::max(up, 0.0f), 6.0f);
    rgb[0] = Byte(0.02f + 0.3f * t * t + 0.7f * light);
    rgb[1] = Byte(0.08f + 0.5f * t + 0.5f * light);
    rgb[2] = Byte(0.25f + 0.65f * t + 0.1f * light);
}

// Face f (+x, -x, +y, -y, +z, -z) at texel (x, y): the direction through
// the texel's centre, in the cube map's convention.
void FaceDirection(int f, int x, int y, int size, float d[3])
{
    const float s = 2 * (x + 0.5f) / size - 1, t = 2 * (y + 0.5f) / size - 1;
    switch (f) {
    case 0: d[0] = 1;  d[1] = -t; d[2] = -s; break;
    case 1: d[0] = -1; d[1] = -t; d[2] = s;  break;
    case 2: d[0] = s;  d[1] = 1;  d[2] = t;  break;
    case 3: d[0] = s;  d[1] = -1; d[2] = -t; break;
    case 4: d[0] = s;  d[1] = -t; d[2] = 1;  break;
    default: d[0] = -s; d[1] = -t; d[2] = -1; break;
    }
}

bool CheckDxt1(const std::string& name, const std::string& s, int size, bool cube)
{
    if (s.size() < 128 || s.compare(0, 4, "DDS ") != 0 || Get32(s, 4) != 124)
        return Fail(name, "not a DDS file");
    if (int(Get32(s, 12)) != size || int(Get32(s, 16)) != size)
        return Fail(name, "wrong size");
    if (s.compare(84, 4, "DXT1") != 0)
        return Fail(name, "not DXT1");
    const int levels = (Get32(s, 8) & 0x20000) ? int(Get32(s, 28)) : 1;
    if (levels > 1)
        return Fail(name, "more than one level");
    const bool isCube = (Get32(s, 112) & 0xFE00) == 0xFE00;
    if (isCube != cube)
        return Fail(name, cube ? "not a cube map of six faces" : "a cube map");
    const size_t faceBytes = size_t(size / 4) * (size / 4) * 8;
    if (s.size() != 128 + faceBytes * (cube ? 6 : 1))
        return Fail(name, "data does not fill the file");
    return true;
}

// The mean colour of one DXT1 face, decoded.
void MeanColour(const std::string& s, size_t offset, int size, float mean[3])
{
    double sum[3] = {0, 0, 0};
    const int blocks = size / 4;
    for (int b = 0; b < blocks * blocks; ++b) {
        uint8_t block[8];
        for (int i = 0; i < 8; ++i)
            block[i] = uint8_t(s[offset + 8 * size_t(b) + i]);
        uint8_t rgba[16][4];
        DecodeDxtColourBlock(block, rgba, true);
        for (auto& p : rgba)
            for (int c = 0; c < 3; ++c)
                sum[c] += p[c];
    }
    for (int c = 0; c < 3; ++c)
        mean[c] = float(sum[c] / (16.0 * blocks * blocks) / 255.0);
}

int Generate(const std::string& outDir)
{
    const std::string tga = EncodeTga32(NormalMap());
    if (tga.size() != 18 + 512 * 512 * 4 || tga[2] != 2 || uint8_t(tga[16]) != 32 || Get32(tga, 12) != (512u | 512u << 16))
        return Fail("LogoNormalMap.tga", "not a 512 x 512 32-bit TGA"), 1;
    for (size_t p = 18; p < tga.size(); p += 4)
        if (uint8_t(tga[p]) != 255 || uint8_t(tga[p + 1]) != 127 || uint8_t(tga[p + 2]) != 127 || tga[p + 3] != 0)
            return Fail("LogoNormalMap.tga", "a texel is not (127, 127, 255, 0)"), 1;

    const std::string picture = EncodeDds(DdsFormat::Dxt1, {Picture()});
    if (!CheckDxt1("LogoPicture.dds", picture, 256, false))
        return 1;
    float mean[3];
    MeanColour(picture, 128, 256, mean);
    if (!(mean[2] > mean[0] && mean[0] > 0.2f))
        return Fail("LogoPicture.dds", "not blue and white"), 1;

    std::vector<RgbaImage> faces[6];
    for (int f = 0; f < 6; ++f) {
        RgbaImage face(256, 256);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                float d[3];
                uint8_t rgb[3];
                FaceDirection(f, x, y, 256, d);
                Environment(d, rgb);
                face.Set(x, y, rgb[0], rgb[1], rgb[2]);
            }
        faces[f].push_back(face);
    }
    const std::string cube = EncodeDdsCube(DdsFormat::Dxt1, faces);
    if (!CheckDxt1("LogoCubeMap.dds", cube, 256, true))
        return 1;
    // Face +y (the third) is the lightest, -y (the fourth) the darkest.
    const size_t faceBytes = 64 * 64 * 8;
    float up[3], down[3];
    MeanColour(cube, 128 + 2 * faceBytes, 256, up);
    MeanColour(cube, 128 + 3 * faceBytes, 256, down);
    if (!(up[0] > down[0] + 0.3f && up[2] > down[2]))
        return Fail("LogoCubeMap.dds", "faces out of order"), 1;

    if (!WriteIfChanged(outDir + "/LogoNormalMap.tga", tga) || !WriteIfChanged(outDir + "/LogoPicture.dds", picture) ||
        !WriteIfChanged(outDir + "/LogoCubeMap.dds", cube))
        return Fail("LogoTextures", "cannot write"), 1;
    return 0;
}

} // namespace

REEF_GENERATOR(LogoTextures, Generate);
