// The texture loaders on Wine's device: DDS (DXT1, DXT2, ARGB, cube maps),
// TGA and BMP fixtures written here, compared pixel by pixel with every mip
// level; corrupt and truncated files; the texture cache.

#include "texture/EmbeddedFile.h"
#include "texture/TextureCache.h"

#include "D3DXTexture.h"
#include "ImageFile.h"
#include "TestDevice.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint32_t v) { b[at] = uint8_t(v); b[at + 1] = uint8_t(v >> 8); }
void Put32(Bytes& b, size_t at, uint32_t v) { Put16(b, at, v & 0xFFFF); Put16(b, at + 2, v >> 16); }
void Append32(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); b.push_back(uint8_t(v >> 16)); b.push_back(uint8_t(v >> 24)); }

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

// A DDS header: fourCC != 0 for DXTn, else 32-bit ARGB masks.
Bytes DdsHeader(uint32_t width, uint32_t height, uint32_t fourCC, uint32_t mipCount = 0, bool cube = false)
{
    Bytes b(128, 0);
    Put32(b, 0, 0x20534444); // "DDS "
    Put32(b, 4, 124);
    Put32(b, 8, 0x1007 | (mipCount ? 0x20000 : 0));
    Put32(b, 12, height);
    Put32(b, 16, width);
    Put32(b, 28, mipCount);
    Put32(b, 76, 32);
    if (fourCC) {
        Put32(b, 80, 0x4);
        Put32(b, 84, fourCC);
    } else {
        Put32(b, 80, 0x41);
        Put32(b, 88, 32);
        Put32(b, 92, 0x00FF0000);
        Put32(b, 96, 0x0000FF00);
        Put32(b, 100, 0x000000FF);
        Put32(b, 104, 0xFF000000);
    }
    Put32(b, 108, 0x1000);
    if (cube)
        Put32(b, 112, 0x200 | 0xFC00);
    return b;
}

const uint32_t FourDxt1 = 0x31545844, FourDxt2 = 0x32545844;

// A DXT colour block: two 565 colours and 16 two-bit indices, row by row.
void AppendColourBlock(Bytes& b, uint16_t c0, uint16_t c1, const int idx[16])
{
    uint32_t bits = 0;
    for (int i = 0; i < 16; ++i)
        bits |= uint32_t(idx[i]) << (2 * i);
    b.push_back(uint8_t(c0)); b.push_back(uint8_t(c0 >> 8));
    b.push_back(uint8_t(c1)); b.push_back(uint8_t(c1 >> 8));
    Append32(b, bits);
}

Bytes Tga(int width, int height, const std::vector<uint32_t>& topDownArgb, bool topOrigin)
{
    Bytes b(18, 0);
    b[2] = 2;
    Put16(b, 12, width);
    Put16(b, 14, height);
    b[16] = 32;
    b[17] = uint8_t(8 | (topOrigin ? 0x20 : 0));
    for (int r = 0; r < height; ++r) {
        const int y = topOrigin ? r : height - 1 - r;
        for (int x = 0; x < width; ++x) {
            const uint32_t c = topDownArgb[size_t(y) * width + x];
            b.push_back(uint8_t(c)); b.push_back(uint8_t(c >> 8)); b.push_back(uint8_t(c >> 16)); b.push_back(uint8_t(c >> 24));
        }
    }
    return b;
}

