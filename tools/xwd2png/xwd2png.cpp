// Converts an X window dump (xwd -root, TrueColor, 24 or 32 bits per pixel)
// to PNG. Used by the run script to leave a screenshot of the virtual display.
//
//   xwd2png in.xwd out.png            convert
//   xwd2png in.xwd out.png --centre   also print the centre pixel as RRGGBB

#include "../common/PngWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

uint32_t BE32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }

int Shift(uint32_t mask)
{
    int s = 0;
    while (mask && !(mask & 1)) { mask >>= 1; ++s; }
    return s;
}

uint32_t Channel(uint32_t pixel, uint32_t mask)
{
    if (!mask) return 0;
    uint32_t v = (pixel & mask) >> Shift(mask);
    uint32_t max = mask >> Shift(mask);
    return max ? (v * 255u + max / 2) / max : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: xwd2png in.xwd out.png [--centre]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (d.size() < 100) {
        std::fprintf(stderr, "xwd2png: %s is not an xwd file\n", argv[1]);
        return 1;
    }
    uint32_t h[25];
    for (int i = 0; i < 25; ++i) h[i] = BE32(&d[size_t(i) * 4]);
    const uint32_t headerSize = h[0], version = h[1], format = h[2];
    const uint32_t width = h[4], height = h[5], byteOrder = h[7];
    const uint32_t bpp = h[11], bytesPerLine = h[12];
    const uint32_t rMask = h[14], gMask = h[15], bMask = h[16], nColors = h[19];
    if (version != 7 || format != 2 || (bpp != 24 && bpp != 32) || width == 0 || height == 0 ||
        width > 16384 || height > 16384) {
        std::fprintf(stderr, "xwd2png: unsupported xwd (version %u, format %u, %u bpp)\n", version, format, bpp);
        return 1;
    }
    size_t dataAt = size_t(headerSize) + size_t(nColors) * 12;
    if (dataAt > d.size() || (d.size() - dataAt) / bytesPerLine < height || bytesPerLine < width * (bpp / 8)) {
        std::fprintf(stderr, "xwd2png: %s is truncated\n", argv[1]);
        return 1;
    }
    std::vector<uint32_t> argb(size_t(width) * height);
    const size_t step = bpp / 8;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = &d[dataAt + size_t(y) * bytesPerLine];
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + x * step;
            uint32_t v = 0;
            for (size_t b = 0; b < step; ++b)
                v |= uint32_t(byteOrder == 0 ? p[b] : p[step - 1 - b]) << (8 * b);
            argb[size_t(y) * width + x] = 0xFF000000u | (Channel(v, rMask) << 16) | (Channel(v, gMask) << 8) | Channel(v, bMask);
        }
    }
    if (!PngWriter::Write(argv[2], int(width), int(height), argb.data(), true)) {
        std::fprintf(stderr, "xwd2png: cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc > 3 && std::strcmp(argv[3], "--centre") == 0)
        std::printf("%06X\n", argb[size_t(height / 2) * width + width / 2] & 0xFFFFFFu);
    return 0;
}
