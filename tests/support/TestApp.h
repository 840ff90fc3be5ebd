// The application for tests that reach the engine through App(): a device
// and a world that the test owns and lends (neither is released here), the
// device's caps, and on request a depth/stencil format for the current
// choice and a square projection.
#pragma once

#include "framework/OruApplication.h"

#include <windows.h>
#include <d3d8.h>

class TestApp : public OruApplication {
public:
    // Reads the caps of device when one is given.
    explicit TestApp(IDirect3DDevice8* device = nullptr, OruWorld* world = nullptr);
    ~TestApp() override;

    // The current choice's depth/stencil format, which GetStencilBits reads;
    // D3DFMT_UNKNOWN: no depth buffer.
    void SetDepthFormat(D3DFORMAT format);
    // The projection of a square view at fieldOfView, depth 0.1 to 100.
    void SquareProjection();
};