// A BMP of 8 bits (indices with palette) or 24 bits (pixels), bottom-up
// unless topDown.
Bytes Bmp(int width, int height, int bits, const std::vector<uint32_t>& palette,
          const std::vector<uint32_t>& topDownValues, bool topDown)
{
    const size_t stride = (size_t(width) * bits + 31) / 32 * 4;
    const size_t paletteBytes = bits == 8 ? palette.size() * 4 : 0;
    const size_t offset = 54 + paletteBytes;
    Bytes b(offset + stride * height, 0xEE); // padding bytes are not zero
    std::fill(b.begin(), b.begin() + 54, 0);
    b[0] = 'B'; b[1] = 'M';
    Put32(b, 2, uint32_t(b.size()));
    Put32(b, 10, uint32_t(offset));
    Put32(b, 14, 40);
    Put32(b, 18, width);
    Put32(b, 22, uint32_t(topDown ? -height : height));
    Put16(b, 26, 1);
    Put16(b, 28, bits);
    Put32(b, 46, bits == 8 ? uint32_t(palette.size()) : 0);
    for (size_t i = 0; i < palette.size() && bits == 8; ++i)
        Put32(b, 54 + i * 4, palette[i] & 0xFFFFFF);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &b[offset + stride * (topDown ? y : height - 1 - y)];
        for (int x = 0; x < width; ++x) {
            const uint32_t v = topDownValues[size_t(y) * width + x];
            if (bits == 8) {
                row[x] = uint8_t(v);
            } else {
                row[x * 3] = uint8_t(v); row[x * 3 + 1] = uint8_t(v >> 8); row[x * 3 + 2] = uint8_t(v >> 16);
            }
        }
    }
    return b;
}

Bytes Compress(const Bytes& file)
{
    uLongf size = compressBound(uLong(file.size()));
    Bytes out(size);
    EXPECT_EQ(Z_OK, compress2(out.data(), &size, file.data(), uLong(file.size()), Z_DEFAULT_COMPRESSION));
    out.resize(size);
    return out;
}

// 2 x 2 box average of an image, the expected next mip level for even sizes.
std::vector<uint32_t> HalveExact(const std::vector<uint32_t>& p, int w, int h)
{
    std::vector<uint32_t> out;
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w / 2; ++x) {
            uint32_t c = 0;
            for (int k = 0; k < 32; k += 8) {
                uint32_t sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += (p[size_t(2 * y + dy) * w + 2 * x + dx] >> k) & 0xFF;
                EXPECT_EQ(0u, sum % 4) << "fixture must average exactly";
                c |= (sum / 4) << k;
            }
            out.push_back(c);
        }
    return out;
}

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(device_.Ok()) << device_.Error();
        device_.Device()->GetDeviceCaps(&caps_);
    }
    void TearDown() override { SetTextureCreator(nullptr); }

    IDirect3DDevice8* Dev() { return device_.Device(); }
    bool Pow2() const { return (caps_.TextureCaps & D3DPTEXTURECAPS_POW2) != 0; }

    bool Supports(D3DFORMAT f)
    {
        D3DDISPLAYMODE mode;
        Dev()->GetDisplayMode(&mode);
        return SUCCEEDED(device_.D3D()->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format, 0,
                                                          D3DRTYPE_TEXTURE, f));
    }

    HRESULT Create(const Bytes& file, IDirect3DTexture8** texture, D3DFORMAT format = D3DFMT_UNKNOWN,
                   D3DPOOL pool = D3DPOOL_DEFAULT, DWORD filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR)
    {
        return D3DXCreateTextureFromFileInMemoryEx(Dev(), file.data(), UINT(file.size()), D3DX_DEFAULT,
                                                   D3DX_DEFAULT, D3DX_DEFAULT, 0, format, pool, filter, filter, 0,
                                                   nullptr, nullptr, texture);
    }

    Image Level(IDirect3DTexture8* texture, UINT level)
    {
        IDirect3DSurface8* surface = nullptr;
        EXPECT_EQ(S_OK, texture->GetSurfaceLevel(level, &surface));
        Image image = surface ? TestDevice::ReadSurface(Dev(), surface) : Image();
        if (surface)
            surface->Release();
        return image;
    }

    // Raw bytes of a compressed level of a lockable (managed) texture.
    Bytes RawLevel(IDirect3DTexture8* texture, UINT level)
    {
        D3DSURFACE_DESC desc;
        Bytes out;
        if (FAILED(texture->GetLevelDesc(level, &desc)))
            return out;
        const size_t blockSize = imagefile::DxtBlockBytes(desc.Format);
        const UINT bw = (desc.Width + 3) / 4, bh = (desc.Height + 3) / 4;
        D3DLOCKED_RECT rect;
        EXPECT_EQ(S_OK, texture->LockRect(level, &rect, nullptr, D3DLOCK_READONLY));
        if (blockSize && rect.pBits) {
            for (UINT by = 0; by < bh; ++by) {
                const uint8_t* row = static_cast<const uint8_t*>(rect.pBits) + size_t(by) * rect.Pitch;
                out.insert(out.end(), row, row + bw * blockSize);
            }
            texture->UnlockRect(level);
        }
        return out;
    }

    void ExpectPixels(const Image& image, int w, int h, const std::vector<uint32_t>& expected, bool rgbOnly,
                      const char* what)
    {
        ASSERT_EQ(w, image.width) << what;
        ASSERT_EQ(h, image.height) << what;
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t mask = rgbOnly ? 0x00FFFFFFu : 0xFFFFFFFFu;
                const uint32_t want = expected[size_t(y) * w + x] & mask;
                const uint32_t got = image.At(x, y) & mask;
                if (want != got && wrong++ < 8)
                    ADD_FAILURE() << what << " at (" << x << ", " << y << "): got " << std::hex << got << " want " << want;
            }
        EXPECT_EQ(0, wrong) << what;
    }

    TestDevice device_{64, 64};
    D3DCAPS8 caps_ = {};
};

