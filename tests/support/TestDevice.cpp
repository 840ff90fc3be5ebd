#include "TestDevice.h"

#include "D3D8Library.h"

#include <cstdio>

namespace {

const char* const WindowClass = "ReefTestDeviceWindow";

HWND CreateHiddenWindow(int width, int height)
{
    static bool registered = false;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = instance;
        wc.lpszClassName = WindowClass;
        registered = RegisterClassA(&wc) != 0;
    }
    return CreateWindowA(WindowClass, "test device", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr, nullptr,
                         instance, nullptr);
}

} // namespace

std::string DescribeFailure(const char* what, HRESULT hr)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s failed: 0x%08lX", what, static_cast<unsigned long>(hr));
    return text;
}

namespace {

uint32_t Expand(uint32_t v, int bits)
{
    uint32_t max = (1u << bits) - 1;
    return (v * 255u + max / 2) / max;
}

// One pixel of a locked surface as 0xAARRGGBB; false for formats we do not read.
bool ToArgb(D3DFORMAT format, const uint8_t* p, uint32_t& out)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        out = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        return true;
    case D3DFMT_R8G8B8:
        out = 0xFF000000u | uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        return true;
    case D3DFMT_R5G6B5: {
        uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8;
        out = 0xFF000000u | Expand(v >> 11, 5) << 16 | Expand((v >> 5) & 63, 6) << 8 | Expand(v & 31, 5);
        return true;
    }
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: {
        uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8;
        uint32_t a = (format == D3DFMT_X1R5G5B5 || (v & 0x8000)) ? 0xFF : 0;
        out = a << 24 | Expand((v >> 10) & 31, 5) << 16 | Expand((v >> 5) & 31, 5) << 8 | Expand(v & 31, 5);
        return true;
    }
    default:
        return false;
    }
}

int BytesPerPixel(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        return 4;
    case D3DFMT_R8G8B8:
        return 3;
    default:
        return 2;
    }
}

Image ReadLocked(IDirect3DSurface8* surface, const D3DSURFACE_DESC& desc)
{
    Image image;
    D3DLOCKED_RECT locked;
    if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return image;
    image.width = int(desc.Width);
    image.height = int(desc.Height);
    image.pixels.resize(size_t(desc.Width) * desc.Height);
    const int step = BytesPerPixel(desc.Format);
    bool known = true;
    for (UINT y = 0; y < desc.Height && known; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch);
        for (UINT x = 0; x < desc.Width && known; ++x)
            known = ToArgb(desc.Format, row + size_t(x) * step, image.pixels[size_t(y) * desc.Width + x]);
    }
    surface->UnlockRect();
    if (!known)
        image = Image();
    return image;
}

} // namespace

TestDevice::TestDevice(int width, int height)
{
    d3d_ = D3D8Library::Create();
    if (!d3d_) {
        error_ = "Direct3DCreate8 gave no object";
        return;
    }
    window_ = CreateHiddenWindow(width, height);
    if (!window_) {
        error_ = "the test window could not be created";
        return;
    }
    D3DDISPLAYMODE mode;
    HRESULT hr = d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
    if (FAILED(hr)) {
        error_ = DescribeFailure("GetAdapterDisplayMode", hr);
        return;
    }
    parameters_.Windowed = TRUE;
    parameters_.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters_.BackBufferFormat = mode.Format;
    parameters_.BackBufferWidth = UINT(width);
    parameters_.BackBufferHeight = UINT(height);
    parameters_.BackBufferCount = 1;
    parameters_.hDeviceWindow = window_;
    parameters_.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    for (D3DFORMAT depth : {D3DFMT_D24S8, D3DFMT_D16}) {
        if (SUCCEEDED(d3d_->CheckDepthStencilMatch(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format, mode.Format, depth))) {
            parameters_.EnableAutoDepthStencil = TRUE;
            parameters_.AutoDepthStencilFormat = depth;
            break;
        }
    }
    hr = d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                            &parameters_, &device_);
    if (FAILED(hr)) {
        device_ = nullptr;
        error_ = DescribeFailure("CreateDevice", hr);
    }
}

TestDevice::~TestDevice()
{
    if (device_)
        device_->Release();
    if (d3d_)
        d3d_->Release();
    if (window_)
        DestroyWindow(window_);
}

Image TestDevice::ReadBackBuffer() const
{
    Image image;
    IDirect3DSurface8* back = nullptr;
    if (!device_ || FAILED(device_->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back)))
        return image;
    image = ReadSurface(device_, back);
    back->Release();
    return image;
}

Image TestDevice::ReadSurface(IDirect3DDevice8* device, IDirect3DSurface8* surface)
{
    D3DSURFACE_DESC desc;
    if (!surface || FAILED(surface->GetDesc(&desc)))
        return Image();
    Image image = ReadLocked(surface, desc);
    if (!image.Empty() || !device)
        return image;

    IDirect3DSurface8* copy = nullptr;
    if (FAILED(device->CreateImageSurface(desc.Width, desc.Height, desc.Format, &copy)))
        return image;
    if (SUCCEEDED(device->CopyRects(surface, nullptr, 0, copy, nullptr)))
        image = ReadLocked(copy, desc);
    copy->Release();
    return image;
}
