// Cursor images for the device: pixels built from real GDI cursors and icons
// (colour and monochrome, large and tiny, with and without the overlay
// marker), and the hardware cursor set on a real device.

#include "framework/BuildDeviceCursor.h"

#include "TestDevice.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace {

using Pattern = std::function<bool(int x, int y)>;
using Colour = std::function<uint32_t(int x, int y)>;

// The overlay marker as it appears on screen, top row first.
const char* const Marker[5] = {
    "XX..XX..XX..",
    "X.X...X.X.X.",
    "X.X..X..X.X.",
    "X.X...X.X.X.",
    "XX..XX..XX..",
};

bool InMarker(int x, int y)
{
    return x < 12 && y < 5 && Marker[y][x] == 'X';
}

// Monochrome bitmap rows as GDI wants them: top row first, bit 7 of the
// first byte leftmost, each row padded to 16 bits.
std::vector<uint8_t> MonoBits(int width, int height, const Pattern& set)
{
    const int stride = (width + 15) / 16 * 2;
    std::vector<uint8_t> bits(size_t(stride) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (set(x, y))
                bits[size_t(y) * stride + x / 8] |= uint8_t(0x80 >> (x % 8));
    return bits;
}

HBITMAP MonoBitmap(int width, int height, const Pattern& set)
{
    std::vector<uint8_t> bits = MonoBits(width, height, set);
    return CreateBitmap(width, height, 1, 1, bits.data());
}

HBITMAP ColourBitmap(int width, int height, const Colour& colour)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return nullptr;
    auto* pixels = static_cast<uint32_t*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[size_t(y) * width + x] = colour(x, y) & 0x00FFFFFFu; // no alpha: a plain colour cursor
    GdiFlush();
    return bitmap;
}

// A cursor made with CreateIconIndirect from a colour bitmap and a mask.
HICON ColourCursor(int width, int height, POINT hotSpot, const Pattern& transparent, const Colour& colour)
{
    ICONINFO info = {};
    info.fIcon = FALSE;
    info.xHotspot = DWORD(hotSpot.x);
    info.yHotspot = DWORD(hotSpot.y);
    info.hbmMask = MonoBitmap(width, height, transparent);
    info.hbmColor = ColourBitmap(width, height, colour);
    HICON cursor = CreateIconIndirect(&info);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    return cursor;
}

// A monochrome cursor: with CreateCursor, or with CreateIconIndirect from one
// mask bitmap of twice the height holding AND above XOR.
HICON MonoCursor(bool indirect, int width, int height, POINT hotSpot, const Pattern& andBit, const Pattern& xorBit)
{
    if (!indirect) {
        std::vector<uint8_t> andBits = MonoBits(width, height, andBit);
        std::vector<uint8_t> xorBits = MonoBits(width, height, xorBit);
        return CreateCursor(GetModuleHandleA(nullptr), hotSpot.x, hotSpot.y, width, height, andBits.data(),
                            xorBits.data());
    }
    ICONINFO info = {};
    info.fIcon = FALSE;
    info.xHotspot = DWORD(hotSpot.x);
    info.yHotspot = DWORD(hotSpot.y);
    info.hbmMask = MonoBitmap(width, 2 * height,
                              [&](int x, int y) { return y < height ? andBit(x, y) : xorBit(x, y - height); });
    HICON cursor = CreateIconIndirect(&info);
    DeleteObject(info.hbmMask);
    return cursor;
}

// Cursor pixels built into a buffer with a few spare words after every row
// and a spare row below, all holding a guard value that must survive.
class PixelBuffer {
public:
    static constexpr uint32_t Guard = 0xDEADBEEFu;

    PixelBuffer(int width, int height)
        : width_(width), height_(height), words_(size_t(width + Spare) * (height + 1), Guard)
    {
    }

    void Build(const CursorBitmaps& bitmaps, int32_t overlay)
    {
        BuildCursorPixels(bitmaps, overlay, words_.data(), int32_t((width_ + Spare) * sizeof(uint32_t)));
    }

    uint32_t At(int x, int y) const { return words_[size_t(y) * (width_ + Spare) + x]; }