// 4 x 4 ARGB values whose 2 x 2 and 4 x 4 averages are whole numbers.
std::vector<uint32_t> Gradient4()
{
    std::vector<uint32_t> p;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            p.push_back(Argb(255 - 16 * (x + 4 * y), 8 * x + 32 * y, 64 + 16 * x, 200 - 40 * y));
    return p;
}

TEST_F(TextureTest, ArgbDdsLoadsExactlyWithABoxFilteredMipChain)
{
    const std::vector<uint32_t> level0 = Gradient4();
    Bytes file = DdsHeader(4, 4, 0);
    for (uint32_t c : level0)
        Append32(file, c);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(S_OK, Create(file, &texture));
    ASSERT_NE(nullptr, texture);
    EXPECT_EQ(3u, texture->GetLevelCount());
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format);
    EXPECT_EQ(D3DPOOL_DEFAULT, desc.Pool);
    const std::vector<uint32_t> level1 = HalveExact(level0, 4, 4);
    const std::vector<uint32_t> level2 = HalveExact(level1, 2, 2);
    ExpectPixels(Level(texture, 0), 4, 4, level0, false, "level 0");
    ExpectPixels(Level(texture, 1), 2, 2, level1, false, "level 1");
    ExpectPixels(Level(texture, 2), 1, 1, level2, false, "level 2");
    texture->Release();
}

TEST_F(TextureTest, DdsMipLevelsCarriedByTheFileAreUsed)
{
    Bytes file = DdsHeader(2, 2, 0, 2);
    const std::vector<uint32_t> level0{0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0};
    for (uint32_t c : level0)
        Append32(file, c);
    Append32(file, 0x80FF00FF); // not the average: proves the file's level is taken
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(S_OK, Create(file, &texture));
    ASSERT_EQ(2u, texture->GetLevelCount());
    ExpectPixels(Level(texture, 0), 2, 2, level0, false, "level 0");
    ExpectPixels(Level(texture, 1), 1, 1, {0x80FF00FF}, false, "level 1");
    texture->Release();
}

// 8 x 4 DXT1: left block in three-colour mode with a transparent index,
// right block in four-colour mode.
Bytes Dxt1Fixture()
{
    Bytes file = DdsHeader(8, 4, FourDxt1);
    const int left[16] = {0, 1, 2, 3, 3, 2, 1, 0, 0, 0, 3, 3, 1, 1, 2, 2};
    const int right[16] = {0, 1, 2, 3, 0, 1, 2, 3, 3, 2, 1, 0, 3, 2, 1, 0};
    AppendColourBlock(file, 0x001F, 0xF800, left);  // c0 < c1: blue, red, their mean, transparent
    AppendColourBlock(file, 0xF800, 0x001F, right); // c0 > c1: red, blue, 2/3 and 1/3 mixes
    return file;
}

