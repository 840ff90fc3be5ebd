// PimVertexObject: meshes, textures and shaders made through the world's
// servers and the texture cache at restore, bounds from the meshes, the
// capacities it refuses past, the transposed matrices, and the lifecycle on
// Wine's device through the proxy d3d8.dll.

#include "ServersTestSupport.h"
#include "TestAssetFiles.h"
#include "TestMesh.h"
#include "XTestMeshes.h"

#include "mesh/MorphVertex.h"
#include "scene/OruWorld.h"
#include "scene/PimVertexObject.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"
#include "texture/TextureCache.h"

#include "ShaderDeclarations.h"
#include "productshaders.h"

#include <cstring>
#include <memory>

using namespace servertest;

namespace {

const ShaderSet LowFishShaders = {{FishLowDeclaration}, {it1rpVsh}, 1};
const DWORD LightingOff[] = {D3DRS_LIGHTING, FALSE, StateTokenEnd};

// An application whose device and world engine code reaches through
// App(); the world is made after the device and goes first.
struct Scene {
    explicit Scene(IDirect3DDevice8* device) : app(device) { app.world = &world; }
    ~Scene() { app.world = nullptr; }

    // The device operations as the world fans them out to its servers.
    void InvalidateServers()
    {
        world.vbServer->InvalidateDeviceObjects();
        world.vsServer->InvalidateDeviceObjects();
        world.sbServer->InvalidateDeviceObjects();
    }
    void DeleteServers() { world.vbServer->DeleteDeviceObjects(); }

    ServerApp app;
    OruWorld world;
};

// A drawable with the test cube, the test texture, the low-detail fish
// shader and a state table.
class Cube : public PimVertexObject {
public:
    Cube()
    {
        AddMesh(&TestMesh);
        AddTexture(TestTexture.ref.data, TestTexture.ref.size);
        shaders = LowFishShaders;
        stateTokens = LightingOff;
    }
};

int TraceCount(const DebugOutputCapture& capture)
{
    return int(Traces(capture).size());
}

// A record over vertices at the given positions.
struct Positions {
    explicit Positions(std::vector<D3DXVECTOR3> points, bool morph = false)
    {
        for (const D3DXVECTOR3& p : points) {
            FishVertex f(p, Vector3(0, 1, 0), 0, 0);
            MorphVertex m(p, Vector3(0, 1, 0));
            const BYTE* bytes = morph ? reinterpret_cast<const BYTE*>(&m) : reinterpret_cast<const BYTE*>(&f);
            data.insert(data.end(), bytes, bytes + (morph ? sizeof m : sizeof f));
        }
        record = OruMeshRecord(int32_t(points.size()), data.data(), 0, nullptr, morph ? 0x12 : 0x112,
                               morph ? int32_t(sizeof(MorphVertex)) : int32_t(sizeof(FishVertex)), nullptr, 0);
    }
    std::vector<BYTE> data;
    OruMeshRecord record;
};

} // namespace

TEST(PimVertexObject, AddMeshMarksTheCallersRecordStaticAndCopiesIt)
{
    OruMeshRecord loaded;
    loaded.vertices = nullptr;
    loaded.vertexCount = 3;
    loaded.stride = 32;
    PimVertexObject object;
    EXPECT_STREQ("PimVertexObject", object.name);
    EXPECT_EQ(&object, object.AddMesh(&loaded)->AddMesh(&TestMesh));
    EXPECT_EQ(1, loaded.isStatic);
    ASSERT_EQ(2, object.meshCount);
    EXPECT_EQ(1, object.meshes[0].isStatic);
    EXPECT_EQ(3, object.meshes[0].vertexCount);
    EXPECT_EQ(TestMeshVertices, object.meshes[1].vertices);
    EXPECT_EQ(TestMeshFaceCount, object.meshes[1].faceCount);

    // A .x mesh names its file; it is read when the device objects are made.
    static EmbeddedFileRef file = {nullptr, 0};
    object.AddXMesh(&file, 0x112, 32, 0);
    ASSERT_EQ(3, object.meshCount);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&file), object.meshes[2].key);
    EXPECT_EQ(0x112u, object.meshes[2].fvf);
    EXPECT_EQ(32, object.meshes[2].stride);
    EXPECT_EQ(0, object.meshes[2].isStatic);
    EXPECT_EQ(nullptr, object.meshes[2].vertices);
}

