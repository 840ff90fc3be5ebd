#include "PimTexViewer.h"

#include "OruSceneContext.h"

#include "framework/AppAccess.h"
#include "framework/OruApplication.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"
#include "trace/TraceD3DResult.h"

#include "ShaderDeclarations.h"
#include "productshaders.h"
#include "vsConstants.h"

#include <cstring>

const ShaderSet TexViewerShaders = {{ScreenQuadDeclaration}, {vs11Vsh}, 1};

// Depth written, no blending (the blend factors are set for whoever turns it
// on), no fog, no culling; stage 0 shows the texture's colour and alpha,
// stage 1 is off.
const DWORD TexViewerStateTokens[] = {
    D3DRS_ZWRITEENABLE, 1,
    D3DRS_ALPHABLENDENABLE, 0,
    D3DRS_SRCBLEND, D3DBLEND_SRCALPHA,
    D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA,
    D3DRS_FOGENABLE, 0,
    D3DRS_FOGCOLOR, 0x001020C0,
    D3DRS_CULLMODE, D3DCULL_NONE,
    StateTokenColourStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
    StateTokenAlphaStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
    StateTokenColourStage, 1, 1, D3DTOP_DISABLE,
    StateTokenAlphaStage, 1, 1, D3DTOP_DISABLE,
    StateTokenEnd,
};

namespace {

struct ViewerVertex {
    float x, y, z;
    float u, v;
};
static_assert(sizeof(ViewerVertex) == 20, "position and one texture coordinate pair");

const DWORD ViewerFvf = D3DFVF_XYZ | D3DFVF_TEX1;
const UINT VertexBytes = 4 * sizeof(ViewerVertex);
const WORD Indices[6] = {0, 1, 2, 1, 3, 2};
const float HeightPerWidth = 1.33f;

template <typename Buffer> void ReleaseAndClear(Buffer*& buffer)
{
    if (buffer) {
        buffer->Release();
        buffer = nullptr;
    }
}

// Copies bytes into a whole buffer; the lock's failure is returned.
template <typename Buffer> HRESULT Fill(Buffer* buffer, const void* source, UINT bytes)
{
    BYTE* data = nullptr;
    HRESULT hr = buffer->Lock(0, 0, &data, 0);
    TRACE_D3D(hr);
    if (hr == 0 && !data)
        hr = E_POINTER;
    if (hr != 0)
        return hr;
    std::memcpy(data, source, bytes);
    TRACE_D3D(buffer->Unlock());
    return 0;
}

} // namespace

PimTexViewer::PimTexViewer(float leftIn, float topIn, float widthIn)
    : shownTexture(nullptr), vertexBuffer(nullptr), indexBuffer(nullptr), top(topIn), left(leftIn), width(widthIn)
{
    SetName("PimTexViewer");
    shaders = TexViewerShaders;
    stateTokens = TexViewerStateTokens;
    noCull = 1;
}

void PimTexViewer::SetTexture(IDirect3DTexture8** source)
{
    shownTexture = source;
}

HRESULT PimTexViewer::MakeBuffers(IDirect3DDevice8* device)
{
    if (!device) {
        TRACE_D3D(D3DERR_INVALIDCALL);
        return D3DERR_INVALIDCALL;
    }
    // Whatever a failed creation leaves in its out pointer is not kept.
    IDirect3DVertexBuffer8* vb = nullptr;
    HRESULT hr = device->CreateVertexBuffer(VertexBytes, D3DUSAGE_WRITEONLY, ViewerFvf, D3DPOOL_DEFAULT, &vb);
    TRACE_D3D(hr);
    if (hr != 0 || !vb)
        return hr != 0 ? hr : E_POINTER;
    vertexBuffer = vb;
    IDirect3DIndexBuffer8* ib = nullptr;
    hr = device->CreateIndexBuffer(sizeof Indices, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib);
    TRACE_D3D(hr);
    if (hr != 0 || !ib)
        return hr != 0 ? hr : E_POINTER;
    indexBuffer = ib;

    const float h = HeightPerWidth * width;
    const ViewerVertex vertices[4] = {
        {left, top, 0, 0, 0},
        {left, top - h, 0, 0, 1},
        {left + width, top, 0, 1, 0},
        {left + width, top - h, 0, 1, 1},
    };
    hr = Fill(vertexBuffer, vertices, VertexBytes);
    if (hr != 0)
        return hr;
    return Fill(indexBuffer, Indices, sizeof Indices);
}

HRESULT PimTexViewer::RestoreDeviceObjects()
{
    ReleaseBuffers();
    HRESULT hr = MakeBuffers(Device());
    if (hr != 0) {
        // A buffer that is missing or holds no rectangle is not drawn; the
        // failure is reported so that the restore stops here.
        ReleaseBuffers();
        return hr;
    }
    hr = PimVertexObject::RestoreDeviceObjects();
    TRACE_D3D(hr);
    return hr;
}

void PimTexViewer::ReleaseBuffers()
{
    ReleaseAndClear(vertexBuffer);
    ReleaseAndClear(indexBuffer);
}

HRESULT PimTexViewer::InvalidateDeviceObjects()
{
    ReleaseBuffers();
    PimVertexObject::InvalidateDeviceObjects();
    return 0;
}

void PimTexViewer::Update(float time, float prevTime)
{
    PimVertexObject::Update(time, prevTime);
}

HRESULT PimTexViewer::Render()
{
    IDirect3DDevice8* device = Device();
    if (!vertexBuffer || !indexBuffer || !device)
        return 0;
    // Every bind goes through the world's servers; without them nothing is drawn.
    OruSceneContext* scene = OruSceneContext::Current();
    SBServer* blocks = scene ? scene->StateBlocks() : nullptr;
    VSServer* programs = Shaders();
    VBServer* buffers = Buffers();
    if (!blocks || !programs || !buffers)
        return 0;
    blocks->SetSB(stateBlock);
    programs->SetShaders(shaderHandles[0], 0, 0);
    buffers->SetStream(0, vertexBuffer, sizeof(ViewerVertex), 1);
    buffers->SetIndexBuffer(indexBuffer, 0, 1);
    if (shownTexture)
        device->SetTexture(0, *shownTexture);
    const float scale[4] = {1, 1, 1, 1};
    device->SetVertexShaderConstant(CV_TEXCOORD_SCALE, scale, 1);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2);
    return 0;
}
