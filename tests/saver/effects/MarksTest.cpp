// The effects' embedded images as the program carries them: each file
// inflated and read for its format, size, level count and described
// content, and each loaded as a texture on Wine's device.

#include "BubbleTextures.h"
#include "CausticFrames.h"
#include "MarkTextures.h"
#include "RainbowGradients.h"

#include "TestDevice.h"

#include "texture/EmbeddedFile.h"
#include "texture/TextureCache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

const int Size = 64;

std::string Inflate(const EmbeddedFileRef* ref)
{
    static BYTE buffer[1 << 17];
    const BYTE* file = nullptr;
    size_t size = 0;
    if (InflateEmbeddedFile(ref->data, ref->size, buffer, sizeof buffer, &file, &size) != 0)
        return std::string();
    return std::string(reinterpret_cast<const char*>(file), size);
}

uint32_t U16(const std::string& s, size_t at)
{
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8;
}

uint32_t U32(const std::string& s, size_t at)
{
    return U16(s, at) | U16(s, at + 2) << 16;
}

// 0xAARRGGBB pixels, top row first.
struct Picture {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(Size * Size);
    uint32_t At(int x, int y) const { return pixels[size_t(y) * Size + x]; }
    int Alpha(int x, int y) const { return int(At(x, y) >> 24); }
    uint32_t Rgb(int x, int y) const { return At(x, y) & 0xFFFFFF; }
};

// A flat DDS header of 64 x 64 with one level.
void ExpectDdsHeader(const std::string& s)
{
    ASSERT_GE(s.size(), 128u);
    EXPECT_EQ("DDS ", s.substr(0, 4));
    EXPECT_EQ(uint32_t(Size), U32(s, 12));
    EXPECT_EQ(uint32_t(Size), U32(s, 16));
    const uint32_t levels = (U32(s, 8) & 0x20000) ? U32(s, 28) : 1;
    EXPECT_EQ(1u, levels);
    EXPECT_EQ(0u, U32(s, 112) & 0x200u) << "not a cube map";
}

// Counts the changes between clear and covered around a circle.
int Transitions(const Picture& p, float radius)
{
    int changes = 0;
    bool last = false;
    for (int i = 0; i <= 720; ++i) {
        const float a = i * 3.14159265f / 360;
        const int x = int(31.5f + radius * std::cos(a) + 0.5f), y = int(31.5f - radius * std::sin(a) + 0.5f);
        const bool covered = p.Alpha(x, y) >= 128;
        if (i > 0 && covered != last)
            ++changes;
        last = covered;
    }
    return changes;
}

} // namespace

TEST(EffectsMedia, BubbleSpritesAreArgbWithAFaintBodyABrightRimAndAHighlight)
{
    std::vector<Picture> sprites;
    for (int i = 0; i < BubbleTextureCount; ++i) {
        SCOPED_TRACE(i);
        const std::string s = Inflate(BubbleTextures[i]);
        ExpectDdsHeader(s);
        EXPECT_EQ(0x41u, U32(s, 80)) << "RGB with alpha";
        EXPECT_EQ(32u, U32(s, 88));
        EXPECT_EQ(0x00FF0000u, U32(s, 92));
        EXPECT_EQ(0xFF000000u, U32(s, 104));
        ASSERT_EQ(128u + Size * Size * 4, s.size());
        Picture p;
        for (int k = 0; k < Size * Size; ++k)
            p.pixels[k] = U32(s, 128 + size_t(k) * 4);
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(0, p.Alpha((c & 1) * 63, (c >> 1) * 63)) << "corner " << c;
        EXPECT_GT(p.Alpha(32, 32), 0);
        EXPECT_LT(p.Alpha(32, 32), 100);
        EXPECT_GT(std::max(p.Alpha(5, 32), p.Alpha(58, 32)), 2 * p.Alpha(32, 32)) << "the rim";
        int brightest = 0;
        for (uint32_t v : p.pixels)
            brightest = std::max(brightest, int(v >> 24));
        EXPECT_GE(brightest, 240) << "the highlight";
        sprites.push_back(p);
    }
    for (size_t i = 1; i < sprites.size(); ++i)
        EXPECT_NE(sprites[i - 1].pixels, sprites[i].pixels) << "the cycled sprites differ";
}