    // Every word outside the width x height image still holds the guard.
    bool GuardsIntact() const
    {
        for (int y = 0; y <= height_; ++y)
            for (int x = 0; x < width_ + Spare; ++x)
                if ((y == height_ || x >= width_) && At(x, y) != Guard)
                    return false;
        return true;
    }

private:
    static constexpr int Spare = 3;
    int width_;
    int height_;
    std::vector<uint32_t> words_;
};

// Checks every pixel against the expected one and stops at the first few
// mismatches so that a wrong image does not flood the log.
void ExpectPixels(const PixelBuffer& buffer, int width, int height, const Colour& expected)
{
    int mismatches = 0;
    for (int y = 0; y < height && mismatches < 5; ++y)
        for (int x = 0; x < width && mismatches < 5; ++x)
            if (buffer.At(x, y) != expected(x, y)) {
                ++mismatches;
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << buffer.At(x, y) << ", expected "
                              << expected(x, y);
            }
    EXPECT_TRUE(buffer.GuardsIntact()) << "pixels were written outside the image";
}

// A colour that differs in every pixel and is never 0.
uint32_t Gradient(int x, int y)
{
    return uint32_t(x * 8) << 16 | uint32_t(y * 8) << 8 | 0x40u;
}

struct CursorHandle {
    HICON handle;
    ~CursorHandle()
    {
        if (handle)
            DestroyCursor(handle);
    }
};

} // namespace

TEST(CursorPixels, ColourCursor)
{
    // Transparent in the right-hand columns, the bottom rows and a diagonal,
    // so a mirrored or flipped mask shows.
    const Pattern transparent = [](int x, int y) { return x >= 20 || y >= 24 || x == y; };
    CursorHandle cursor{ColourCursor(32, 32, {5, 7}, transparent, Gradient)};
    ASSERT_NE(nullptr, cursor.handle);

    CursorBitmaps bitmaps;
    ASSERT_EQ(S_OK, ReadCursorBitmaps(cursor.handle, &bitmaps));
    EXPECT_EQ(32, bitmaps.width);
    EXPECT_EQ(32, bitmaps.height);
    EXPECT_EQ(5, bitmaps.hotSpot.x);
    EXPECT_EQ(7, bitmaps.hotSpot.y);
    EXPECT_FALSE(bitmaps.monochrome);
    EXPECT_EQ(32u * 32u, bitmaps.mask.size());
    EXPECT_EQ(32u * 32u, bitmaps.colour.size());

    PixelBuffer buffer(32, 32);
    buffer.Build(bitmaps, 0);
    ExpectPixels(buffer, 32, 32, [&](int x, int y) { return transparent(x, y) ? 0u : 0xFF000000u | Gradient(x, y); });
}

TEST(CursorPixels, MonochromeCursor)
{
    // AND clear (opaque) in the top-left 16 x 20 block; XOR set (white) in
    // the top 8 rows and every third column, both inside and outside the
    // opaque block: outside it the pixel is transparent whatever XOR says.
    const Pattern andBit = [](int x, int y) { return !(x < 16 && y < 20); };
    const Pattern xorBit = [](int x, int y) { return y < 8 || x % 3 == 0; };
    const Colour expected = [&](int x, int y) {
        return andBit(x, y) ? 0u : (xorBit(x, y) ? 0xFFFFFFFFu : 0xFF000000u);
    };
    for (bool indirect : {false, true}) {
        SCOPED_TRACE(indirect ? "CreateIconIndirect" : "CreateCursor");
        CursorHandle cursor{MonoCursor(indirect, 32, 32, {3, 30}, andBit, xorBit)};
        ASSERT_NE(nullptr, cursor.handle);

        CursorBitmaps bitmaps;
        ASSERT_EQ(S_OK, ReadCursorBitmaps(cursor.handle, &bitmaps));
        EXPECT_EQ(32, bitmaps.width);
        EXPECT_EQ(32, bitmaps.height); // half of the 32 x 64 mask
        EXPECT_EQ(3, bitmaps.hotSpot.x);
        EXPECT_EQ(30, bitmaps.hotSpot.y);
        EXPECT_TRUE(bitmaps.monochrome);
        EXPECT_EQ(32u * 64u, bitmaps.mask.size());
        EXPECT_TRUE(bitmaps.colour.empty());

        PixelBuffer buffer(32, 32);
        buffer.Build(bitmaps, 0);
        ExpectPixels(buffer, 32, 32, expected);
    }
}