TEST(PimVertexObject, RefusesMeshesTexturesAndShadersPastItsCapacity)
{
    DebugOutputCapture capture;
    PimVertexObject object;
    for (int i = 0; i < PimMeshCapacity; ++i)
        object.AddMesh(&TestMesh);
    EXPECT_EQ(0, TraceCount(capture));
    object.AddMesh(&TestMesh);
    static EmbeddedFileRef file = {nullptr, 0};
    object.AddXMesh(&file, 0x112, 32, 0);
    EXPECT_EQ(PimMeshCapacity, object.meshCount);
    EXPECT_EQ(2, TraceCount(capture)) << "each refusal is traced";
    EXPECT_EQ(nullptr, object.textureSources[0]) << "nothing written past the meshes";

    static const BYTE image[1] = {0};
    for (int i = 0; i < PimTextureCapacity; ++i)
        object.AddTexture(image + 0, 100 + i);
    object.AddTexture(image, 999);
    EXPECT_EQ(PimTextureCapacity, object.textureCount);
    EXPECT_EQ(3, TraceCount(capture));
    EXPECT_EQ(100, object.textureSizes[0]) << "nothing written past the sources";
    EXPECT_EQ(100 + PimTextureCapacity - 1, object.textureSizes[PimTextureCapacity - 1]);

    // A shader list longer than the handle array: the first ten are made.
    ProxyDevice proxy("");
    ASSERT_TRUE(proxy.Device());
    {
        Scene scene(proxy.Device());
        PimVertexObject shaded;
        shaded.shaders = LowFishShaders;
        for (int j = 0; j < ShaderSetCapacity; ++j) {
            shaded.shaders.declarations[j] = FishLowDeclaration;
            shaded.shaders.functions[j] = it1rpVsh;
        }
        shaded.shaders.count = ShaderSetCapacity + 1;
        const D3DXMATRIX before = shaded.worldViewProjT;
        capture.Clear();
        EXPECT_EQ(0, shaded.RestoreDeviceObjects());
        EXPECT_EQ(1, TraceCount(capture));
        EXPECT_EQ(ShaderSetCapacity, shaded.ShaderCount());
        for (int j = 0; j < ShaderSetCapacity; ++j)
            EXPECT_EQ(scene.world.vsServer->handles[0], shaded.shaderHandles[j]) << j;
        EXPECT_EQ(before, shaded.worldViewProjT) << "nothing written past the handles";
        shaded.InvalidateDeviceObjects();
        scene.InvalidateServers();
    }
    EXPECT_EQ(0u, proxy.ReleaseDevice());
}

TEST(PimVertexObject, BoundsGrowFromTheOriginOverEveryMesh)
{
    struct Case {
        const char* what;
        std::vector<std::vector<D3DXVECTOR3>> meshes;
        bool morph;
        D3DXVECTOR3 low, high;
        float radius;
    };
    const Case cases[] = {
        {"no meshes", {}, false, {0, 0, 0}, {0, 0, 0}, 0},
        {"all at x >= 1", {{{1, 2, 3}, {4, 1, 2}}}, false, {0, 0, 0}, {4, 2, 3}, 4},
        {"radius is the largest extent", {{{-3, -1, -2}, {2, 5, 1}}}, false, {-3, -1, -2}, {2, 5, 1}, 5},
        {"negative extent wins", {{{-7, 0.5f, 0}, {1, 1, 1}}}, false, {-7, 0, 0}, {1, 1, 1}, 7},
        {"morph vertices 24 bytes apart", {{{-1, 0, 0}, {0, 0, 2}, {0, -3, 0}}}, true, {-1, -3, 0}, {0, 0, 2}, 3},
        {"two meshes", {{{1, 1, 1}}, {{-2, -2, -2}}}, false, {-2, -2, -2}, {1, 1, 1}, 2},
    };
    for (const Case& c : cases) {
        std::vector<std::unique_ptr<Positions>> records;
        PimVertexObject object;
        for (const auto& points : c.meshes) {
            records.emplace_back(new Positions(points, c.morph));
            object.AddMesh(&records.back()->record);
        }
        EXPECT_EQ(0, object.InitDeviceObjects()) << c.what;
        EXPECT_EQ(c.low, object.boundsMin) << c.what;
        EXPECT_EQ(c.high, object.boundsMax) << c.what;
        EXPECT_EQ(c.radius, object.radius) << c.what;
    }

    PimVertexObject cube;
    cube.AddMesh(&TestMesh);
    cube.ComputeBounds();
    EXPECT_EQ(D3DXVECTOR3(-0.5f, -0.5f, -0.5f), cube.boundsMin);
    EXPECT_EQ(D3DXVECTOR3(0.5f, 0.5f, 0.5f), cube.boundsMax);
    EXPECT_EQ(0.5f, cube.radius);

}

