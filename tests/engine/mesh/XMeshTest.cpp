// .x mesh loading on Wine's DirectX File and device: the generated template
// block, the search for "mesh1" through frames, the record as a triangle
// list and as one strip, vertex formats, and files that must fail leaving
// the record and the server untouched. The fixtures are written by the host
// tool xwriter and embedded by the build.

#include "TestApp.h"
#include "XTestMeshes.h"

#include "framework/AppErrors.h"
#include "framework/OruApplication.h"
#include "mesh/FindDataObject.h"
#include "mesh/OruFileMesh.h"
#include "mesh/XTemplateBlock.h"
#include "servers/VBServer.h"
#include "texture/EmbeddedFile.h"

#include "D3DXMesh.h"
#include "ServersTestSupport.h"
#include "TriangleMesh.h"
#include "TestDevice.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using MeshApp = TestApp;

// A caller's record: its arrays and buffers belong to the server.
struct CallerRecord : OruMeshRecord {
    CallerRecord(const EmbeddedFileRef* file, DWORD format, int32_t vertexStride)
    {
        key = reinterpret_cast<uintptr_t>(file);
        fvf = format;
        stride = vertexStride;
    }
    ~CallerRecord()
    {
        vertexBuffer = nullptr;
        indexBuffer = nullptr;
        vertices = nullptr;
        indices = nullptr;
    }
};

// A server that frees what it loaded when the test ends.
struct Server {
    Server() : vb(new VBServer()) {}
    ~Server()
    {
        vb->InvalidateDeviceObjects();
        vb->DeleteDeviceObjects();
    }
    std::unique_ptr<VBServer> vb;
};

std::vector<BYTE> Inflated(const EmbeddedFileRef& file)
{
    std::vector<BYTE> out(MeshInflateBufferSize);
    uLongf length = uLongf(out.size());
    if (uncompress(out.data(), &length, file.data, uLong(file.size)) != Z_OK)
        return {};
    out.resize(length);
    return out;
}

// An embedded file made here: the bytes zlib-compressed at the default level.
struct MadeFile {
    explicit MadeFile(const std::vector<BYTE>& bytes, bool compress = true)
    {
        if (compress) {
            uLongf length = compressBound(uLong(bytes.size()));
            stream.resize(length);
            compress2(stream.data(), &length, bytes.data(), uLong(bytes.size()), Z_DEFAULT_COMPRESSION);
            stream.resize(length);
        } else {
            stream = bytes;
        }
        ref.data = stream.data();
        ref.size = int32_t(stream.size());
    }
    MadeFile(const MadeFile&) = delete;
    MadeFile& operator=(const MadeFile&) = delete;
    std::vector<BYTE> stream;
    EmbeddedFileRef ref;
};

struct Vec {
    float x, y, z;
    bool operator<(const Vec& o) const { return std::tie(x, y, z) < std::tie(o.x, o.y, o.z); }
    bool operator==(const Vec& o) const { return x == o.x && y == o.y && z == o.z; }
};
using Triangle = std::array<Vec, 3>;

// Rotated so that the smallest corner comes first; the winding is kept.
Triangle Canonical(Triangle t)
{
    while (!(t[0] < t[1] || t[0] == t[1]) || !(t[0] < t[2] || t[0] == t[2]))
        std::rotate(t.begin(), t.begin() + 1, t.end());
    return t;
}

Vec Position(const OruMeshRecord& r, uint16_t i)
{
    Vec v;
    std::memcpy(&v, static_cast<const BYTE*>(r.vertices) + size_t(i) * size_t(r.stride), 12);
    return v;
}

