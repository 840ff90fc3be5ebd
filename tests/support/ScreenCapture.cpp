#include "ScreenCapture.h"

Image ScreenCapture::Client(HWND window)
{
    Image image;
    RECT client;
    if (!IsWindow(window) || !GetClientRect(window, &client))
        return image;
    const int w = client.right - client.left, h = client.bottom - client.top;
    if (w <= 0 || h <= 0)
        return image;
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY)) {
            GdiFlush();
            image.width = w;
            image.height = h;
            const uint32_t* p = static_cast<const uint32_t*>(bits);
            image.pixels.assign(p, p + size_t(w) * size_t(h));
            for (uint32_t& px : image.pixels)
                px |= 0xFF000000u;
        }
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}
