#include "effects/CLogo.h"

#include "LogoMedia.h"
#include "framework/AppAccess.h"
#include "framework/ReleaseAndClear.h"

#include "ShaderDeclarations.h"
#include "productshaders.h"

#include "framework/OruApplication.h"
#include "scene/OruSceneContext.h"
#include "scene/OruWorld.h"
#include "servers/SBServer.h"
#include "servers/StateTokens.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"
#include "texture/TextureCache.h"
#include "trace/TraceD3DResult.h"
#include "scene/FrameStep.h"

#include <cmath>

namespace {

const DWORD LogoStateTokens[] = {
    D3DRS_ZWRITEENABLE, TRUE,
    D3DRS_ALPHABLENDENABLE, TRUE,
    D3DRS_SRCBLEND, D3DBLEND_SRCALPHA,
    D3DRS_DESTBLEND, D3DBLEND_ONE,
    D3DRS_FOGENABLE, TRUE,
    D3DRS_FOGCOLOR, 0x001020C0,
    D3DRS_CULLMODE, D3DCULL_NONE,
    StateTokenPixelShaderStop,
    StateTokenColourStage, 3, 0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
    StateTokenAlphaStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
    D3DRS_TEXTUREFACTOR, 0x40808080,
    StateTokenColourStage, 3, 1, D3DTOP_BLENDFACTORALPHA, D3DTA_TEXTURE, D3DTA_CURRENT,
    StateTokenAlphaStage, 1, 1, D3DTOP_DISABLE,
    StateTokenEnd,
};

// 0 vs9 (with pixel shaders), 1 ps9, 2 it1 (without).
const ShaderSet LogoShaders = {{LogoDeclaration, nullptr, LogoDeclaration}, {vs9Vsh, ps9Psh, it1Vsh}, 3};
const int ReflectingShader = 0;
const int LogoPixelShader = 1;
const int LitShader = 2;
const int NormalMapTexture = 0;
const int PictureTexture = 1;

void SetMatrix(IDirect3DDevice8* device, DWORD reg, const D3DXMATRIX& m)
{
    device->SetVertexShaderConstant(reg, &m, 4);
}

} // namespace

CLogo::CLogo() : cubeTexture(nullptr)
{
    SetName("CLogo");
    AddXMesh(LogoMesh, 0x112, 32, 0);
    AddTexture(LogoTextures[0]->data, LogoTextures[0]->size);
    AddTexture(LogoTextures[1]->data, LogoTextures[1]->size);
    shaders = LogoShaders;
    position = Vector3(0, 0, 0);
    noCull = 1;
    stateTokens = LogoStateTokens;
}

HRESULT CLogo::InitDeviceObjects()
{
    return PimVertexObject::InitDeviceObjects();
}

HRESULT CLogo::RestoreDeviceObjects()
{
    OruApplication* app = App();
    IDirect3DDevice8* device = app ? app->device : nullptr;
    if (device && DeviceHasPixelShaders()) {
        ReleaseAndClear(cubeTexture);
        const HRESULT hr = LoadCubeTexture(device, LogoCubeTexture->data, LogoCubeTexture->size, &cubeTexture);
        TRACE_D3D(hr);
        if (hr != 0)
            return hr;
    }
    return PimVertexObject::RestoreDeviceObjects();
}

HRESULT CLogo::InvalidateDeviceObjects()
{
    ReleaseAndClear(cubeTexture);
    PimVertexObject::InvalidateDeviceObjects();
    return 0;
}

HRESULT CLogo::DeleteDeviceObjects()
{
    PimVertexObject::DeleteDeviceObjects();
    return 0;
}

void CLogo::Update(float time, float prevTime)
{
    const float dt = FrameStep(time, prevTime);
    roll -= dt;
    yaw -= 0.5f * dt;
    PimVertexObject::Update(time, prevTime);
}

HRESULT CLogo::Render()
{
    OruApplication* app = App();
    OruWorld* host = app ? app->world : nullptr;
    if (host && host->warmedUp)
        return 0;
    IDirect3DDevice8* device = app ? app->device : nullptr;
    const OruMeshRecord& mesh = meshes[0];
    // A mesh that did not load has no buffers and nothing to draw.
    const int primitives = useStrips ? mesh.faceCount - 2 : mesh.faceCount;
    if (!device || meshCount < 1 || !mesh.vertexBuffer || !mesh.indexBuffer || mesh.vertexCount <= 0 ||
        primitives <= 0)
        return 0;

    OruSceneContext* scene = OruSceneContext::Current();
    if (SBServer* blocks = scene ? scene->StateBlocks() : nullptr)
        blocks->SetSB(stateBlock);

    // The rows of world as they are (vs9's tangent frame reads them), then
    // the transposed matrices.
    SetMatrix(device, 48, world);
    SetMatrix(device, 52, worldT);
    SetMatrix(device, 40, worldViewProjT);
    SetMatrix(device, 44, worldViewT);
    const float logo[4] = {0, 0, 0, 10.0f};
    device->SetVertexShaderConstant(22, logo, 1);

    const bool pixelShaders = DeviceHasPixelShaders();
    if (VSServer* server = Shaders())
        server->SetShaders(shaderHandles[pixelShaders ? ReflectingShader : LitShader], shaderHandles[LogoPixelShader],
                           0);
    if (VBServer* server = Buffers()) {
        server->SetStream(0, mesh.vertexBuffer, 32, 0);
        server->SetIndexBuffer(mesh.indexBuffer, 0, 0);
    }

    if (pixelShaders) {
        device->SetTexture(0, textures[NormalMapTexture]);
        device->SetTexture(1, nullptr);
        device->SetTexture(2, nullptr);
        device->SetTexture(3, cubeTexture);
    } else {
        // Stage 1 blends in a second, drifting layer of the same picture;
        // the stages after it hold nothing left over from other draws.
        device->SetTexture(0, textures[PictureTexture]);
        device->SetTexture(1, textures[PictureTexture]);
        device->SetTexture(2, nullptr);
        device->SetTexture(3, nullptr);
    }

    if (useStrips)
        device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, mesh.vertexCount, 0, primitives);
    else
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, mesh.vertexCount, 0, primitives);
    return 0;
}
