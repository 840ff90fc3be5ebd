// Reading back the images the media generators write, so that each
// generator can check the format, size, level count and content of its files
// before the build embeds them.
#pragma once

#include "ImageWriters.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace mediacheck {

inline uint32_t Get16(const std::string& s, size_t at)
{
    return at + 2 <= s.size() ? uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 : 0;
}

inline uint32_t Get32(const std::string& s, size_t at)
{
    return Get16(s, at) | Get16(s, at + 2) << 16;
}

// Prints the failed check and returns false.
inline bool Fail(const std::string& file, const char* what)
{
    std::fprintf(stderr, "mediagen: %s: %s\n", file.c_str(), what);
    return false;
}

// A flat DDS file of the given format, size and level count whose data fills
// the file exactly; decodes level 0 into image.
inline bool ReadDds(const std::string& name, const std::string& s, DdsFormat format, int size, int levels,
                    RgbaImage& image)
{
    if (s.size() < 128 || s.compare(0, 4, "DDS ") != 0 || Get32(s, 4) != 124)
        return Fail(name, "not a DDS file");
    if (int(Get32(s, 12)) != size || int(Get32(s, 16)) != size)
        return Fail(name, "wrong size");
    const int stored = (Get32(s, 8) & 0x20000) ? int(Get32(s, 28)) : 1;
    if (stored != levels)
        return Fail(name, "wrong level count");
    const uint32_t pfFlags = Get32(s, 80);
    const bool dxt = format != DdsFormat::A8R8G8B8;
    if (dxt) {
        const char* four = format == DdsFormat::Dxt1 ? "DXT1" : "DXT2";
        if (!(pfFlags & 0x4) || s.compare(84, 4, four) != 0)
            return Fail(name, "wrong compressed format");
    } else if (!(pfFlags & 0x40) || !(pfFlags & 0x1) || Get32(s, 88) != 32 || Get32(s, 92) != 0x00FF0000u ||
               Get32(s, 96) != 0x0000FF00u || Get32(s, 100) != 0x000000FFu || Get32(s, 104) != 0xFF000000u) {
        return Fail(name, "not 32-bit ARGB");
    }
    size_t bytes = 0;
    for (int l = 0, w = size; l < levels; ++l, w = w > 1 ? w / 2 : 1)
        bytes += dxt ? size_t((w + 3) / 4) * ((w + 3) / 4) * (format == DdsFormat::Dxt1 ? 8 : 16) : size_t(w) * w * 4;
    if (s.size() != 128 + bytes)
        return Fail(name, "data does not fill the file");

    image = RgbaImage(size, size);
    const size_t base = 128;
    if (!dxt) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const uint32_t v = Get32(s, base + (size_t(y) * size + x) * 4);
                image.Set(x, y, uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), uint8_t(v >> 24));
            }
        return true;
    }
    const int blockBytes = format == DdsFormat::Dxt1 ? 8 : 16;
    const int blocks = size / 4;
    for (int by = 0; by < blocks; ++by)
        for (int bx = 0; bx < blocks; ++bx) {
            const size_t at = base + (size_t(by) * blocks + bx) * blockBytes;
            uint8_t in[8];
            for (int i = 0; i < 8; ++i)
                in[i] = uint8_t(s[at + (blockBytes - 8) + i]);
            uint8_t rgba[16][4];
            DecodeDxtColourBlock(in, rgba, format == DdsFormat::Dxt1);
            for (int i = 0; i < 16; ++i) {
                uint8_t a = rgba[i][3];
                if (blockBytes == 16) {
                    const int nibble = (uint8_t(s[at + i / 2]) >> ((i & 1) * 4)) & 15;
                    a = uint8_t(nibble * 17);
                }
                image.Set(bx * 4 + i % 4, by * 4 + i / 4, rgba[i][0], rgba[i][1], rgba[i][2], a);
            }
        }
    return true;
}

