#include "TestApp.h"

TestApp::TestApp(IDirect3DDevice8* d, OruWorld* w)
{
    device = d;
    if (d)
        d->GetDeviceCaps(&caps);
    world = w;
}

TestApp::~TestApp()
{
    device = nullptr;
    world = nullptr;
}

void TestApp::SetDepthFormat(D3DFORMAT format)
{
    adapterCount = 1;
    adapters[0].currentDevice = 0;
    adapters[0].devices[0].currentMode = 0;
    adapters[0].devices[0].modes[0].depthStencilFormat = format;
    depthBufferOn = format != D3DFMT_UNKNOWN;
}

void TestApp::SquareProjection()
{
    D3DXMatrixPerspectiveFovLH(&projection, fieldOfView, 1.0f, 0.1f, 100.0f);
}