TEST(PimVertexObject, KeepsTheFourMatricesTransposed)
{
    PimVertexObject object;
    object.position = Vector3(1, 2, 3);
    object.yaw = 0.3f;
    object.pitch = -0.2f;
    object.scale = 2;
    object.Update(0, 0);
    D3DXMATRIX view, projection, rotation;
    D3DXMatrixRotationYawPitchRoll(&rotation, 0.4f, 0.1f, 0.2f);
    D3DXMatrixTranslation(&view, -1, 0.5f, 4);
    D3DXMatrixMultiply(&view, &rotation, &view);
    D3DXMatrixPerspectiveFovLH(&projection, 1.0f, 1.25f, 0.1f, 100);

    object.UpdateShaderMatrices(&view, &projection);
    D3DXMATRIX wv, wvp, expected;
    D3DXMatrixMultiply(&wv, &object.world, &view);
    D3DXMatrixMultiply(&wvp, &wv, &projection);
    EXPECT_EQ(*D3DXMatrixTranspose(&expected, &wvp), object.worldViewProjT);
    EXPECT_EQ(*D3DXMatrixTranspose(&expected, &wv), object.worldViewT);
    EXPECT_EQ(*D3DXMatrixTranspose(&expected, &object.world), object.worldT);
    EXPECT_EQ(*D3DXMatrixTranspose(&expected, &view), object.viewT);
    EXPECT_NE(object.worldViewProjT, wvp) << "transposed, not as they are";

    // With world and view the identity, the first is the transposed projection.
    PimVertexObject still;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    still.UpdateShaderMatrices(&identity, &projection);
    EXPECT_EQ(*D3DXMatrixTranspose(&expected, &projection), still.worldViewProjT);
    EXPECT_EQ(identity, still.worldViewT);
}