// An uncompressed 32-bit TGA of the given size, no identification field.
inline bool ReadTga32(const std::string& name, const std::string& s, int size, RgbaImage& image)
{
    if (s.size() != 18 + size_t(size) * size * 4)
        return Fail(name, "wrong file length for a 32-bit TGA");
    if (s[0] != 0 || s[1] != 0 || s[2] != 2 || uint8_t(s[16]) != 32)
        return Fail(name, "not an uncompressed 32-bit TGA");
    if (int(Get16(s, 12)) != size || int(Get16(s, 14)) != size)
        return Fail(name, "wrong size");
    const bool topDown = (uint8_t(s[17]) & 0x20) != 0;
    image = RgbaImage(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const size_t at = 18 + (size_t(topDown ? y : size - 1 - y) * size + x) * 4;
            image.Set(x, y, uint8_t(s[at + 2]), uint8_t(s[at + 1]), uint8_t(s[at]), uint8_t(s[at + 3]));
        }
    return true;
}

// An uncompressed bottom-up BMP of the given size and bit depth (8 with a
// palette, or 24) whose pixel rows fill the file exactly; decodes it into
// image (top row first).
inline bool ReadBmp(const std::string& name, const std::string& s, int width, int height, int bits, RgbaImage& image)
{
    if (s.size() < 54 || s.compare(0, 2, "BM") != 0 || Get32(s, 14) != 40)
        return Fail(name, "not a BMP file");
    if (int(Get32(s, 18)) != width || int(Get32(s, 22)) != height)
        return Fail(name, "wrong size");
    if (int(Get16(s, 28)) != bits || Get32(s, 30) != 0)
        return Fail(name, "wrong bit depth or compression");
    const size_t offset = Get32(s, 10);
    const size_t row = (size_t(width) * bits / 8 + 3) & ~size_t(3);
    if (offset + row * height != s.size())
        return Fail(name, "pixel data does not fill the file");
    uint32_t colours = Get32(s, 46);
    if (bits == 8 && colours == 0)
        colours = 256;
    if (bits == 8 && (colours > 256 || offset != 54 + 4 * size_t(colours)))
        return Fail(name, "bad palette");
    image = RgbaImage(width, height);
    for (int y = 0; y < height; ++y) {
        const size_t line = offset + row * size_t(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            if (bits == 8) {
                const uint8_t index = uint8_t(s[line + x]);
                if (index >= colours)
                    return Fail(name, "index past the palette");
                const size_t p = 54 + 4 * size_t(index);
                image.Set(x, y, uint8_t(s[p + 2]), uint8_t(s[p + 1]), uint8_t(s[p]));
            } else {
                const size_t p = line + 3 * size_t(x);
                image.Set(x, y, uint8_t(s[p + 2]), uint8_t(s[p + 1]), uint8_t(s[p]));
            }
        }
    }
    return true;
}

// The share of pixels of image whose red, green and blue are all at most
// `dark` (0 to 1).
inline double DarkShare(const RgbaImage& image, int dark = 64)
{
    size_t n = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            if (p[0] <= dark && p[1] <= dark && p[2] <= dark)
                ++n;
        }
    return double(n) / (double(image.width) * image.height);
}

// A fully saturated colour of hue h (0 to 1, wrapping), as r, g, b bytes.
inline void Hue(float h, uint8_t out[3])
{
    h -= float(int(h));
    if (h < 0)
        h += 1.0f;
    const float s = h * 6.0f;
    const int sector = int(s) % 6;
    const float f = s - float(int(s));
    const uint8_t up = uint8_t(255.0f * f + 0.5f), down = uint8_t(255.0f * (1.0f - f) + 0.5f);
    const uint8_t table[6][3] = {{255, up, 0}, {down, 255, 0}, {0, 255, up},
                                 {0, down, 255}, {up, 0, 255}, {255, 0, down}};
    out[0] = table[sector][0];
    out[1] = table[sector][1];
    out[2] = table[sector][2];
}

} // namespace mediacheck