// The record's triangles as positions: a list, or the strip read with every
// odd triangle turned back and those with two equal indices skipped.
std::vector<Triangle> Triangles(const OruMeshRecord& r, bool strip)
{
    std::vector<Triangle> out;
    if (!strip) {
        for (int f = 0; f < r.faceCount; ++f)
            out.push_back(Canonical({Position(r, r.indices[3 * f]), Position(r, r.indices[3 * f + 1]),
                                     Position(r, r.indices[3 * f + 2])}));
    } else {
        for (int k = 0; k + 2 < r.faceCount; ++k) {
            uint16_t a = r.indices[k], b = r.indices[k + 1], c = r.indices[k + 2];
            if (a == b || b == c || a == c)
                continue;
            if (k % 2)
                std::swap(b, c);
            out.push_back(Canonical({Position(r, a), Position(r, b), Position(r, c)}));
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The fixture's mesh "mesh1": a triangle (material 0) and a quad (material 1).
std::vector<Triangle> ExpectedTriangles()
{
    std::vector<Triangle> t{Canonical({Vec{0, 0, 1}, Vec{1, 0, 1}, Vec{0, 1, 1}}),
                            Canonical({Vec{0, 0, 0}, Vec{0, 1, 0}, Vec{1, 1, 0}}),
                            Canonical({Vec{0, 0, 0}, Vec{1, 1, 0}, Vec{1, 0, 0}})};
    std::sort(t.begin(), t.end());
    return t;
}

// The reference count of a COM object, left unchanged. Every mesh and
// buffer the D3DX stand-in makes holds a reference to its device, so a
// device count that comes back shows that nothing was left behind.
ULONG References(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

// Every field of a record (not the padding after the last one).
std::vector<BYTE> RecordBytes(const OruMeshRecord& r)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(&r);
    return std::vector<BYTE>(p, p + offsetof(OruMeshRecord, rangeCount) + sizeof r.rangeCount);
}

class XMeshTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(device_.Ok()) << device_.Error();
        app_.reset(new MeshApp(device_.Device()));
    }
    void TearDown() override { app_.reset(); }

    TestDevice device_;
    std::unique_ptr<MeshApp> app_;
};

TEST(XTemplateBlock, RegistersTheStandardTemplatesInOrder)
{
    ASSERT_EQ(size_t(3278), XTemplateBlockSize);
    EXPECT_EQ(std::string("xof 0302bin 0064"), std::string(reinterpret_cast<const char*>(XTemplateBlock), 16));

    // The template names, read token by token.
    std::vector<std::string> names;
    size_t at = 16;
    bool afterTemplate = false;
    while (at + 2 <= XTemplateBlockSize) {
        uint16_t token;
        std::memcpy(&token, XTemplateBlock + at, 2);
        at += 2;
        uint32_t n = 0;
        if (token == 1 || token == 2 || token == 6 || token == 7)
            std::memcpy(&n, XTemplateBlock + at, 4);
        if (token == 1) {
            if (afterTemplate)
                names.emplace_back(reinterpret_cast<const char*>(XTemplateBlock + at + 4), n);
            at += 4 + n;
        } else if (token == 2) {
            at += 4 + n;
        } else if (token == 3) {
            at += 4;
        } else if (token == 5) {
            at += 16;
        } else if (token == 6 || token == 7) {
            at += 4 + 4 * n;
        }
        afterTemplate = token == 31;
    }
    EXPECT_EQ(XTemplateBlockSize, at);
    const std::vector<std::string> expected{
        "Header", "Vector", "Coords2d", "Matrix4x4", "ColorRGBA", "ColorRGB", "IndexedColor", "Boolean",
        "Boolean2d", "MaterialWrap", "TextureFilename", "Material", "MeshFace", "MeshFaceWraps",
        "MeshTextureCoords", "MeshMaterialList", "MeshNormals", "MeshVertexColors", "Mesh",
        "FrameTransformMatrix", "Frame", "FloatKeys", "TimedFloatKeys", "AnimationKey", "AnimationOptions",
        "Animation", "AnimationSet", "InlineData", "Url", "ProgressiveMesh", "Guid", "StringProperty",
        "PropertyBag", "ExternalVisual", "RightHanded"};
    EXPECT_EQ(expected, names);

    // A file without templates of its own reads only once the block is registered.
    const std::vector<BYTE> file = Inflated(XMeshInFrame.ref);
    ASSERT_FALSE(file.empty());
    for (bool registered : {false, true}) {
        IDirectXFile* xfile = nullptr;
        ASSERT_EQ(S_OK, DirectXFileCreate(&xfile));
        if (registered) {
            ASSERT_EQ(DXFILE_OK, xfile->RegisterTemplates(const_cast<unsigned char*>(XTemplateBlock),
                                                          DWORD(XTemplateBlockSize)));
        }
        DXFILELOADMEMORY memory = {const_cast<BYTE*>(file.data()), DWORD(file.size())};
        IDirectXFileEnumObject* enumObject = nullptr;
        IDirectXFileData* data = nullptr;
        HRESULT hr = xfile->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject);
        if (SUCCEEDED(hr))
            hr = enumObject->GetNextDataObject(&data);
        EXPECT_EQ(registered, SUCCEEDED(hr)) << std::hex << hr;
        if (data) {
            const GUID* type = nullptr;
            ASSERT_EQ(DXFILE_OK, data->GetType(&type));
            EXPECT_TRUE(*type == TID_D3DRMMesh);
            data->Release();
        }
        if (enumObject)
            enumObject->Release();
        xfile->Release();
    }
}

