// Image files written by the host generators: DDS (A8R8G8B8, DXT1, DXT2 with
// premultiplied colour, mip chains and cube maps), 32-bit TGA, and 24-bit or
// 8-bit palette BMP. Pixels come in as RGBA bytes, top row first; every
// encoder returns the whole file's bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // width * height * 4 bytes: r, g, b, a

    RgbaImage() = default;
    RgbaImage(int w, int h) : width(w), height(h), pixels(size_t(w) * h * 4, 0) {}
    uint8_t* At(int x, int y) { return &pixels[(size_t(y) * width + x) * 4]; }
    const uint8_t* At(int x, int y) const { return &pixels[(size_t(y) * width + x) * 4]; }
    void Set(int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
    {
        uint8_t* p = At(x, y);
        p[0] = r; p[1] = g; p[2] = b; p[3] = a;
    }
};

// A palette image for 8-bit BMP files.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indices;                 // width * height, top row first
    std::vector<std::array<uint8_t, 3>> palette;  // r, g, b; at most 256 entries
};

enum class DdsFormat { A8R8G8B8, Dxt1, Dxt2 };

// The level and its box-filtered halvings down to 1 x 1, or `levels` levels
// when levels > 0.
std::vector<RgbaImage> MipChain(const RgbaImage& top, int levels = 0);

// A flat texture with the given levels (level 0 first). DXT sizes must be
// multiples of 4 at level 0.
std::string EncodeDds(DdsFormat format, const std::vector<RgbaImage>& levels);
// A cube map: six faces in the order +x, -x, +y, -y, +z, -z, each with the
// same number of levels.
std::string EncodeDdsCube(DdsFormat format, const std::vector<RgbaImage> faces[6]);

// Uncompressed 32-bit TGA (type 2), top-left origin.
std::string EncodeTga32(const RgbaImage& image);
// Uncompressed 24-bit BMP (bottom-up rows, BI_RGB); alpha is dropped.
std::string EncodeBmp24(const RgbaImage& image);
// Uncompressed 8-bit palette BMP (bottom-up rows, BI_RGB).
std::string EncodeBmp8(const IndexedImage& image);

// DXT block codec used by the encoders (exposed for the generators' checks):
// 16 RGBA pixels row by row to one block and back.
void EncodeDxtColourBlock(const uint8_t rgba[16][4], uint8_t out[8], bool dxt1Alpha);
void DecodeDxtColourBlock(const uint8_t in[8], uint8_t rgba[16][4], bool dxt1);