TEST(PimVertexObject, RestoreMakesSharedDeviceObjectsThroughTheServers)
{
    ProxyDevice proxy("");
    ASSERT_TRUE(proxy.Device());
    {
        Scene scene(proxy.Device());
        Cube a, b;
        EXPECT_EQ(0, a.InitDeviceObjects());
        EXPECT_EQ(0.5f, a.radius);

        const size_t mark = proxy.Mark();
        EXPECT_EQ(0, a.RestoreDeviceObjects());
        EXPECT_EQ(0, b.RestoreDeviceObjects());
        // One buffer pair, one shader, one state block and one texture for both.
        EXPECT_EQ(1u, proxy.Calls("CreateVertexBuffer", mark).size());
        EXPECT_EQ(1u, proxy.Calls("CreateIndexBuffer", mark).size());
        EXPECT_EQ(1u, proxy.Calls("CreateVertexShader", mark).size());
        VBServer& buffers = *scene.world.vbServer;
        ASSERT_EQ(1, buffers.count);
        ASSERT_NE(nullptr, buffers.records[0].vertexBuffer);
        EXPECT_EQ(buffers.records[0].vertexBuffer, a.meshes[0].vertexBuffer);
        EXPECT_EQ(buffers.records[0].indexBuffer, b.meshes[0].indexBuffer);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(TestMeshVertices), a.meshes[0].key);
        ASSERT_EQ(1, scene.world.vsServer->count);
        EXPECT_EQ(scene.world.vsServer->handles[0], a.shaderHandles[0]);
        EXPECT_EQ(a.shaderHandles[0], b.shaderHandles[0]);
        EXPECT_EQ(1, scene.world.sbServer->count);
        EXPECT_NE(NoStateBlock, a.stateBlock);
        EXPECT_EQ(a.stateBlock, b.stateBlock);
        ASSERT_NE(nullptr, a.textures[0]);
        EXPECT_EQ(a.textures[0], b.textures[0]);

        // Invalidate: the texture goes back to the cache, the copies forget
        // the buffers the server releases, and a restore makes them again.
        a.InvalidateDeviceObjects();
        b.InvalidateDeviceObjects();
        scene.InvalidateServers();
        EXPECT_EQ(nullptr, a.textures[0]);
        EXPECT_EQ(nullptr, a.meshes[0].vertexBuffer);
        EXPECT_EQ(NoStateBlock, a.stateBlock);
        EXPECT_EQ(0, a.RestoreDeviceObjects());
        EXPECT_EQ(1, buffers.count);
        EXPECT_EQ(buffers.records[0].vertexBuffer, a.meshes[0].vertexBuffer);
        EXPECT_NE(nullptr, a.textures[0]);

        a.InvalidateDeviceObjects();
        scene.InvalidateServers();
        a.DeleteDeviceObjects();
        scene.DeleteServers();
        EXPECT_EQ(0, buffers.count);
    }
    EXPECT_EQ(0u, proxy.ReleaseDevice()) << "every buffer, texture, shader and state block released";
}