TEST_F(XMeshTest, FindsMesh1InsideFramesAndLoadsItAsAList)
{
    Server server;
    CallerRecord record(&XMeshInFrame.ref, 0x112, 32);
    const ULONG deviceReferences = References(device_.Device());
    ASSERT_EQ(0, server.vb->LoadXMesh(&record, 0));
    EXPECT_EQ(deviceReferences, References(device_.Device()));
    ASSERT_EQ(1, server.vb->count);
    EXPECT_EQ(0, record.isStatic);
    // The unused vertex is gone; the triangle (material 0) comes first.
    EXPECT_EQ(7, record.vertexCount);
    EXPECT_EQ(3, record.faceCount);
    ASSERT_EQ(2, record.rangeCount);
    const D3DXATTRIBUTERANGE triangle = record.ranges[0], quad = record.ranges[1];
    EXPECT_EQ((std::vector<DWORD>{0, 0, 1, 0, 3}),
              (std::vector<DWORD>{triangle.AttribId, triangle.FaceStart, triangle.FaceCount, triangle.VertexStart,
                                  triangle.VertexCount}));
    EXPECT_EQ((std::vector<DWORD>{1, 1, 2, 3, 4}),
              (std::vector<DWORD>{quad.AttribId, quad.FaceStart, quad.FaceCount, quad.VertexStart, quad.VertexCount}));
    EXPECT_EQ(ExpectedTriangles(), Triangles(record, false));

    // Normals come from the faces, not the file; texture coordinates stay
    // with their positions.
    const std::map<Vec, std::pair<float, float>> uv{
        {{0, 0, 0}, {0.0f, 0.0f}}, {{0, 1, 0}, {0.0f, 0.5f}}, {{1, 1, 0}, {0.5f, 0.5f}}, {{1, 0, 0}, {0.5f, 0.0f}},
        {{0, 0, 1}, {0.1f, 0.2f}}, {{1, 0, 1}, {0.3f, 0.4f}}, {{0, 1, 1}, {0.5f, 0.6f}}};
    for (int v = 0; v < record.vertexCount; ++v) {
        float f[8];
        std::memcpy(f, static_cast<const BYTE*>(record.vertices) + 32 * v, 32);
        const Vec p{f[0], f[1], f[2]};
        ASSERT_EQ(1u, uv.count(p)) << v;
        EXPECT_EQ(0.0f, f[3]) << v;
        EXPECT_EQ(0.0f, f[4]) << v;
        EXPECT_EQ(p.z == 0 ? -1.0f : 1.0f, f[5]) << v;
        EXPECT_EQ(uv.at(p).first, f[6]) << v;
        EXPECT_EQ(uv.at(p).second, f[7]) << v;
    }

    // The server keeps the same record; a second load of the same file
    // shares it without loading again.
    EXPECT_EQ(record.vertices, server.vb->records[0].vertices);
    EXPECT_EQ(record.indices, server.vb->records[0].indices);
    CallerRecord second(&XMeshInFrame.ref, 0x112, 32);
    ASSERT_EQ(0, server.vb->LoadXMesh(&second, 0));
    EXPECT_EQ(1, server.vb->count);
    EXPECT_EQ(record.vertices, second.vertices);
    EXPECT_EQ(RecordBytes(record), RecordBytes(second));

    // The buffer server makes device buffers from it.
    ASSERT_EQ(0, server.vb->Create2(&record, 0));
    ASSERT_TRUE(record.vertexBuffer && record.indexBuffer);
    D3DVERTEXBUFFER_DESC vd = {};
    D3DINDEXBUFFER_DESC id = {};
    record.vertexBuffer->GetDesc(&vd);
    record.indexBuffer->GetDesc(&id);
    EXPECT_EQ(UINT(7 * 32), vd.Size);
    EXPECT_EQ(UINT(3 * 6), id.Size);
}

