#include "app/SelApplication.h"

#include "effects/CBackPaper.h"
#include "effects/CBubbles.h"
#include "effects/CCaustic.h"
#include "effects/CFlare.h"
#include "flocks/CFlockBuilder.h"
#include "effects/CLight.h"
#include "effects/CLogo.h"
#include "effects/CMark.h"
#include "flocks/CPathWanderer.h"
#include "app/SelRandom.h"
#include "effects/SelStencilPaint.h"
#include "settings/SettingsTables.h"
#include "settings/DeviceChoiceRegistry.h"

#include "mesh/Pi.h"
#include "scene/OruCamera.h"
#include "scene/OruWorld.h"
#include "trace/DebugPrint.h"
#include "trace/TraceD3DResult.h"

#include <cstdlib>
#include <new>

namespace {
// The frame's clear colour, also the fog colour.
const D3DCOLOR SceneClearColour = 0x001020C0;
// Hardware vertex processing needs vertex shaders of at least this version.
const DWORD MinimumVertexShaderVersion = 0xFFFE0100;
// Moves of at least this many pixels (|dx| + |dy|) end the saver.
const int MouseJumpPixels = 10;
}

SaverInputAction DecideSaverInput(RunMode mode, bool mouseCamera, UINT message, POINT cursor, POINT* last)
{
    if (message == WM_CONTEXTMENU)
        return SaverInputSwallow;
    if (mode == RunModeDebug)
        return SaverInputPassOn;
    switch (message) {
    case WM_MOUSEMOVE:
        if (mouseCamera)
            return SaverInputPassOn;
        if (std::abs(cursor.x - last->x) + std::abs(cursor.y - last->y) >= MouseJumpPixels)
            return SaverInputEnd;
        *last = cursor;
        return SaverInputPassOn;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        return mouseCamera ? SaverInputPassOn : SaverInputEnd;
    case WM_KEYDOWN:
        return SaverInputEnd;
    default:
        return SaverInputPassOn;
    }
}

SelApplication::SelApplication()
{
    DebugPrint("constructor.\n");
    windowTitle = "Sel Engine Reef Glow";
    depthBufferOn = TRUE;
    depthBitsMin = 15;
    drawFlaggedObjects = 0;
    world = new (std::nothrow) OruWorld();
    fieldOfView = Pi / 3.0f;
    storedChoiceLoader = LoadDeviceFromReg;
}

SelApplication::~SelApplication()
{
    // FinalCleanup normally freed the world already.
    delete world;
    world = nullptr;
}

HRESULT SelApplication::AcceptDevice(const D3DCAPS8* caps, DWORD behaviour, D3DFORMAT)
{
    if ((behaviour & (D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING)) &&
        caps->VertexShaderVersion < MinimumVertexShaderVersion)
        return E_FAIL;
    return 0;
}

HRESULT SelApplication::Add(OruObject* object)
{
    if (!object)
        return E_OUTOFMEMORY;
    HRESULT hr = world->AddObject(object);
    if (FAILED(hr)) {
        object->FinalCleanup();
        delete object;
        return E_OUTOFMEMORY;
    }
    return 0;
}

HRESULT SelApplication::OneTimeSceneInit()
{
    DebugPrint("one time scene init.\n");
    // Without a world there is no scene: the framework shows "Not enough memory."
    if (!world)
        return E_OUTOFMEMORY;
    HRESULT hr = Add(new (std::nothrow) CCaustic());
    if (FAILED(hr))
        return hr;
    hr = AddLights();
    if (FAILED(hr))
        return hr;
    hr = Add(new (std::nothrow) CBackPaper());
    if (FAILED(hr))
        return hr;
    hr = AddMarks();
    if (FAILED(hr))
        return hr;
    hr = BuildFlocks();
    if (FAILED(hr))
        return hr;
    hr = BuildWanderingPointFish();
    if (FAILED(hr))
        return hr;
    hr = AddLogo();
    if (FAILED(hr))
        return hr;
    hr = AddBubbles();
    if (FAILED(hr))
        return hr;
    hr = Add(new (std::nothrow) CFlare());
    if (FAILED(hr))
        return hr;
    return Add(new (std::nothrow) SelStencilPaint());
}

HRESULT SelApplication::AddLights()
{
    for (int i = 0; i < 3; ++i) {
        CLight* light = new (std::nothrow) CLight();
        CPathWanderer* wanderer = light ? new (std::nothrow) CPathWanderer() : nullptr;
        if (!wanderer) {
            delete light;
            return E_OUTOFMEMORY;
        }
        wanderer->speedScale = 20.0f;
        light->mover = wanderer;
        // The world owns the light before its light list names it, so a
        // refused light never leaves a name behind.
        const HRESULT hr = Add(light);
        if (FAILED(hr))
            return hr;
        if (FAILED(world->AddLight(light, light->lightColour)))
            return E_OUTOFMEMORY;
    }
    return 0;
}

HRESULT SelApplication::AddMarks()
{
    // Each mark a tenth nearer the eye than the one before, accumulated in float.
    float distance = 50.0f;
    for (int k = 0; k < 30; ++k) {
        CMark* mark = new (std::nothrow) CMark();
        if (mark) {
            mark->distance = distance;
            mark->scale = 30.0f * SelRandUnit() + 20.0f;
        }
        const HRESULT hr = Add(mark);
        if (FAILED(hr))
            return hr;
        distance -= 0.1f;
    }
    return 0;
}

HRESULT SelApplication::AddLogo()
{
    CLogo* logo = new (std::nothrow) CLogo();
    if (logo)
        logo->position = Vector3{0.0f, 0.0f, 15.0f};
    return Add(logo);
}