TEST(PimVertexObject, XMeshesLoadWhenTheDeviceObjectsAreMadeAndShareOneBufferPair)
{
    ProxyDevice proxy("");
    ASSERT_TRUE(proxy.Device());
    {
        Scene scene(proxy.Device());
        PimVertexObject logo, copy, broken;
        logo.AddXMesh(&XMeshInFrame.ref, 0x112, 32, 0);
        copy.AddXMesh(&XMeshInFrame.ref, 0x112, 32, 0);
        static const BYTE garbage[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        static EmbeddedFileRef notAMesh = {garbage, 8};
        broken.AddXMesh(&notAMesh, 0x112, 32, 0);

        EXPECT_EQ(0, logo.InitDeviceObjects());
        EXPECT_EQ(0, copy.InitDeviceObjects());
        EXPECT_EQ(0, broken.InitDeviceObjects()) << "a mesh that does not load is not reported";
        EXPECT_EQ(7, logo.meshes[0].vertexCount);
        EXPECT_EQ(D3DXVECTOR3(0, 0, 0), logo.boundsMin);
        EXPECT_EQ(D3DXVECTOR3(1, 1, 1), logo.boundsMax);
        EXPECT_EQ(0, broken.meshes[0].vertexCount);
        EXPECT_EQ(D3DXVECTOR3(0, 0, 0), broken.boundsMax);

        const size_t mark = proxy.Mark();
        EXPECT_EQ(0, logo.RestoreDeviceObjects());
        EXPECT_EQ(0, copy.RestoreDeviceObjects());
        EXPECT_EQ(0, broken.RestoreDeviceObjects()) << "an empty slot makes no buffers and no failure";
        EXPECT_EQ(1u, proxy.Calls("CreateVertexBuffer", mark).size());
        EXPECT_EQ(1u, proxy.Calls("CreateIndexBuffer", mark).size());
        EXPECT_EQ(logo.meshes[0].vertexBuffer, copy.meshes[0].vertexBuffer);

        for (PimVertexObject* o : {&logo, &copy, &broken}) {
            o->InvalidateDeviceObjects();
            o->DeleteDeviceObjects();
        }
        scene.InvalidateServers();
        scene.DeleteServers();
    }
    EXPECT_EQ(0u, proxy.ReleaseDevice()) << "every buffer was released";
}

TEST(PimVertexObject, RestoreStopsAtTheFirstFailure)
{
    static const BYTE corrupt[6] = {0x78, 0x9C, 1, 2, 3, 4};
    struct Case {
        const char* what;
        const char* faults;
        bool badSecondTexture;
        bool firstTextureKept;
        int bufferRecords;
        bool buffersMade;
        size_t shadersTried;
    };
    const Case cases[] = {
        {"second texture fails", "", true, true, 0, false, 0},
        {"buffers fail", "vb_create_fail", false, true, 1, false, 0},
        {"shader refused", "vs_create_fail", false, true, 1, true, 1},
    };
    for (const Case& c : cases) {
        ProxyDevice proxy(c.faults);
        ASSERT_TRUE(proxy.Device()) << c.what;
        {
            Scene scene(proxy.Device());
            Cube object;
            if (c.badSecondTexture)
                object.AddTexture(corrupt, int(sizeof corrupt));
            const size_t mark = proxy.Mark();
            EXPECT_NE(0, object.RestoreDeviceObjects()) << c.what;
            EXPECT_EQ(c.firstTextureKept, object.textures[0] != nullptr) << c.what;
            EXPECT_EQ(c.bufferRecords, scene.world.vbServer->count) << c.what;
            EXPECT_EQ(c.buffersMade, object.meshes[0].vertexBuffer != nullptr) << c.what;
            EXPECT_EQ(c.shadersTried, proxy.Calls("CreateVertexShader", mark).size()) << c.what;
            EXPECT_EQ(NoStateBlock, object.stateBlock) << c.what;
            object.InvalidateDeviceObjects();
            scene.InvalidateServers();
            scene.DeleteServers();
        }
        EXPECT_EQ(0u, proxy.ReleaseDevice()) << c.what;
    }
}

TEST(PimVertexObject, DeletedThroughTheBaseItReleasesNothingItBorrows)
{
    ProxyDevice proxy("");
    ASSERT_TRUE(proxy.Device());
    {
        Scene scene(proxy.Device());
        OruObject* object = new Cube();
        ASSERT_EQ(0, object->RestoreDeviceObjects());
        IDirect3DVertexBuffer8* vb = scene.world.vbServer->records[0].vertexBuffer;
        IDirect3DIndexBuffer8* ib = scene.world.vbServer->records[0].indexBuffer;
        ASSERT_NE(nullptr, vb);
        const ULONG vbRefs = References(vb), ibRefs = References(ib);
        object->InvalidateDeviceObjects();
        object->FinalCleanup();
        delete object;
        EXPECT_EQ(vbRefs, References(vb)) << "the server's buffer is not released by the object";
        EXPECT_EQ(ibRefs, References(ib));
        scene.InvalidateServers();
        scene.DeleteServers();
    }
    EXPECT_EQ(0u, proxy.ReleaseDevice());
}

TEST(PimVertexObject, LoadedMeshArraysStayTheServersAfterDelete)
{
    // A .x slot as the loader leaves it: arrays that VBServer owns and frees
    // at its own delete.
    std::vector<FishVertex> vertices(3, FishVertex(Vector3(9, 9, 9), Vector3(0, 1, 0), 0, 0));
    std::vector<uint16_t> indices = {0, 1, 2};
    static EmbeddedFileRef file = {nullptr, 0};
    {
        PimVertexObject object;
        object.AddXMesh(&file, 0x112, 32, 0);
        OruMeshRecord& slot = object.meshes[0];
        slot.vertices = vertices.data();
        slot.indices = indices.data();
        slot.vertexCount = 3;
        slot.faceCount = 1;
        object.ComputeBounds();
        EXPECT_EQ(9.0f, object.radius);

        EXPECT_EQ(0, object.DeleteDeviceObjects());
        EXPECT_EQ(nullptr, slot.vertices) << "no pointer into freed arrays is kept";
        EXPECT_EQ(nullptr, slot.indices);
        EXPECT_EQ(0, slot.vertexCount);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(&file), slot.key) << "the slot still names its file";
        EXPECT_EQ(32, slot.stride);

        // Loaded again, then destroyed: the object frees nothing of the server's.
        slot.vertices = vertices.data();
        slot.indices = indices.data();
    }
    EXPECT_EQ(9.0f, vertices[2].position.x);
}