TEST_F(XMeshTest, StripsHoldEveryTriangleWithItsWinding)
{
    Server server;
    CallerRecord record(&XMeshInFrame.ref, 0x112, 32);
    ASSERT_EQ(0, server.vb->LoadXMesh(&record, 1));
    EXPECT_EQ(7, record.vertexCount);
    EXPECT_EQ(2, record.rangeCount);
    // Two separate pieces stitched: 3 + 4 indices and the joining repeats.
    EXPECT_GE(record.faceCount, 9);
    EXPECT_EQ(ExpectedTriangles(), Triangles(record, true));
    ASSERT_EQ(0, server.vb->Create2(&record, 1));
    D3DINDEXBUFFER_DESC id = {};
    record.indexBuffer->GetDesc(&id);
    EXPECT_EQ(UINT(record.faceCount * 2), id.Size);
}

TEST_F(XMeshTest, VertexFormats)
{
    struct Case {
        DWORD fvf;
        int32_t stride;
        HRESULT result;
    };
    const Case cases[] = {
        {0x112, 32, 0},                                  // position, normal, texture coordinates
        {0x012, 24, 0},                                  // position, normal
        {0x002, 12, 0},                                  // position only: no normals to compute
        {0x112, 24, AppErrMediaLoad},                    // stride of another format: no over-read
        {0x012, 32, AppErrMediaLoad},                    // stride larger than the vertex
        {0x004 | 0x100, 24, AppErrMediaLoad},            // pre-transformed positions: no conversion
        {0x112 | (1 << 16), 36, AppErrMediaLoad},        // three-dimensional texture coordinates
    };
    for (const Case& c : cases) {
        Server server;
        CallerRecord record(&XMeshInFrame.ref, c.fvf, c.stride);
        const std::vector<BYTE> before = RecordBytes(record);
        const ULONG deviceReferences = References(device_.Device());
        EXPECT_EQ(c.result, server.vb->LoadXMesh(&record, 0)) << std::hex << c.fvf;
        EXPECT_EQ(deviceReferences, References(device_.Device())) << std::hex << c.fvf;
        if (c.result != 0) {
            EXPECT_EQ(0, server.vb->count) << std::hex << c.fvf;
            EXPECT_EQ(before, RecordBytes(record)) << std::hex << c.fvf;
            continue;
        }
        ASSERT_EQ(7, record.vertexCount);
        EXPECT_EQ(ExpectedTriangles(), Triangles(record, false));
        if (c.fvf & D3DFVF_NORMAL) {
            for (int v = 0; v < record.vertexCount; ++v) {
                float n[3];
                std::memcpy(n, static_cast<const BYTE*>(record.vertices) + c.stride * v + 12, 12);
                EXPECT_EQ(1.0f, std::fabs(n[2])) << std::hex << c.fvf << " vertex " << v;
            }
        }
    }
}

