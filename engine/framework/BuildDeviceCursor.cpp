#include "BuildDeviceCursor.h"

#include <cstddef>
#include <utility>

namespace {

// The overlay marker, one 16-bit word per row; column x is bit 15 - x.
const uint16_t OverlayRows[5] = {0xCCC0, 0xA2A0, 0xA4A0, 0xA2A0, 0xCCC0};
const int32_t OverlayWidth = 12;
const int32_t OverlayHeight = 5;

// Reads rows scan lines of bitmap as 32-bit pixels into pixels, bottom row
// first. rows may be fewer than the bitmap's height (the colour bitmap) or
// all of it (the mask).
bool ReadPixels(HDC dc, HBITMAP bitmap, int32_t width, int32_t rows, std::vector<uint32_t>& pixels)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = rows;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.assign(size_t(width) * size_t(rows), 0);
    return GetDIBits(dc, bitmap, 0, UINT(rows), pixels.data(), &info, DIB_RGB_COLORS) == rows;
}

// Owns the two bitmaps GetIconInfo hands out.
struct IconBitmaps {
    ICONINFO info = {};
    ~IconBitmaps()
    {
        if (info.hbmMask)
            DeleteObject(info.hbmMask);
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
    }
};

} // namespace

HRESULT ReadCursorBitmaps(HICON cursor, CursorBitmaps* bitmaps)
{
    if (!cursor || !bitmaps)
        return E_INVALIDARG;
    IconBitmaps icon;
    if (!GetIconInfo(cursor, &icon.info))
        return E_FAIL;
    BITMAP mask = {};
    if (!icon.info.hbmMask || GetObjectA(icon.info.hbmMask, sizeof mask, &mask) != int(sizeof mask))
        return E_FAIL;

    CursorBitmaps read;
    read.hotSpot.x = LONG(icon.info.xHotspot);
    read.hotSpot.y = LONG(icon.info.yHotspot);
    read.monochrome = icon.info.hbmColor == nullptr;
    read.width = mask.bmWidth;
    read.height = read.monochrome ? mask.bmHeight / 2 : mask.bmHeight;
    if (read.width <= 0 || read.height <= 0)
        return E_FAIL;

    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return E_FAIL;
    bool ok = ReadPixels(dc, icon.info.hbmMask, read.width, mask.bmHeight, read.mask);
    if (ok && !read.monochrome)
        ok = ReadPixels(dc, icon.info.hbmColor, read.width, read.height, read.colour);
    DeleteDC(dc);
    if (!ok)
        return E_FAIL;
    *bitmaps = std::move(read);
    return S_OK;
}

void BuildCursorPixels(const CursorBitmaps& bitmaps, int32_t overlay, void* bits, int32_t pitch)
{
    const int32_t w = bitmaps.width;
    const int32_t h = bitmaps.height;
    for (int32_t y = 0; y < h; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(bits) + ptrdiff_t(y) * pitch);
        // The arrays are bottom-up. A monochrome mask has its AND half on
        // top, which the array holds in its last h rows, and its XOR half,
        // the colour, in its first h rows.
        const uint32_t* andRow;
        const uint32_t* colourRow;
        if (bitmaps.monochrome) {
            andRow = &bitmaps.mask[size_t(2 * h - 1 - y) * size_t(w)];
            colourRow = &bitmaps.mask[size_t(h - 1 - y) * size_t(w)];
        } else {
            andRow = &bitmaps.mask[size_t(h - 1 - y) * size_t(w)];
            colourRow = &bitmaps.colour[size_t(h - 1 - y) * size_t(w)];
        }
        for (int32_t x = 0; x < w; ++x) {
            // GetDIBits leaves the top byte of a 32-bit BI_RGB pixel
            // undefined; only the colour bytes count.
            const bool opaque = (andRow[x] & 0x00FFFFFFu) == 0;
            row[x] = opaque ? (colourRow[x] | 0xFF000000u) : 0;
        }
    }
    if (!overlay)
        return;
    const int32_t overlayHeight = h < OverlayHeight ? h : OverlayHeight;
    const int32_t overlayWidth = w < OverlayWidth ? w : OverlayWidth;
    for (int32_t y = 0; y < overlayHeight; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(bits) + ptrdiff_t(y) * pitch);
        for (int32_t x = 0; x < overlayWidth; ++x)
            if (OverlayRows[y] & (0x8000u >> x))
                row[x] |= 0xFF808080u;
    }
}

HRESULT BuildDeviceCursor(IDirect3DDevice8* device, HICON cursor, int32_t overlay)
{
    if (!device || !cursor)
        return E_INVALIDARG;
    CursorBitmaps bitmaps;
    HRESULT hr = ReadCursorBitmaps(cursor, &bitmaps);
    if (FAILED(hr))
        return hr;

    IDirect3DSurface8* surface = nullptr;
    hr = device->CreateImageSurface(UINT(bitmaps.width), UINT(bitmaps.height), D3DFMT_A8R8G8B8, &surface);
    if (FAILED(hr))
        return hr;
    D3DLOCKED_RECT locked;
    hr = surface->LockRect(&locked, nullptr, 0);
    if (SUCCEEDED(hr)) {
        BuildCursorPixels(bitmaps, overlay, locked.pBits, locked.Pitch);
        surface->UnlockRect();
        hr = device->SetCursorProperties(UINT(bitmaps.hotSpot.x), UINT(bitmaps.hotSpot.y), surface);
    }
    surface->Release();
    return hr;
}