HRESULT SelApplication::AddBubbles()
{
    for (int i = 0; i < 20; ++i) {
        CBubbles* bubbles = new (std::nothrow) CBubbles();
        if (bubbles) {
            // Three draws in the order x, y, z.
            const float x = 30.0f * SelRandUnit() - 15.0f;
            const float y = 8.0f * SelRandUnit() - 8.0f;
            const float z = 30.0f * SelRandUnit() - 15.0f;
            bubbles->position = Vector3{x, y, z};
        }
        const HRESULT hr = Add(bubbles);
        if (FAILED(hr))
            return hr;
    }
    CBubbles* column = new (std::nothrow) CBubbles();
    if (column) {
        column->position.y = 4.0f;
        column->scale = 20.0f;
    }
    return Add(column);
}

void SelApplication::SetDefaultRenderStates()
{
    if (world && world->camera) {
        world->camera->Reset(0);
        world->camera->SetView();
    }
    if (!device)
        return;
    for (DWORD stage = 0; stage < 4; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    }
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_ALPHAREF, 1);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGCOLOR, SceneClearColour);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
}

HRESULT SelApplication::InitDeviceObjects()
{
    ++deviceCalls_.init;
    DebugPrint("init device objects %d.\n", deviceCalls_.init);
    if (world)
        world->InitDeviceObjects();
    return 0;
}

HRESULT SelApplication::RestoreDeviceObjects()
{
    ++deviceCalls_.restore;
    DebugPrint("restore device objects %d.\n", deviceCalls_.restore);
    // The saver's first device is a temporary windowed one, replaced by the
    // full-screen switch: the scene makes its resources only after that.
    const bool firstDevice = sceneState_ == SceneState::NoDeviceYet;
    sceneState_ = SceneState::Unmade;
    if (runMode == RunModeSaver && firstDevice)
        return 0;
    if (!world)
        return E_OUTOFMEMORY;
    sceneState_ = SceneState::Partial;
    HRESULT hr = world->RestoreDeviceObjects();
    if (FAILED(hr))
        return hr;
    sceneState_ = SceneState::Restored;

    const float aspect = float(backBufferDesc.Width) / float(backBufferDesc.Height ? backBufferDesc.Height : 1);
    D3DXMatrixPerspectiveFovLH(&projection, fieldOfView, aspect, 0.1f, 100.0f);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    if (device) {
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetTransform(D3DTS_WORLD, &identity);
    }
    SetDefaultRenderStates();
    arcBall.SetWindowSize(int32_t(backBufferDesc.Width), int32_t(backBufferDesc.Height), 0.2f);
    return 0;
}

HRESULT SelApplication::InvalidateDeviceObjects()
{
    ++deviceCalls_.invalidate;
    DebugPrint("invalidate device objects %d.\n", deviceCalls_.invalidate);
    // Nothing of the scene was made since the last invalidate (the saver's
    // temporary windowed device): nothing to give back.
    if (sceneState_ != SceneState::Partial && sceneState_ != SceneState::Restored)
        return 0;
    sceneState_ = SceneState::Unmade;
    if (world)
        world->InvalidateDeviceObjects();
    return 0;
}

HRESULT SelApplication::DeleteDeviceObjects()
{
    ++deviceCalls_.remove;
    DebugPrint("delete device objects %d.\n", deviceCalls_.remove);
    if (world)
        world->DeleteDeviceObjects();
    return 0;
}

HRESULT SelApplication::UpdateScene()
{
    if (!world)
        return E_OUTOFMEMORY;
    HRESULT hr = world->UpdateAll(appTime);
    if (FAILED(hr)) {
        // Retrying every frame cannot help: say so and end.
        ShowError(hr, ErrorKindFatal);
        return hr;
    }
    return 0;
}

HRESULT SelApplication::Render()
{
    if (!device)
        return E_FAIL;
    DWORD flags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
    if (GetStencilBits() != 0)
        flags |= D3DCLEAR_STENCIL;
    device->Clear(0, nullptr, flags, SceneClearColour, 1.0f, 0);
    HRESULT hr = device->BeginScene();
    if (FAILED(hr)) {
        // No scene began: nothing is drawn this frame, and the next frame
        // tries again (a lost device is reset by the frame loop). A run of
        // refused frames is traced once.
        if (!sceneRefused_)
            TRACE_D3D(hr);
        sceneRefused_ = true;
        return 0;
    }
    sceneRefused_ = false;
    // Objects whose restore did not complete are never drawn.
    if (world && SceneRestored())
        world->Render();
    device->EndScene();
    return 0;
}

HRESULT SelApplication::FinalCleanup()
{
    DebugPrint("final clean up.\n");
    if (world) {
        world->FinalCleanup();
        delete world;
        world = nullptr;
    }
    return 0;
}

LRESULT SelApplication::MsgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    POINT cursor = {};
    if (message == WM_MOUSEMOVE)
        GetCursorPos(&cursor);
    const bool mouseCamera = SceneSetting(SceneCameraFrom) == MouseControl;
    switch (DecideSaverInput(runMode, mouseCamera, message, cursor, &lastCursorPos)) {
    case SaverInputSwallow:
        return 0;
    case SaverInputEnd:
        DebugPrint("get key/mouse\n");
        if (runMode == RunModeSaver)
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case SaverInputPassOn:
        break;
    }
    arcBall.OnMouseMessage(hwnd, message, wParam, lParam);
    return OruApplication::MsgProc(hwnd, message, wParam, lParam);
}