TEST(CursorPixels, OverlayMarker)
{
    struct Case {
        const char* name;
        bool monochrome;
        int width, height;
        Pattern transparent; // colour cursors: mask; monochrome: AND
    };
    const Case cases[] = {
        {"opaque colour 32x32", false, 32, 32, [](int, int) { return false; }},
        {"transparent colour 32x32", false, 32, 32, [](int, int) { return true; }},
        {"half transparent colour 32x32", false, 32, 32, [](int x, int) { return x >= 6; }},
        {"opaque colour 8x4", false, 8, 4, [](int, int) { return false; }},
        {"transparent colour 8x4", false, 8, 4, [](int, int) { return true; }},
        {"monochrome 16x16", true, 16, 16, [](int x, int y) { return (x + y) % 2 == 0; }},
        {"monochrome 8x4", true, 8, 4, [](int, int) { return false; }},
    };
    // Monochrome cursors are black where opaque.
    const Pattern black = [](int, int) { return false; };
    for (const Case& c : cases) {
        const Colour base = [&](int x, int y) {
            if (c.transparent(x, y))
                return 0u;
            return c.monochrome ? 0xFF000000u : 0xFF000000u | Gradient(x, y);
        };
        CursorHandle cursor{c.monochrome ? MonoCursor(true, c.width, c.height, {0, 0}, c.transparent, black)
                                         : ColourCursor(c.width, c.height, {0, 0}, c.transparent, Gradient)};
        ASSERT_NE(nullptr, cursor.handle) << c.name;
        CursorBitmaps bitmaps;
        ASSERT_EQ(S_OK, ReadCursorBitmaps(cursor.handle, &bitmaps)) << c.name;
        ASSERT_EQ(c.width, bitmaps.width) << c.name;
        ASSERT_EQ(c.height, bitmaps.height) << c.name;

        for (int32_t overlay : {0, 1}) {
            SCOPED_TRACE(::testing::Message() << c.name << (overlay ? " with" : " without") << " overlay");
            PixelBuffer buffer(c.width, c.height);
            buffer.Build(bitmaps, overlay);
            ExpectPixels(buffer, c.width, c.height, [&](int x, int y) {
                return overlay && InMarker(x, y) ? base(x, y) | 0xFF808080u : base(x, y);
            });
        }
    }
}

TEST(CursorPixels, RejectsMissingOrInvalidCursor)
{
    CursorBitmaps bitmaps;
    EXPECT_EQ(E_INVALIDARG, ReadCursorBitmaps(nullptr, &bitmaps));
    EXPECT_EQ(E_FAIL, ReadCursorBitmaps(reinterpret_cast<HICON>(uintptr_t(0x7A3D5)), &bitmaps));

    HICON destroyed = ColourCursor(16, 16, {0, 0}, [](int, int) { return false; }, Gradient);
    ASSERT_NE(nullptr, destroyed);
    ASSERT_TRUE(DestroyCursor(destroyed));
    EXPECT_EQ(E_FAIL, ReadCursorBitmaps(destroyed, &bitmaps));
    EXPECT_EQ(0, bitmaps.width);
    EXPECT_TRUE(bitmaps.mask.empty());
}

class DeviceCursorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device_.Ok()) << device_.Error(); }

    // The device's reference count; every surface the device hands out
    // holds one more.
    ULONG DeviceReferences() const
    {
        device_.Device()->AddRef();
        return device_.Device()->Release();
    }

    TestDevice device_;
};

TEST_F(DeviceCursorTest, SetsSystemArrow)
{
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(nullptr, arrow);
    EXPECT_EQ(S_OK, BuildDeviceCursor(device_.Device(), arrow, 0));
    EXPECT_EQ(S_OK, BuildDeviceCursor(device_.Device(), arrow, 1));
    // The shared system cursor is left intact.
    CursorBitmaps bitmaps;
    EXPECT_EQ(S_OK, ReadCursorBitmaps(arrow, &bitmaps));
}

