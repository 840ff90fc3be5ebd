// Reading back what the flare, paint and logo generators write, so that each
// generator checks the format, size, level count and content of its files.
#pragma once

#include "ImageWriters.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace effectsb {

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

} // namespace effectsb
