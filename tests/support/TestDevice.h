// A real Direct3D 8 device on a hidden window, with a lockable back buffer,
// for tests that draw and read the picture back.
#pragma once

#include "Image.h"

#include <windows.h>
#include <d3d8.h>

#include <string>

// "what failed: 0x8876086C", for assertion messages.
std::string DescribeFailure(const char* what, HRESULT hr);

class TestDevice {
public:
    // Creates a windowed HAL device with software vertex processing, a
    // width x height back buffer in the desktop's format and, when the
    // device offers one, a depth/stencil buffer.
    explicit TestDevice(int width = 64, int height = 64);
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    bool Ok() const { return device_ != nullptr; }
    const std::string& Error() const { return error_; }

    IDirect3D8* D3D() const { return d3d_; }
    IDirect3DDevice8* Device() const { return device_; }
    HWND Window() const { return window_; }
    const D3DPRESENT_PARAMETERS& Parameters() const { return parameters_; }

    Image ReadBackBuffer() const;

    // Reads any surface of the device: directly when it can be locked, else
    // through a system-memory copy (render targets).
    static Image ReadSurface(IDirect3DDevice8* device, IDirect3DSurface8* surface);

private:
    IDirect3D8* d3d_ = nullptr;
    IDirect3DDevice8* device_ = nullptr;
    HWND window_ = nullptr;
    D3DPRESENT_PARAMETERS parameters_ = {};
    std::string error_;
};