TEST(EffectsMedia, RainbowGradientsAreBandsRingsAndDiamonds)
{
    std::vector<Picture> gradients;
    for (int i = 0; i < RainbowGradientCount; ++i) {
        SCOPED_TRACE(i);
        const std::string s = Inflate(RainbowGradients[i]);
        ASSERT_GE(s.size(), 54u);
        EXPECT_EQ("BM", s.substr(0, 2));
        EXPECT_EQ(uint32_t(Size), U32(s, 18));
        EXPECT_EQ(uint32_t(Size), U32(s, 22)) << "bottom-up rows";
        EXPECT_EQ(24u, U16(s, 28));
        EXPECT_EQ(0u, U32(s, 30)) << "uncompressed";
        const size_t offset = U32(s, 10);
        ASSERT_EQ(offset + Size * Size * 3, s.size());
        Picture p;
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x) {
                const size_t at = offset + size_t(Size - 1 - y) * Size * 3 + size_t(x) * 3;
                p.pixels[size_t(y) * Size + x] = 0xFF000000u | uint32_t(uint8_t(s[at + 2])) << 16 |
                                                 uint32_t(uint8_t(s[at + 1])) << 8 | uint8_t(s[at]);
            }
        gradients.push_back(p);
    }
    ASSERT_EQ(3u, gradients.size());
    const Picture& bands = gradients[0];
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
            ASSERT_EQ(bands.Rgb(x, 0), bands.Rgb(x, y)) << x << ", " << y;
    EXPECT_EQ(0xFF0000u, bands.Rgb(0, 0)) << "red at the left";
    EXPECT_EQ(0x00FF00u, bands.Rgb(21, 0) & 0x00FF00u) << "green a third across";
    EXPECT_EQ(0x0000FFu, bands.Rgb(43, 0) & 0x0000FFu) << "blue two thirds across";

    for (int i : {1, 2}) {
        SCOPED_TRACE(i);
        const Picture& rings = gradients[i];
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x) {
                ASSERT_EQ(rings.Rgb(x, y), rings.Rgb(63 - x, y));
                ASSERT_EQ(rings.Rgb(x, y), rings.Rgb(x, 63 - y));
                ASSERT_EQ(rings.Rgb(x, y), rings.Rgb(y, x));
            }
        EXPECT_NE(rings.Rgb(32, 32), rings.Rgb(32, 50));
    }
    // Rings: equal distance from the centre. Diamonds: equal |dx| + |dy|.
    EXPECT_NE(gradients[1].Rgb(40, 32), gradients[1].Rgb(36, 36));
    EXPECT_EQ(gradients[2].Rgb(40, 32), gradients[2].Rgb(36, 36));
}

TEST(EffectsMedia, CausticFramesAreThirtyTwoAnimatedLineNetworks)
{
    std::vector<std::string> frames;
    for (int f = 0; f < CausticFrameCount; ++f) {
        SCOPED_TRACE(f);
        const std::string s = Inflate(CausticFrames[f]);
        ASSERT_EQ(18u + Size * Size * 4, s.size());
        EXPECT_EQ(0, s[0]) << "no identification field";
        EXPECT_EQ(2, s[2]) << "uncompressed true colour";
        EXPECT_EQ(uint32_t(Size), U16(s, 12));
        EXPECT_EQ(uint32_t(Size), U16(s, 14));
        EXPECT_EQ(32, uint8_t(s[16]));
        long sum = 0;
        int brightest = 0;
        for (size_t at = 18 + 3; at < s.size(); at += 4) {
            sum += uint8_t(s[at]);
            brightest = std::max(brightest, int(uint8_t(s[at])));
        }
        EXPECT_GE(brightest, 200) << "bright lines";
        EXPECT_LT(sum / (Size * Size), 128) << "on dark";
        frames.push_back(s);
    }
    for (size_t f = 1; f < frames.size(); ++f)
        EXPECT_NE(frames[f - 1], frames[f]) << "frame " << f << " moves on";
}