TEST_F(XMeshTest, FilesThatFailLeaveRecordAndServerAlone)
{
    const std::vector<BYTE> good = Inflated(XMeshInFrame.ref);
    ASSERT_FALSE(good.empty());
    auto cut = [&good](size_t n) { return std::vector<BYTE>(good.begin(), good.begin() + n); };
    std::vector<BYTE> badHeader = good;
    std::memcpy(badHeader.data(), "xof 0909bin 0032", 16);
    std::vector<BYTE> textName = good;
    // A name token whose length runs past the end of the file.
    const size_t mesh2 = std::string(good.begin(), good.end()).find("mesh2");
    ASSERT_NE(std::string::npos, mesh2);
    const uint32_t huge = 0x7FFFFFF0;
    std::memcpy(textName.data() + mesh2 - 4, &huge, 4);

    struct Case {
        const char* what;
        MadeFile file;
    };
    const Case cases[] = {
        {"no mesh1", MadeFile(Inflated(XNoMesh1.ref))},
        {"mesh1 is a frame", MadeFile(Inflated(XFrameNamedMesh1.ref))},
        {"index past the vertices", MadeFile(Inflated(XIndexOutOfRange.ref))},
        {"header only", MadeFile(cut(16))},
        {"short header", MadeFile(cut(10))},
        {"cut in the first mesh", MadeFile(cut(60))},
        {"cut in the frame", MadeFile(cut(good.size() / 2))},
        {"last byte missing", MadeFile(cut(good.size() - 1))},
        {"unknown version", MadeFile(badHeader)},
        {"name longer than the file", MadeFile(textName)},
        {"not a zlib stream", MadeFile(good, false)},
        {"empty", MadeFile(std::vector<BYTE>(), false)},
    };
    for (const Case& c : cases) {
        Server server;
        CallerRecord record(&c.file.ref, 0x112, 32);
        const std::vector<BYTE> before = RecordBytes(record);
        const ULONG deviceReferences = References(device_.Device());
        EXPECT_EQ(AppErrMediaLoad, server.vb->LoadXMesh(&record, 1)) << c.what;
        EXPECT_EQ(deviceReferences, References(device_.Device())) << c.what;
        EXPECT_EQ(0, server.vb->count) << c.what;
        EXPECT_EQ(before, RecordBytes(record)) << c.what;
    }
}

TEST_F(XMeshTest, OddMeshes)
{
    {
        // More attribute ranges than the record holds: the first 20 are kept.
        Server server;
        CallerRecord record(&XManyMaterials.ref, 0x112, 32);
        ASSERT_EQ(0, server.vb->LoadXMesh(&record, 0));
        EXPECT_EQ(63, record.vertexCount);
        EXPECT_EQ(21, record.faceCount);
        ASSERT_EQ(20, record.rangeCount);
        for (int i = 0; i < 20; ++i) {
            EXPECT_EQ(DWORD(i), record.ranges[i].AttribId);
            EXPECT_EQ(DWORD(i), record.ranges[i].FaceStart);
            EXPECT_EQ(1u, record.ranges[i].FaceCount);
        }
    }
    for (int strips : {0, 1}) {
        // A mesh whose only triangle repeats a vertex: as a list it keeps the
        // triangle; as a strip nothing is left to draw, and the buffer server
        // makes nothing for it.
        Server server;
        CallerRecord record(&XDegenerate.ref, 0x112, 32);
        ASSERT_EQ(0, server.vb->LoadXMesh(&record, strips)) << strips;
        EXPECT_EQ(1, server.vb->count);
        EXPECT_EQ(2, record.vertexCount);
        if (strips) {
            EXPECT_EQ(0, record.faceCount);
            EXPECT_EQ(nullptr, record.indices);
        } else {
            ASSERT_EQ(1, record.faceCount);
            const uint16_t* i = record.indices;
            EXPECT_TRUE(i[0] == i[1] || i[1] == i[2] || i[0] == i[2]);
        }
        EXPECT_EQ(0, server.vb->Create2(&record, strips));
        EXPECT_EQ(strips ? nullptr : record.indexBuffer, record.indexBuffer);
    }
}

