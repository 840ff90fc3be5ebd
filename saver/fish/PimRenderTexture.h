// One clone group of fish: the group's master renders its own picture into
// the group's render-target texture during its update; the group then draws
// every member at least 5.0 units from the camera as a camera-facing square
// (a billboard) of that picture, tinted with the member's colour and sized by
// its scale, all in one strip. Nearer members draw themselves in the sorted
// transparent pass; members beyond the billboard capacity, and every member
// while the master's picture is missing, draw themselves in the ordinary pass.
#pragma once

#include "scene/PimVertexObject.h"

#include "servers/ShaderSet.h"

#include <cstdint>

class CFish;

// The shared dynamic buffer and the per-group array hold this many vertices,
// that is BillboardCapacity billboards of six vertices.
const int BillboardBufferBytes = 8192;
const int BillboardArrayVertices = 227;
const int BillboardCapacity = 37;
const int RenderTextureMemberCapacity = 100;
// Nearer than this a member draws itself; the master pass needs at least
// the smaller distance to frame the picture.
const float BillboardNearDistance = 5.0f;
const float MasterPassNearDistance = 1.0f;

struct BillboardVertex {
    float centre[3];
    float colour[3];
    float cornerU;
    float cornerV;
    float size;
};
static_assert(sizeof(BillboardVertex) == 36, "billboard vertex is 36 bytes");

extern const ShaderSet BillboardShaderSet;
extern const DWORD BillboardStateTokens[];

class PimRenderTexture : public PimVertexObject {
public:
    PimRenderTexture();

    // The render-target texture (edge the master's cloneTextureSize / 2),
    // its surface, the device's current target and depth surface, the shared
    // billboard buffer and the billboard array, then the base's restore.
    HRESULT RestoreDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;
    // Decides for every member whether it draws itself or becomes a billboard.
    void Update(float time, float prevTime) override;
    // Draws this frame's billboards in one strip.
    HRESULT Render() override;
    HRESULT FinalCleanup() override;

    void SetMaster(CFish* fish);
    // Appends a member; past RenderTextureMemberCapacity the fish is left out.
    void AM(CFish* fish);
    // Called by the master's update with its masterPass set: draws the
    // master into the texture and sets its masterRendered only when the
    // master's draw reports that it drew.
    void RenderMaster(CFish* fish);

    IDirect3DTexture8* texture;     // owned
    IDirect3DSurface8* surface;     // owned reference
    uint32_t textureSize;           // twice the texture's edge
    IDirect3DSurface8* savedTarget; // owned reference
    IDirect3DSurface8* savedDepth;  // owned reference
    CFish* members[RenderTextureMemberCapacity]; // not owned; the master first
    CFish* master;                  // not owned
    int32_t memberCount;
    BillboardVertex billboards[BillboardArrayVertices]; // this frame's billboards
    int32_t billboardsReady;        // non-zero from a complete restore to the next invalidate
    int32_t billboardCount;
    float billboardScale;

    // The one buffer every group fills and draws in turn.
    static IDirect3DVertexBuffer8* BillboardBuffer;
    // The depth surface every master draws its picture with: as large as the
    // largest picture, single-sampled as the pictures are, in the device's
    // depth format. Null when it could not be made; the masters then use the
    // device's own depth surface.
    static IDirect3DSurface8* MasterDepth;
    static UINT MasterDepthEdge;

private:
    // Lets go of the render target and the saved target and depth surfaces;
    // no billboards until the next complete restore.
    void ReleaseTargets();
    // Makes MasterDepth at least edge by edge; a refusal is traced and
    // leaves it null.
    void EnsureMasterDepth(IDirect3DDevice8* device, UINT edge);
    static void ReleaseMasterDepth();
};
