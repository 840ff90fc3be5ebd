// Turns a Windows cursor or icon into a Direct3D 8 device's hardware cursor.
// The work is split so that the pixel-building step can be checked on its
// own: ReadCursorBitmaps reads the cursor's bitmaps, BuildCursorPixels turns
// them into A8R8G8B8 pixels, and BuildDeviceCursor hands those to a device.
#pragma once

#include <windows.h>
#include <d3d8.h>

#include <cstdint>
#include <vector>

// A cursor's bitmaps read as 32-bit pixels (0x00RRGGBB), bottom row first as
// GetDIBits gives them.
struct CursorBitmaps {
    int32_t width = 0;
    int32_t height = 0;         // of the cursor image
    POINT hotSpot = {0, 0};
    bool monochrome = false;    // no colour bitmap: the mask holds AND above XOR
    std::vector<uint32_t> mask; // width x (monochrome ? 2 * height : height)
    std::vector<uint32_t> colour; // width x height; empty when monochrome
};

// Reads the hot spot, size and bitmaps of cursor into *bitmaps, which is
// left alone on failure. E_INVALIDARG for a null cursor or bitmaps pointer,
// E_FAIL when the cursor's information or bitmaps cannot be read.
HRESULT ReadCursorBitmaps(HICON cursor, CursorBitmaps* bitmaps);

// Writes the cursor image as A8R8G8B8 pixels into bits, a width x height
// area whose rows are pitch bytes apart, top row first. A pixel whose mask
// bit is clear takes its colour with alpha 0xFF; every other pixel is 0.
// With overlay set, a small marker is drawn over the top-left 12 x 5 pixels
// (clipped to the image).
void BuildCursorPixels(const CursorBitmaps& bitmaps, int32_t overlay, void* bits, int32_t pitch);

// Builds the cursor image on an A8R8G8B8 image surface of the device and
// makes it the device's cursor with the cursor's hot spot. Returns 0 on
// success; E_INVALIDARG for a null device or cursor; E_FAIL when the
// cursor's bitmaps cannot be read; otherwise the failing device call's code.
HRESULT BuildDeviceCursor(IDirect3DDevice8* device, HICON cursor, int32_t overlay);
