// Reading the program's embedded media in tests: a file inflated as the
// program inflates it, its little-endian fields, what an uncompressed BMP,
// a DDS header and a 64 x 64 picture hold, and the files loaded as textures.
#pragma once

#include "TestDevice.h"

#include "texture/EmbeddedFile.h"
#include "texture/TextureCache.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mediatest {

// The inflated bytes of an embedded file (a copy: the inflate buffer is
// shared); empty when it does not inflate.
inline std::string Inflate(const EmbeddedFileRef* file)
{
    const BYTE* bytes = nullptr;
    size_t size = 0;
    if (FAILED(InflateEmbeddedFile(file->data, file->size, ImageInflateBuffer, ImageInflateBufferSize, &bytes, &size)))
        return std::string();
    return std::string(reinterpret_cast<const char*>(bytes), size);
}

inline uint32_t U16(const std::string& s, size_t at)
{
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8;
}

inline uint32_t U32(const std::string& s, size_t at)
{
    return U16(s, at) | U16(s, at + 2) << 16;
}

struct BmpInfo {
    int width = 0, height = 0, bits = 0;
    double dark = 0;  // share of pixels darker than 64 in every channel
    double light = 0; // share of pixels lighter than 192 in every channel
};

// Reads an uncompressed 8-bit (palette after a 40-byte header) or 24-bit BMP
// whose rows fill the file; false otherwise.
inline bool ReadBmp(const std::string& s, BmpInfo& info)
{
    if (s.size() < 54 || s[0] != 'B' || s[1] != 'M' || U32(s, 14) != 40 || U32(s, 30) != 0)
        return false;
    info.width = int(U32(s, 18));
    info.height = int(U32(s, 22));
    info.bits = int(U16(s, 28));
    const size_t offset = U32(s, 10);
    const size_t row = (size_t(info.width) * info.bits / 8 + 3) & ~size_t(3);
    if (info.width <= 0 || info.height <= 0 || offset + row * info.height != s.size())
        return false;
    size_t dark = 0, light = 0;
    for (int y = 0; y < info.height; ++y)
        for (int x = 0; x < info.width; ++x) {
            const size_t at = info.bits == 8 ? 54 + 4 * size_t(uint8_t(s[offset + row * y + x]))
                                             : offset + row * y + 3 * size_t(x);
            const uint8_t b = uint8_t(s[at]), g = uint8_t(s[at + 1]), r = uint8_t(s[at + 2]);
            dark += b < 64 && g < 64 && r < 64;
            light += b > 192 && g > 192 && r > 192;
        }
    info.dark = double(dark) / (double(info.width) * info.height);
    info.light = double(light) / (double(info.width) * info.height);
    return true;
}

// A flat DDS header of size x size with one level.
inline void ExpectDdsHeader(const std::string& s, int size = 64)
{
    ASSERT_GE(s.size(), 128u);
    EXPECT_EQ("DDS ", s.substr(0, 4));
    EXPECT_EQ(uint32_t(size), U32(s, 12));
    EXPECT_EQ(uint32_t(size), U32(s, 16));
    const uint32_t levels = (U32(s, 8) & 0x20000) ? U32(s, 28) : 1;
    EXPECT_EQ(1u, levels);
    EXPECT_EQ(0u, U32(s, 112) & 0x200u) << "not a cube map";
}

// The side of the effects' small images.
const int PictureSize = 64;

// 0xAARRGGBB pixels of a 64 x 64 image, top row first.
struct Picture {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(PictureSize * PictureSize);
    uint32_t At(int x, int y) const { return pixels[size_t(y) * PictureSize + x]; }
    int Alpha(int x, int y) const { return int(At(x, y) >> 24); }
    uint32_t Rgb(int x, int y) const { return At(x, y) & 0xFFFFFF; }
};

// Each file loads as a texture of size x size on Wine's device.
inline void ExpectTexturesOfSize(const std::vector<const EmbeddedFileRef*>& files, int size = PictureSize)
{
    TestDevice td;
    ASSERT_TRUE(td.Ok()) << td.Error();
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(0, LoadTexture(td.Device(), files[i]->data, files[i]->size, &texture, D3DFMT_UNKNOWN));
        ASSERT_NE(nullptr, texture);
        D3DSURFACE_DESC desc = {};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(UINT(size), desc.Width);
        EXPECT_EQ(UINT(size), desc.Height);
        ReleaseTexture(texture);
    }
}

} // namespace mediatest