TEST_F(XMeshTest, FileMeshKeepsMaterialsWithoutTextures)
{
    const std::string longName(700, 'n');
    OruFileMesh mesh(longName.c_str());
    EXPECT_EQ(std::string(511, 'n'), std::string(mesh.name));
    EXPECT_EQ(E_FAIL, mesh.RestoreDeviceObjects(device_.Device()));
    EXPECT_EQ(E_FAIL, mesh.ConvertVertexFormat(device_.Device(), 0x112));

    const std::vector<BYTE> file = Inflated(XMeshInFrame.ref);
    IDirectXFile* xfile = nullptr;
    ASSERT_EQ(S_OK, DirectXFileCreate(&xfile));
    ASSERT_EQ(DXFILE_OK,
              xfile->RegisterTemplates(const_cast<unsigned char*>(XTemplateBlock), DWORD(XTemplateBlockSize)));
    DXFILELOADMEMORY memory = {const_cast<BYTE*>(file.data()), DWORD(file.size())};
    IDirectXFileEnumObject* enumObject = nullptr;
    ASSERT_EQ(DXFILE_OK, xfile->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject));
    IDirectXFileData* data = nullptr;
    ASSERT_EQ(S_OK, FindDataObjectByName(enumObject, "mesh1", &data));
    ASSERT_EQ(0, mesh.CreateFromData(device_.Device(), data));
    data->Release();
    enumObject->Release();
    xfile->Release();

    // The first material names a texture: none is loaded, and ambient is diffuse.
    ASSERT_EQ(2u, mesh.materialCount);
    for (DWORD i = 0; i < mesh.materialCount; ++i) {
        EXPECT_EQ(nullptr, mesh.textures[i]);
        const D3DCOLORVALUE& a = mesh.materials[i].Ambient;
        const D3DCOLORVALUE& d = mesh.materials[i].Diffuse;
        EXPECT_EQ((std::vector<float>{d.r, d.g, d.b, d.a}), (std::vector<float>{a.r, a.g, a.b, a.a}));
    }
    EXPECT_EQ((std::vector<float>{0.5f, 0.25f, 0.75f, 1.0f}),
              (std::vector<float>{mesh.materials[0].Diffuse.r, mesh.materials[0].Diffuse.g,
                                  mesh.materials[0].Diffuse.b, mesh.materials[0].Diffuse.a}));
    EXPECT_EQ(8.0f, mesh.materials[0].Power);
    ASSERT_TRUE(mesh.systemMesh);
    EXPECT_EQ(DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), mesh.systemMesh->GetFVF());
    EXPECT_EQ(7u, mesh.systemMesh->GetNumVertices());

    // A device copy follows the conversion; a format that cannot be made
    // leaves both meshes as they were.
    ASSERT_EQ(0, mesh.RestoreDeviceObjects(device_.Device()));
    ASSERT_TRUE(mesh.deviceMesh);
    EXPECT_EQ(0, mesh.ConvertVertexFormat(device_.Device(), 0x012));
    EXPECT_EQ(0x012u, mesh.systemMesh->GetFVF());
    EXPECT_EQ(0x012u, mesh.deviceMesh->GetFVF());
    ID3DXMesh* kept = mesh.systemMesh;
    EXPECT_EQ(E_FAIL, mesh.ConvertVertexFormat(device_.Device(), 0x004));
    EXPECT_EQ(kept, mesh.systemMesh);
    EXPECT_EQ(0, mesh.InvalidateDeviceObjects());
    EXPECT_EQ(nullptr, mesh.deviceMesh);
    EXPECT_EQ(0, mesh.Destroy());
    EXPECT_EQ(nullptr, mesh.systemMesh);
    EXPECT_EQ(0u, mesh.materialCount);
    EXPECT_EQ(nullptr, mesh.materials);
}