std::vector<uint32_t> Dxt1Expected()
{
    const uint32_t three[4] = {0xFF0000FF, 0xFFFF0000, 0xFF7F007F, 0x00000000};
    const uint32_t four[4] = {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA};
    const int left[16] = {0, 1, 2, 3, 3, 2, 1, 0, 0, 0, 3, 3, 1, 1, 2, 2};
    const int right[16] = {0, 1, 2, 3, 0, 1, 2, 3, 3, 2, 1, 0, 3, 2, 1, 0};
    std::vector<uint32_t> p(32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            p[y * 8 + x] = three[left[y * 4 + x]];
            p[y * 8 + 4 + x] = four[right[y * 4 + x]];
        }
    return p;
}

TEST_F(TextureTest, Dxt1DecodesInSoftwareWithOneBitAlpha)
{
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(S_OK, Create(Dxt1Fixture(), &texture, D3DFMT_A8R8G8B8));
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format);
    EXPECT_EQ(4u, texture->GetLevelCount()); // 8x4, 4x2, 2x1, 1x1
    ExpectPixels(Level(texture, 0), 8, 4, Dxt1Expected(), false, "DXT1 decoded");
    texture->Release();
}

TEST_F(TextureTest, Dxt1StaysCompressedWhenTheDeviceHasIt)
{
    if (!Supports(D3DFMT_DXT1))
        GTEST_SKIP() << "device has no DXT1";
    const Bytes file = Dxt1Fixture();
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(S_OK, Create(file, &texture));
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(D3DFMT_DXT1, desc.Format);
    EXPECT_EQ(D3DPOOL_DEFAULT, desc.Pool);
    texture->Release();
    // Managed, so its blocks can be read.
    ASSERT_EQ(S_OK, Create(file, &texture, D3DFMT_UNKNOWN, D3DPOOL_MANAGED));
    EXPECT_EQ(Bytes(file.begin() + 128, file.end()), RawLevel(texture, 0));
    // The generated level 1 (4 x 2) decodes close to the box average.
    const Bytes level1 = RawLevel(texture, 1);
    ASSERT_EQ(8u, level1.size());
    uint32_t px[16];
    imagefile::DecodeDxtBlock(D3DFMT_DXT1, level1.data(), px);
    const std::vector<uint32_t> top = Dxt1Expected();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            int sums[4] = {};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    for (int k = 0; k < 4; ++k)
                        sums[k] += (top[(2 * y + dy) * 8 + 2 * x + dx] >> (8 * k)) & 0xFF;
            const uint32_t got = px[y * 4 + x];
            if ((sums[3] + 2) / 4 < 128) {
                EXPECT_EQ(0u, got >> 24) << x << "," << y;
                continue;
            }
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(sums[k] / 4, int((got >> (8 * k)) & 0xFF), 48) << x << "," << y << " channel " << k;
        }
    texture->Release();
}

TEST_F(TextureTest, Dxt2DecodesExplicitAlpha)
{
    Bytes file = DdsHeader(4, 4, FourDxt2);
    for (int i = 0; i < 8; ++i) // alpha nibble of pixel i is i
        file.push_back(uint8_t((2 * i) | (2 * i + 1) << 4));
    const int idx[16] = {0, 1, 2, 3, 1, 0, 3, 2, 2, 3, 0, 1, 3, 2, 1, 0};
    AppendColourBlock(file, 0xF800, 0x07E0, idx); // red, green
    const uint32_t palette[4] = {0xFF0000, 0x00FF00, 0xAA5500, 0x55AA00};
    std::vector<uint32_t> expected;
    for (int i = 0; i < 16; ++i)
        expected.push_back(uint32_t(i * 17) << 24 | palette[idx[i]]);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(S_OK, Create(file, &texture, D3DFMT_A8R8G8B8));
    ExpectPixels(Level(texture, 0), 4, 4, expected, false, "DXT2 decoded");
    texture->Release();
    if (Supports(D3DFMT_DXT2)) {
        ASSERT_EQ(S_OK, Create(file, &texture, D3DFMT_UNKNOWN, D3DPOOL_MANAGED));
        EXPECT_EQ(Bytes(file.begin() + 128, file.end()), RawLevel(texture, 0));
        texture->Release();
    }
}