TEST(EffectsMedia, MarkShapesAreWhiteDxt2PolygonsStarsAndSlivers)
{
    for (int i = 0; i < MarkTextureCount; ++i) {
        SCOPED_TRACE(i);
        const std::string s = Inflate(MarkTextures[i]);
        ExpectDdsHeader(s);
        EXPECT_EQ(4u, U32(s, 80) & 4u) << "compressed";
        EXPECT_EQ("DXT2", s.substr(84, 4));
        ASSERT_EQ(128u + (Size / 4) * (Size / 4) * 16, s.size());
        // The explicit alpha of every texel, and its colour end points: white
        // premultiplied, so a block's colours are greys.
        Picture p;
        for (int by = 0; by < Size / 4; ++by)
            for (int bx = 0; bx < Size / 4; ++bx) {
                const size_t block = 128 + (size_t(by) * (Size / 4) + bx) * 16;
                for (int t = 0; t < 16; ++t) {
                    const int a = ((uint8_t(s[block + t / 2]) >> ((t & 1) * 4)) & 15) * 17;
                    p.pixels[size_t(by * 4 + t / 4) * Size + bx * 4 + t % 4] = uint32_t(a) << 24;
                }
                for (int e = 0; e < 2; ++e) {
                    const uint32_t c = U16(s, block + 8 + 2 * e);
                    const int r = int(c >> 11), g = int((c >> 5) & 63) / 2, b = int(c & 31);
                    ASSERT_LE(std::abs(r - g) + std::abs(g - b), 2) << "grey colour end points";
                }
            }
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(0, p.Alpha((c & 1) * 63, (c >> 1) * 63)) << "corner " << c;
        int opaque = 0;
        for (uint32_t v : p.pixels)
            opaque += (v >> 24) == 255;
        const float covered = float(opaque) / (Size * Size);
        if (i < 3) {
            EXPECT_EQ(0, Transitions(p, 12.0f)) << "a solid polygon";
            EXPECT_GT(covered, 0.3f);
        } else if (i < 6) {
            EXPECT_EQ(255, p.Alpha(32, 32));
            EXPECT_EQ(10, Transitions(p, 24.0f)) << "five points";
        } else {
            EXPECT_LT(covered, 0.45f) << "a triangle or sliver";
            EXPECT_GT(covered, 0.01f);
        }
    }
}

TEST(EffectsMedia, EveryImageLoadsAsA64By64TextureOnTheDevice)
{
    TestDevice td;
    ASSERT_TRUE(td.Ok()) << td.Error();
    std::vector<const EmbeddedFileRef*> all;
    all.insert(all.end(), BubbleTextures, BubbleTextures + BubbleTextureCount);
    all.insert(all.end(), RainbowGradients, RainbowGradients + RainbowGradientCount);
    all.insert(all.end(), CausticFrames, CausticFrames + CausticFrameCount);
    all.insert(all.end(), MarkTextures, MarkTextures + MarkTextureCount);
    ASSERT_EQ(48u, all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(i);
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(0, LoadTexture(td.Device(), all[i]->data, all[i]->size, &texture, D3DFMT_UNKNOWN));
        ASSERT_NE(nullptr, texture);
        D3DSURFACE_DESC desc = {};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(UINT(Size), desc.Width);
        EXPECT_EQ(UINT(Size), desc.Height);
        ReleaseTexture(texture);
    }
}
