// The test support itself: a real device clears and reads back, render
// targets read back, pictures are written as valid PNG, debug output is seen.

#include "DebugOutputCapture.h"
#include "PngWriter.h"
#include "TestDevice.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

uint32_t BE32(const std::vector<uint8_t>& d, size_t at)
{
    return uint32_t(d[at]) << 24 | uint32_t(d[at + 1]) << 16 | uint32_t(d[at + 2]) << 8 | d[at + 3];
}

} // namespace

TEST(TestDevice, ClearReadsBackAsTheClearColour)
{
    TestDevice device(48, 32);
    ASSERT_TRUE(device.Ok()) << device.Error();
    IDirect3DDevice8* d = device.Device();
    ASSERT_EQ(S_OK, d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x001020C0, 1.0f, 0));
    D3DRECT corner = {40, 24, 48, 32};
    ASSERT_EQ(S_OK, d->Clear(1, &corner, D3DCLEAR_TARGET, 0x00FF8000, 1.0f, 0));
    Image image = device.ReadBackBuffer();
    ASSERT_EQ(48, image.width);
    ASSERT_EQ(32, image.height);
    EXPECT_EQ(0x1020C0u, image.Rgb(0, 0));
    EXPECT_EQ(0x1020C0u, image.Rgb(39, 31));
    EXPECT_EQ(0xFF8000u, image.Rgb(47, 31));
    EXPECT_EQ(0xFF8000u, image.Rgb(40, 24));
    EXPECT_EQ(0x1020C0u, image.Rgb(47, 23));
    image.SavePngIfFailed("TestDevice_Clear");
}

TEST(TestDevice, RenderTargetTextureReadsBack)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    IDirect3DDevice8* d = device.Device();
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(S_OK, d->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture));
    IDirect3DSurface8* surface = nullptr;
    ASSERT_EQ(S_OK, texture->GetSurfaceLevel(0, &surface));
    IDirect3DSurface8* oldTarget = nullptr;
    IDirect3DSurface8* oldDepth = nullptr;
    d->GetRenderTarget(&oldTarget);
    d->GetDepthStencilSurface(&oldDepth);
    ASSERT_EQ(S_OK, d->SetRenderTarget(surface, nullptr));
    EXPECT_EQ(S_OK, d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80336699, 1.0f, 0));
    Image image = TestDevice::ReadSurface(d, surface);
    EXPECT_EQ(S_OK, d->SetRenderTarget(oldTarget, oldDepth));
    if (oldTarget) oldTarget->Release();
    if (oldDepth) oldDepth->Release();
    surface->Release();
    texture->Release();
    ASSERT_EQ(16, image.width);
    EXPECT_EQ(0x80336699u, image.At(3, 5));
    EXPECT_EQ(0x80336699u, image.At(15, 15));
}

TEST(PngWriter, WritesAValidPictureOfThePixels)
{
    const uint32_t pixels[6] = {0xFF102030, 0x80FFFFFF, 0x00000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000};
    const std::string path = "PngWriter_test.png";
    ASSERT_TRUE(PngWriter::Write(path, 3, 2, pixels, false));
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    std::remove(path.c_str());

    ASSERT_GT(d.size(), 8u + 25 + 12 + 12);
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_EQ(0, std::memcmp(signature, d.data(), 8));
    EXPECT_EQ(13u, BE32(d, 8));
    EXPECT_EQ(0, std::memcmp("IHDR", &d[12], 4));
    EXPECT_EQ(3u, BE32(d, 16));
    EXPECT_EQ(2u, BE32(d, 20));
    // Every chunk's CRC covers its type and data.
    size_t at = 8;
    std::vector<uint8_t> idat;
    while (at + 12 <= d.size()) {
        uint32_t length = BE32(d, at);
        ASSERT_LE(at + 12 + length, d.size());
        uLong crc = crc32(crc32(0, Z_NULL, 0), &d[at + 4], uInt(4 + length));
        EXPECT_EQ(crc, BE32(d, at + 8 + length));
        if (std::memcmp("IDAT", &d[at + 4], 4) == 0)
            idat.insert(idat.end(), d.begin() + long(at + 8), d.begin() + long(at + 8 + length));
        at += 12 + length;
    }
    EXPECT_EQ(d.size(), at);
    std::vector<uint8_t> raw(2 * (1 + 3 * 4));
    uLongf rawSize = uLongf(raw.size());
    ASSERT_EQ(Z_OK, uncompress(raw.data(), &rawSize, idat.data(), uLong(idat.size())));
    ASSERT_EQ(raw.size(), rawSize);
    const uint8_t expected[] = {
        0, 0x10, 0x20, 0x30, 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00, 0x00,
        0, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF,
    };
    EXPECT_EQ(0, std::memcmp(expected, raw.data(), raw.size()));

    EXPECT_FALSE(PngWriter::Write(path, 0, 2, pixels, false));
    EXPECT_TRUE(PngWriter::Encode(3, 2, nullptr, true).empty());
}

TEST(DebugOutputCapture, SeesOutputDebugStringTexts)
{
    DebugOutputCapture capture;
    OutputDebugStringA("first\n");
    OutputDebugStringA("");
    OutputDebugStringA("second");
    ASSERT_EQ(3u, capture.Lines().size());
    EXPECT_EQ("first\n", capture.Lines()[0]);
    EXPECT_EQ("", capture.Lines()[1]);
    EXPECT_EQ("second", capture.Lines()[2]);
}