TEST_F(TextureTest, CubeMapFacesKeepTheirColoursThroughTheChain)
{
    const uint32_t colours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
    Bytes file = DdsHeader(4, 4, 0, 0, true);
    for (uint32_t c : colours)
        for (int i = 0; i < 16; ++i)
            Append32(file, c);
    const Bytes packed = Compress(file);
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(S_OK, LoadCubeTexture(Dev(), packed.data(), int(packed.size()), &cube));
    ASSERT_NE(nullptr, cube);
    ASSERT_EQ(3u, cube->GetLevelCount());
    for (int face = 0; face < 6; ++face)
        for (UINT level = 0; level < 3; ++level) {
            IDirect3DSurface8* surface = nullptr;
            ASSERT_EQ(S_OK, cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), level, &surface));
            const Image image = TestDevice::ReadSurface(Dev(), surface);
            surface->Release();
            const int size = 4 >> level;
            ExpectPixels(image, size, size, std::vector<uint32_t>(size * size, colours[face]), false, "face");
        }
    cube->Release();

    // A plain texture is not a cube map.
    Bytes flat = DdsHeader(4, 4, 0);
    flat.resize(flat.size() + 64, 0xFF);
    EXPECT_EQ(D3DXERR_INVALIDDATA, LoadCubeTexture(Dev(), flat.data(), int(flat.size()), &cube));
    EXPECT_EQ(nullptr, cube);
}

TEST_F(TextureTest, TgaBothRowOrders)
{
    const std::vector<uint32_t> pixels{0xFFFF0000, 0x8000FF00, 0x000000FF, 0x40102030, 0xC0405060, 0xFF708090};
    for (bool topOrigin : {false, true}) {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(S_OK, Create(Tga(3, 2, pixels, topOrigin), &texture));
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format);
        EXPECT_EQ(Pow2() ? 4u : 3u, desc.Width);
        if (!Pow2())
            ExpectPixels(Level(texture, 0), 3, 2, pixels, false, topOrigin ? "top origin" : "bottom origin");
        texture->Release();
    }
}

TEST_F(TextureTest, Bmp8And24BitWithPaddedRows)
{
    const std::vector<uint32_t> palette{0x000000, 0xFF8000, 0x20C040, 0x123456};
    std::vector<uint32_t> indices, colours;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            indices.push_back((x + 2 * y) % 4);
            colours.push_back(palette[(x + 2 * y) % 4] ^ uint32_t(x * 0x010203));
        }
    std::vector<uint32_t> expected8;
    for (uint32_t i : indices)
        expected8.push_back(palette[i]);
    for (bool topDown : {false, true}) {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(S_OK, Create(Bmp(5, 3, 8, palette, indices, topDown), &texture));
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(D3DFMT_X8R8G8B8, desc.Format) << "P8 falls back";
        if (!Pow2())
            ExpectPixels(Level(texture, 0), 5, 3, expected8, true, "8-bit");
        texture->Release();
        ASSERT_EQ(S_OK, Create(Bmp(5, 3, 24, {}, colours, topDown), &texture));
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(Supports(D3DFMT_R8G8B8) ? D3DFMT_R8G8B8 : D3DFMT_X8R8G8B8, desc.Format);
        if (!Pow2())
            ExpectPixels(Level(texture, 0), 5, 3, colours, true, "24-bit");
        texture->Release();
    }
}

