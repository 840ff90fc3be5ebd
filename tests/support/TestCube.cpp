#include "TestCube.h"

#include "framework/AppAccess.h"
#include "framework/OruApplication.h"
#include "scene/OruSceneContext.h"
#include "scene/OruSteering.h"
#include "scene/OruWorld.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"

#include "ShaderDeclarations.h"
#include "productshaders.h"
#include "vsConstants.h"

namespace {

const ShaderSet CubeShaders = {{FishLowDeclaration}, {it1rpVsh}, 1};

// Texture colour times the vertex colour, the texture's alpha; depth tested
// and written, back faces culled, no fog.
#define CUBE_STATES(blend)                                                                                             \
    D3DRS_ZENABLE, D3DZB_TRUE, D3DRS_ZWRITEENABLE, TRUE, D3DRS_ZFUNC, D3DCMP_LESSEQUAL, D3DRS_CULLMODE, D3DCULL_CCW,    \
        D3DRS_LIGHTING, FALSE, D3DRS_FOGENABLE, FALSE, D3DRS_STENCILENABLE, FALSE, D3DRS_ALPHABLENDENABLE, blend,      \
        D3DRS_SRCBLEND, D3DBLEND_SRCALPHA, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA, StateTokenColourStage, 3, 0,         \
        D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, StateTokenAlphaStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE,   \
        StateTokenColourStage, 1, 1, D3DTOP_DISABLE, StateTokenAlphaStage, 1, 1, D3DTOP_DISABLE, StateTokenEnd

const DWORD OpaqueStates[] = {CUBE_STATES(FALSE)};
const DWORD BlendedStates[] = {CUBE_STATES(TRUE)};

} // namespace

TestCube::TestCube(OruMeshRecord* mesh, const EmbeddedFileRef& texture, bool transparentCube)
{
    SetName("TestCube");
    AddMesh(mesh);
    AddTexture(texture.data, texture.size);
    shaders = CubeShaders;
    stateTokens = transparentCube ? BlendedStates : OpaqueStates;
    transparent = transparentCube ? 1 : 0;
    useStrips = 0;
}

void TestCube::SetSteering(OruSteering* steering)
{
    mover = steering;
}

void TestCube::Update(float time, float prevTime)
{
    if (mover)
        static_cast<OruSteering*>(mover)->Follow(time, prevTime, this);
    PimVertexObject::Update(time, prevTime);
    OruSceneContext* scene = OruSceneContext::Current();
    if (scene) {
        const D3DXVECTOR3 offset = position - *scene->EyePosition();
        sortDistance = D3DXVec3Length(&offset);
    }
}

HRESULT TestCube::Render()
{
    OruApplication* app = App();
    OruWorld* world = World();
    if (!app || !app->device || !world || !meshes[0].vertexBuffer || !meshes[0].indexBuffer)
        return 0;
    ++renders;
    world->sbServer->SetSB(stateBlock);
    world->vsServer->SetShaders(shaderHandles[0], 0, 0);
    world->vbServer->SetStream(0, meshes[0].vertexBuffer, UINT(meshes[0].stride), 0);
    world->vbServer->SetIndexBuffer(meshes[0].indexBuffer, 0, 0);
    app->device->SetTexture(0, textures[0]);
    app->device->SetVertexShaderConstant(CV_WORLD_VIEW_PROJ_0, &worldViewProjT, 4);
    app->device->SetVertexShaderConstant(CV_FISH_COLOUR, colour, 1);
    app->device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, UINT(meshes[0].vertexCount), 0,
                                      UINT(meshes[0].faceCount));
    return 0;
}