// Wine's device shows a 32 x 32 cursor as a native cursor made from the
// surface's pixels: reading that cursor back shows what reached the device.
TEST_F(DeviceCursorTest, DeviceShowsTheBuiltImage)
{
    const Pattern transparent = [](int x, int y) { return x >= 20 || y >= 24 || x == y; };
    const Pattern andBit = [](int x, int) { return x >= 10; };
    const Pattern xorBit = [](int, int y) { return y < 3; };
    struct Case {
        const char* name;
        HICON cursor;
        int32_t overlay;
        POINT hotSpot;
        Colour expected;
    };
    const Case cases[] = {
        {"colour with overlay", ColourCursor(32, 32, {5, 7}, transparent, Gradient), 1, {5, 7},
         [&](int x, int y) {
             uint32_t base = transparent(x, y) ? 0u : 0xFF000000u | Gradient(x, y);
             return InMarker(x, y) ? base | 0xFF808080u : base;
         }},
        {"monochrome", MonoCursor(false, 32, 32, {1, 30}, andBit, xorBit), 0, {1, 30},
         [&](int x, int y) { return andBit(x, y) ? 0u : (xorBit(x, y) ? 0xFFFFFFFFu : 0xFF000000u); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CursorHandle cursor{c.cursor};
        ASSERT_NE(nullptr, cursor.handle);
        ASSERT_EQ(S_OK, BuildDeviceCursor(device_.Device(), cursor.handle, c.overlay));
        device_.Device()->ShowCursor(TRUE);

        HCURSOR shown = GetCursor();
        ASSERT_NE(nullptr, shown);
        ASSERT_NE(cursor.handle, shown);
        CursorBitmaps bitmaps;
        ASSERT_EQ(S_OK, ReadCursorBitmaps(shown, &bitmaps));
        ASSERT_EQ(32, bitmaps.width);
        ASSERT_EQ(32, bitmaps.height);
        ASSERT_FALSE(bitmaps.monochrome);
        EXPECT_EQ(c.hotSpot.x, bitmaps.hotSpot.x);
        EXPECT_EQ(c.hotSpot.y, bitmaps.hotSpot.y);
        int mismatches = 0;
        for (int y = 0; y < 32 && mismatches < 5; ++y)
            for (int x = 0; x < 32 && mismatches < 5; ++x) {
                const uint32_t actual = bitmaps.colour[size_t(31 - y) * 32 + x]; // bottom row first
                if (actual != c.expected(x, y)) {
                    ++mismatches;
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << actual << ", expected "
                                  << c.expected(x, y);
                }
            }
    }
}

TEST_F(DeviceCursorTest, PassesOnTheDevicesRefusal)
{
    // The device takes cursors of power-of-two sizes only.
    CursorHandle cursor{ColourCursor(48, 48, {0, 0}, [](int, int) { return false; }, Gradient)};
    ASSERT_NE(nullptr, cursor.handle);
    EXPECT_EQ(D3DERR_INVALIDCALL, BuildDeviceCursor(device_.Device(), cursor.handle, 1));
}

TEST_F(DeviceCursorTest, ReleasesTheSurface)
{
    const ULONG before = DeviceReferences();
    CursorHandle accepted{ColourCursor(32, 32, {0, 0}, [](int, int) { return false; }, Gradient)};
    CursorHandle refused{ColourCursor(48, 48, {0, 0}, [](int, int) { return false; }, Gradient)};
    ASSERT_EQ(S_OK, BuildDeviceCursor(device_.Device(), accepted.handle, 1));
    EXPECT_EQ(before, DeviceReferences());
    ASSERT_TRUE(FAILED(BuildDeviceCursor(device_.Device(), refused.handle, 1)));
    EXPECT_EQ(before, DeviceReferences());
}

TEST_F(DeviceCursorTest, FailsCleanly)
{
    const ULONG before = DeviceReferences();
    EXPECT_EQ(E_INVALIDARG, BuildDeviceCursor(nullptr, LoadCursorA(nullptr, IDC_ARROW), 0));
    EXPECT_EQ(E_INVALIDARG, BuildDeviceCursor(device_.Device(), nullptr, 0));
    EXPECT_EQ(E_FAIL, BuildDeviceCursor(device_.Device(), reinterpret_cast<HICON>(uintptr_t(0x7A3D5)), 1));
    HICON destroyed = ColourCursor(16, 16, {0, 0}, [](int, int) { return false; }, Gradient);
    ASSERT_NE(nullptr, destroyed);
    ASSERT_TRUE(DestroyCursor(destroyed));
    EXPECT_EQ(E_FAIL, BuildDeviceCursor(device_.Device(), destroyed, 0));
    EXPECT_EQ(before, DeviceReferences());
}