TEST_F(TextureTest, Bmp128By129KeepsItsSizeAndChain)
{
    const std::vector<uint32_t> palette{0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
    std::vector<uint32_t> indices, expected;
    for (int y = 0; y < 129; ++y)
        for (int x = 0; x < 128; ++x) {
            indices.push_back((x / 8 + y / 3) % 4);
            expected.push_back(palette[indices.back()]);
        }
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(S_OK, Create(Bmp(128, 129, 8, palette, indices, false), &texture));
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(128u, desc.Width);
    EXPECT_EQ(Pow2() ? 256u : 129u, desc.Height);
    EXPECT_EQ(Pow2() ? 9u : 8u, texture->GetLevelCount());
    if (!Pow2()) {
        ExpectPixels(Level(texture, 0), 128, 129, expected, true, "128 x 129");
        texture->GetLevelDesc(1, &desc);
        EXPECT_EQ(64u, desc.Width);
        EXPECT_EQ(64u, desc.Height);
        texture->GetLevelDesc(7, &desc);
        EXPECT_EQ(1u, desc.Width);
        EXPECT_EQ(1u, desc.Height);
    }
    texture->Release();
}

TEST_F(TextureTest, TruncatedFilesFailCleanly)
{
    Bytes dds = DdsHeader(4, 4, 0);
    for (uint32_t c : Gradient4())
        Append32(dds, c);
    const Bytes files[] = {dds, Dxt1Fixture(), Tga(3, 2, std::vector<uint32_t>(6, 0xFF00FF00), false),
                           Bmp(5, 3, 8, {0x000000, 0xFFFFFF}, std::vector<uint32_t>(15, 1), false),
                           Bmp(5, 3, 24, {}, std::vector<uint32_t>(15, 0x123456), true)};
    for (const Bytes& file : files)
        for (size_t length = 1; length < file.size(); ++length) {
            // A copy of exactly the truncated length, so reading past it is caught by tools.
            const Bytes cut(file.begin(), file.begin() + length);
            IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(1);
            const HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(Dev(), cut.data(), UINT(cut.size()), D3DX_DEFAULT,
                                                                  D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                                                  D3DPOOL_DEFAULT, D3DX_FILTER_BOX, D3DX_FILTER_BOX,
                                                                  0, nullptr, nullptr, &texture);
            EXPECT_EQ(D3DXERR_INVALIDDATA, hr) << "length " << length << " of " << file.size();
            EXPECT_EQ(nullptr, texture);
            if (SUCCEEDED(hr) && texture)
                texture->Release();
        }
}

TEST_F(TextureTest, CorruptFilesFailCleanly)
{
    std::vector<Bytes> bad;
    Bytes huge = DdsHeader(0x40000000, 4, 0); // size overflow
    huge.resize(huge.size() + 64);
    bad.push_back(huge);
    Bytes moreMips = DdsHeader(4, 4, 0, 3); // claims three levels, holds one
    moreMips.resize(moreMips.size() + 64);
    bad.push_back(moreMips);
    Bytes fourCC = DdsHeader(4, 4, 0x35545844); // DXT5: not read
    fourCC.resize(fourCC.size() + 16);
    bad.push_back(fourCC);
    Bytes index = Bmp(5, 3, 8, {0x000000, 0xFFFFFF}, std::vector<uint32_t>(15, 1), false);
    index[54 + 2 * 4] = 7; // first pixel: past the two palette entries
    bad.push_back(index);
    Bytes offset = Bmp(5, 3, 24, {}, std::vector<uint32_t>(15, 0), false);
    Put32(offset, 10, 0xFFFFFFF0u);
    bad.push_back(offset);
    Bytes rle(18, 0);
    rle[2] = 10;
    Put16(rle, 12, 2);
    Put16(rle, 14, 1);
    rle[16] = 32;
    rle.insert(rle.end(), {0x85, 1, 2, 3, 4}); // a run of 6 over 2 pixels
    bad.push_back(rle);
    bad.push_back(Bytes{'D', 'D', 'S', ' ', 0, 0});
    bad.push_back(Bytes(64, 0x78));
    for (size_t i = 0; i < bad.size(); ++i) {
        IDirect3DTexture8* texture = nullptr;
        EXPECT_EQ(D3DXERR_INVALIDDATA, Create(bad[i], &texture)) << "file " << i;
        EXPECT_EQ(nullptr, texture);
    }
}

TEST(TextureFormatChoice, FallsBackWhenTheDeviceRefuses)
{
    using d3dxtexture::ChooseFormat;
    auto only = [](std::vector<D3DFORMAT> formats) {
        return [formats](D3DFORMAT f) { return std::find(formats.begin(), formats.end(), f) != formats.end(); };
    };
    const auto plain = only({D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8});
    EXPECT_EQ(D3DFMT_A8R8G8B8, ChooseFormat(D3DFMT_DXT1, D3DFMT_UNKNOWN, true, plain));
    EXPECT_EQ(D3DFMT_A8R8G8B8, ChooseFormat(D3DFMT_DXT2, D3DFMT_UNKNOWN, true, plain));
    EXPECT_EQ(D3DFMT_X8R8G8B8, ChooseFormat(D3DFMT_P8, D3DFMT_UNKNOWN, false, plain));
    EXPECT_EQ(D3DFMT_X8R8G8B8, ChooseFormat(D3DFMT_R8G8B8, D3DFMT_UNKNOWN, false, plain));
    EXPECT_EQ(D3DFMT_DXT1, ChooseFormat(D3DFMT_DXT1, D3DFMT_UNKNOWN, true, only({D3DFMT_DXT1, D3DFMT_A8R8G8B8})));
    EXPECT_EQ(D3DFMT_X8R8G8B8, ChooseFormat(D3DFMT_P8, D3DFMT_UNKNOWN, false, only({D3DFMT_P8, D3DFMT_X8R8G8B8})))
        << "palettised textures are never made";
    EXPECT_EQ(D3DFMT_A8R8G8B8, ChooseFormat(D3DFMT_DXT1, D3DFMT_A8R8G8B8, true, plain));
    EXPECT_EQ(D3DFMT_UNKNOWN, ChooseFormat(D3DFMT_DXT1, D3DFMT_UNKNOWN, true, only({})));
    EXPECT_EQ(256u, d3dxtexture::ChooseExtent(D3DX_DEFAULT, 129, true));
    EXPECT_EQ(128u, d3dxtexture::ChooseExtent(0, 128, true));
    EXPECT_EQ(129u, d3dxtexture::ChooseExtent(D3DX_DEFAULT, 129, false));
    EXPECT_EQ(1u, d3dxtexture::ChooseExtent(D3DX_DEFAULT, 1, true));
}

// The cache, with the creation counted.
int g_creations = 0;
HRESULT g_forcedFailure = S_OK;
IDirect3DTexture8* g_leftBehind = nullptr;

HRESULT WINAPI CountingCreator(IDirect3DDevice8* d, LPCVOID data, UINT size, UINT w, UINT h, UINT m, DWORD u,
                               D3DFORMAT f, D3DPOOL p, DWORD fi, DWORD mf, D3DCOLOR k, D3DXIMAGE_INFO* i,
                               PALETTEENTRY* pal, IDirect3DTexture8** out)
{
    ++g_creations;
    if (FAILED(g_forcedFailure)) {
        *out = g_leftBehind; // a stale value a failed creation might leave
        return g_forcedFailure;
    }
    return D3DXCreateTextureFromFileInMemoryEx(d, data, size, w, h, m, u, f, p, fi, mf, k, i, pal, out);
}

class TextureCacheTest : public TextureTest {
protected:
    void SetUp() override
    {
        TextureTest::SetUp();
        g_creations = 0;
        g_forcedFailure = S_OK;
        g_leftBehind = nullptr;
        SetTextureCreator(CountingCreator);
        file_ = DdsHeader(4, 4, 0);
        for (uint32_t c : Gradient4())
            Append32(file_, c);
        packed_ = Compress(file_);
    }
    HRESULT Load(IDirect3DTexture8** texture)
    {
        return LoadTexture(Dev(), packed_.data(), int(packed_.size()), texture, D3DFMT_UNKNOWN);
    }
    Bytes file_, packed_;
};

TEST_F(TextureCacheTest, SharesOneTexturePerImageAndReleasesItOnce)
{
    IDirect3DTexture8 *a = nullptr, *b = nullptr;
    ASSERT_EQ(S_OK, Load(&a));
    const int used = g_textureCache.count;
    ASSERT_EQ(S_OK, Load(&b));
    EXPECT_EQ(a, b);
    EXPECT_EQ(1, g_creations);
    EXPECT_EQ(used, g_textureCache.count);
    ExpectPixels(Level(a, 0), 4, 4, Gradient4(), false, "cached texture");

    a->AddRef(); // our own reference, to see how many the cache gives up
    EXPECT_EQ(0, ReleaseTexture(a));
    EXPECT_EQ(0, ReleaseTexture(b)); // the second object's release finds nothing
    EXPECT_EQ(0u, a->Release()) << "the cache released its reference exactly once";

    int stranger = 0; // never dereferenced: not in the cache
    EXPECT_EQ(0, ReleaseTexture(reinterpret_cast<IDirect3DTexture8*>(&stranger)));
}

TEST_F(TextureCacheTest, RepeatedRestoresReuseEmptiedEntries)
{
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(S_OK, Load(&texture));
    const int used = g_textureCache.count;
    for (int restore = 0; restore < 1200; ++restore) {
        ASSERT_EQ(0, ReleaseTexture(texture));
        ASSERT_EQ(S_OK, Load(&texture)) << "restore " << restore;
        ASSERT_NE(nullptr, texture);
    }
    EXPECT_EQ(used, g_textureCache.count);
    EXPECT_EQ(1201, g_creations);
    ReleaseTexture(texture);
}

TEST_F(TextureCacheTest, FailedCreationIsNotCachedNorHandedOut)
{
    IDirect3DTexture8* live = nullptr;
    ASSERT_EQ(S_OK, Load(&live));
    ReleaseTexture(live); // released: the pointer is now stale
    g_leftBehind = live;
    g_forcedFailure = D3DERR_OUTOFVIDEOMEMORY;
    IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(live);
    EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY, Load(&texture));
    EXPECT_EQ(nullptr, texture);
    g_forcedFailure = S_OK;
    ASSERT_EQ(S_OK, Load(&texture)) << "the failure was not cached";
    EXPECT_EQ(3, g_creations);
    ASSERT_NE(nullptr, texture);
    ExpectPixels(Level(texture, 0), 4, 4, Gradient4(), false, "after a failure");
    ReleaseTexture(texture);
}