TEST(XMeshDeviceFaults, RefusedBuffersFailTheLoadAndLeaveNothing)
{
    // The mesh's vertex and index data are read through device buffers.
    for (const char* fault : {"vb_create_fail", "ib_create_fail", "vb_lock_fail", "ib_lock_fail"}) {
        servertest::ProxyDevice proxy(fault);
        ASSERT_TRUE(proxy.Device()) << fault;
        {
            MeshApp app(proxy.Device());
            Server server;
            CallerRecord record(&XMeshInFrame.ref, 0x112, 32);
            const std::vector<BYTE> before = RecordBytes(record);
            EXPECT_TRUE(FAILED(server.vb->LoadXMesh(&record, 1))) << fault;
            EXPECT_EQ(0, server.vb->count) << fault;
            EXPECT_EQ(before, RecordBytes(record)) << fault;
        }
        EXPECT_EQ(0u, proxy.ReleaseDevice()) << fault << ": every mesh and buffer was released";
    }
}

TEST_F(XMeshTest, NormalsAreTheNormalisedSumOfUnitFaceNormals)
{
    // A tent: two triangles meeting at the ridge (0,1,0)-(0,1,1) at a right
    // angle, the second much larger, and a triangle without area.
    const float positions[][3] = {{0, 1, 0}, {0, 1, 1}, {1, 0, 0}, {-3, -2, 0}, {5, 5, 5}};
    std::vector<BYTE> vertices(5 * 24, 0);
    for (int v = 0; v < 5; ++v)
        std::memcpy(&vertices[24 * v], positions[v], 12);
    std::vector<uint16_t> indices{0, 1, 2, 0, 3, 1, 4, 4, 4};
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(S_OK, TriangleMesh::Create(device_.Device(), D3DXMESH_SYSTEMMEM, 0x012, vertices, indices, {0, 0, 0},
                                         &mesh));
    ASSERT_EQ(S_OK, D3DXComputeNormals(mesh, nullptr));
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(S_OK, mesh->GetVertexBuffer(&vb));
    BYTE* data = nullptr;
    ASSERT_EQ(S_OK, vb->Lock(0, 0, &data, D3DLOCK_READONLY));
    auto normal = [data](int v) {
        float n[3];
        std::memcpy(n, data + 24 * v + 12, 12);
        return std::vector<float>{n[0], n[1], n[2]};
    };
    const float h = std::sqrt(0.5f);
    const std::vector<std::vector<float>> expected{{0, 1, 0}, {0, 1, 0}, {h, h, 0}, {-h, h, 0}, {0, 0, 0}};
    for (int v = 0; v < 5; ++v)
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(expected[v][i], normal(v)[i], 1e-6f) << "vertex " << v;
    vb->Unlock();
    vb->Release();

    // Cloning to texture coordinates and colours fills what the source lacks.
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(S_OK, mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1,
                                       device_.Device(), &clone));
    ASSERT_EQ(S_OK, clone->GetVertexBuffer(&vb));
    ASSERT_EQ(S_OK, vb->Lock(0, 0, &data, D3DLOCK_READONLY));
    DWORD diffuse;
    float uv[2];
    std::memcpy(&diffuse, data + 24 * 3 + 12, 4);
    std::memcpy(uv, data + 24 * 3 + 16, 8);
    EXPECT_EQ(0xFFFFFFFFu, diffuse);
    EXPECT_EQ(0.0f, uv[0]);
    EXPECT_EQ(0.0f, uv[1]);
    EXPECT_EQ(0, std::memcmp(data + 24 * 3, positions[3], 12));
    vb->Unlock();
    vb->Release();
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXComputeNormals(clone, nullptr)) << "a format without normals";
    clone->Release();
    mesh->Release();
}

} // namespace
