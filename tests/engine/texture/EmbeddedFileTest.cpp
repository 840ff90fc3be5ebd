// A file embedded at build time by reef_embed (tools/embed): its layout and
// start-up size, the zlib stream's header, the round trip to the original
// bytes, and the texture it makes on Wine's device.

#include "EmbeddedTestFiles.h"

#include "texture/EmbeddedFile.h"
#include "texture/TextureCache.h"

#include "TestDevice.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<BYTE> Original()
{
    std::ifstream in(REEF_TEST_DATA "/EmbedProbe.tga", std::ios::binary);
    return std::vector<BYTE>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(EmbeddedFileTest, LayoutAndStartUpSize)
{
    EXPECT_EQ(sizeof EmbedProbe.bytes, size_t(EmbedProbe.compressedSize));
    EXPECT_EQ(0x78, EmbedProbe.bytes[0]);
    EXPECT_EQ(0x9C, EmbedProbe.bytes[1]);
    EXPECT_EQ(int32_t(Original().size()), EmbedProbe.inflatedSize);
    EXPECT_EQ(EmbedProbe.bytes, EmbedProbe.ref.data);
    EXPECT_EQ(EmbedProbe.compressedSize, EmbedProbe.ref.size) << "set by the start-up initialiser";
    // bytes, then the two sizes (after at most the int32 alignment), then the descriptor.
    const BYTE* end = reinterpret_cast<const BYTE*>(&EmbedProbe) + sizeof EmbedProbe.bytes;
    const BYTE* sizeField = reinterpret_cast<const BYTE*>(&EmbedProbe.compressedSize);
    EXPECT_GE(sizeField, end);
    EXPECT_LT(sizeField, end + alignof(int32_t));
    EXPECT_EQ(sizeField + 4, reinterpret_cast<const BYTE*>(&EmbedProbe.inflatedSize));
    EXPECT_LT(reinterpret_cast<const BYTE*>(&EmbedProbe.inflatedSize), reinterpret_cast<const BYTE*>(&EmbedProbe.ref));
}

TEST(EmbeddedFileTest, InflatesToTheOriginalBytes)
{
    const BYTE* file = nullptr;
    size_t size = 0;
    ASSERT_EQ(S_OK, InflateEmbeddedFile(EmbedProbe.ref.data, EmbedProbe.ref.size, ImageInflateBuffer,
                                        sizeof ImageInflateBuffer, &file, &size));
    EXPECT_EQ(ImageInflateBuffer, file);
    const std::vector<BYTE> original = Original();
    ASSERT_FALSE(original.empty());
    EXPECT_EQ(original, std::vector<BYTE>(file, file + size));
    EXPECT_EQ(sizeof ImageInflateBuffer, size_t(2107392));
    EXPECT_EQ(sizeof MeshInflateBuffer, size_t(528896));
}

TEST(EmbeddedFileTest, DamagedStreamsAreErrors)
{
    std::vector<BYTE> damaged(EmbedProbe.bytes, EmbedProbe.bytes + EmbedProbe.compressedSize);
    damaged[damaged.size() - 1] ^= 0xFF; // the Adler-32 check
    const BYTE* file = nullptr;
    size_t size = 0;
    EXPECT_TRUE(FAILED(InflateEmbeddedFile(damaged.data(), int(damaged.size()), ImageInflateBuffer,
                                           sizeof ImageInflateBuffer, &file, &size)));
    EXPECT_EQ(nullptr, file);
    EXPECT_TRUE(FAILED(InflateEmbeddedFile(EmbedProbe.bytes, EmbedProbe.compressedSize - 3, ImageInflateBuffer,
                                           sizeof ImageInflateBuffer, &file, &size)));
    // An output buffer too small is an error too, not a partial file.
    BYTE small[8];
    EXPECT_TRUE(FAILED(InflateEmbeddedFile(EmbedProbe.bytes, EmbedProbe.compressedSize, small, sizeof small, &file,
                                           &size)));
    EXPECT_EQ(nullptr, file);
}

TEST(EmbeddedFileTest, LoadsAsATexture)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(S_OK, LoadTexture(device.Device(), EmbedProbe.bytes, EmbedProbe.compressedSize, &texture,
                                D3DFMT_UNKNOWN));
    IDirect3DSurface8* surface = nullptr;
    ASSERT_EQ(S_OK, texture->GetSurfaceLevel(0, &surface));
    const Image image = TestDevice::ReadSurface(device.Device(), surface);
    surface->Release();
    // The fixture: top row red, green, blue, white at alpha 0x80; bottom row greys.
    const uint32_t expected[8] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF,
                                  0x40102030, 0x80506070, 0xC090A0B0, 0x00D0E0F0};
    ASSERT_EQ(4, image.width);
    ASSERT_EQ(2, image.height);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(expected[i], image.At(i % 4, i / 4)) << i;
    ReleaseTexture(texture);
}

} // namespace