TEST_F(TextureCacheTest, CorruptStreamFailsWithoutReachingTheDecoder)
{
    Bytes corrupt = packed_;
    for (size_t i = 4; i + 4 < corrupt.size(); ++i)
        corrupt[i] ^= 0x5A;
    Bytes truncated(packed_.begin(), packed_.begin() + packed_.size() / 2);
    for (const Bytes* data : {&corrupt, &truncated}) {
        IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(1);
        EXPECT_TRUE(FAILED(LoadTexture(Dev(), data->data(), int(data->size()), &texture, D3DFMT_UNKNOWN)));
        EXPECT_EQ(nullptr, texture);
        IDirect3DCubeTexture8* cube = reinterpret_cast<IDirect3DCubeTexture8*>(1);
        EXPECT_TRUE(FAILED(LoadCubeTexture(Dev(), data->data(), int(data->size()), &cube)));
        EXPECT_EQ(nullptr, cube);
    }
    EXPECT_EQ(0, g_creations);
}

TEST_F(TextureCacheTest, UncompressedDataIsAnError)
{
    // A valid image that was not compressed is not a zlib stream.
    IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(1);
    EXPECT_EQ(D3DXERR_INVALIDDATA, LoadTexture(Dev(), file_.data(), int(file_.size()), &texture, D3DFMT_UNKNOWN));
    EXPECT_EQ(nullptr, texture);
    EXPECT_EQ(0, g_creations);
}

TEST(TextureKeyTest, FullAddressInUpperCaseHex)
{
    char key[TextureCache::NameLength];
    TextureKey(reinterpret_cast<const BYTE*>(uintptr_t(0x1234ABCDEF01ull)), key);
    EXPECT_STREQ("1234ABCDEF01", key);
    TextureKey(reinterpret_cast<const BYTE*>(uintptr_t(0xFFFFFFFFFFFFFFFFull)), key);
    EXPECT_STREQ("FFFFFFFFFFFFFFFF", key);
    TextureKey(reinterpret_cast<const BYTE*>(uintptr_t(0xABCull)), key);
    EXPECT_STREQ("ABC", key);
}

} // namespace
