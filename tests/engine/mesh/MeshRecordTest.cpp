// Mesh record construction, copying and release, and the vertex layouts.

#include "TestDevice.h"
#include "mesh/FishVertex.h"
#include "mesh/MorphVertex.h"
#include "mesh/OruMeshRecord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>

namespace {
// Blocks handed to delete[] while a test watches.
bool g_watching = false;
std::set<void*> g_freed;
} // namespace

void operator delete[](void* p) noexcept
{
    if (p && g_watching)
        g_freed.insert(p);
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept { operator delete[](p); }

namespace {

// The static-record pattern of the model data: zero-initialised arrays, a
// record built over them, and the arrays filled by an initialiser that runs
// after the record's own (definition order within the file).
FishVertex g_restPose[3];
MorphVertex g_keyframe[3];
uint16_t g_indices[3] = {0, 1, 2};
const D3DXATTRIBUTERANGE g_ranges[2] = {{0, 0, 1, 0, 3}, {1, 1, 0, 3, 0}};

OruMeshRecord g_restRecord(3, g_restPose, 1, g_indices, FishVertex::Format, sizeof(FishVertex), g_ranges, 2);
OruMeshRecord g_keyRecord(3, g_keyframe, 1, g_indices, MorphVertex::Format, sizeof(MorphVertex), g_ranges, 1);

struct FillArrays {
    FillArrays()
    {
        g_restPose[0] = FishVertex(Vector3(1, 2, 3), Vector3(0, 1, 0), 0.25f, 0.75f);
        g_restPose[1] = FishVertex(Vector3(4, 5, 6), Vector3(0, 0, 1), 0.5f, 0.5f);
        g_restPose[2] = FishVertex(Vector3(7, 8, 9), Vector3(1, 0, 0), 1.0f, 0.0f);
        for (int i = 0; i < 3; ++i)
            g_keyframe[i] = MorphVertex(g_restPose[i].position, g_restPose[i].normal);
    }
} g_fill;

bool SameRange(const D3DXATTRIBUTERANGE& a, const D3DXATTRIBUTERANGE& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(OruMeshRecord, StaticRecordKeepsTheArrayAddressesBuiltBeforeTheyAreFilled)
{
    EXPECT_EQ(static_cast<void*>(g_restPose), g_restRecord.vertices);
    EXPECT_EQ(g_indices, g_restRecord.indices);
    EXPECT_EQ(3, g_restRecord.vertexCount);
    EXPECT_EQ(1, g_restRecord.faceCount);
    EXPECT_EQ(0x112u, g_restRecord.fvf);
    EXPECT_EQ(32, g_restRecord.stride);
    EXPECT_EQ(0x12u, g_keyRecord.fvf);
    EXPECT_EQ(24, g_keyRecord.stride);
    EXPECT_EQ(0u, g_restRecord.key);
    EXPECT_EQ(nullptr, g_restRecord.vertexBuffer);
    EXPECT_EQ(nullptr, g_restRecord.indexBuffer);
    EXPECT_EQ(0, g_restRecord.noVB);
    EXPECT_EQ(1, g_restRecord.isStatic);
    ASSERT_EQ(2, g_restRecord.rangeCount);
    EXPECT_TRUE(SameRange(g_ranges[1], g_restRecord.ranges[1]));
    EXPECT_EQ(1, g_keyRecord.rangeCount);

    // The record sees the values the later initialiser wrote.
    const FishVertex* v = static_cast<const FishVertex*>(g_restRecord.vertices);
    EXPECT_EQ(7.0f, v[2].position.x);
    EXPECT_EQ(0.75f, v[0].tv);
    const MorphVertex* m = static_cast<const MorphVertex*>(g_keyRecord.vertices);
    EXPECT_EQ(1.0f, m[2].normal.x);

    // vertexCount x stride covers each array exactly.
    EXPECT_EQ(sizeof g_restPose, size_t(g_restRecord.vertexCount) * size_t(g_restRecord.stride));
    EXPECT_EQ(sizeof g_keyframe, size_t(g_keyRecord.vertexCount) * size_t(g_keyRecord.stride));
}

TEST(OruMeshRecord, RangeCountIsClampedToTheRecordsRanges)
{
    D3DXATTRIBUTERANGE many[25];
    for (DWORD i = 0; i < 25; ++i)
        many[i] = {i, i * 10, 10, i * 4, 4};
    struct Case {
        int32_t given;
        int32_t kept;
    };
    for (Case c : {Case{0, 0}, Case{1, 1}, Case{18, 18}, Case{20, 20}, Case{21, 20}, Case{25, 20}, Case{-3, 0}}) {
        OruMeshRecord r(4, g_restPose, 1, g_indices, 0x112, 32, many, c.given);
        ASSERT_EQ(c.kept, r.rangeCount) << c.given;
        for (int i = 0; i < c.kept; ++i)
            EXPECT_TRUE(SameRange(many[i], r.ranges[i])) << i;
        for (int i = c.kept; i < MeshRangeCapacity; ++i)
            EXPECT_EQ(0u, r.ranges[i].FaceCount) << i;
    }
}

TEST(OruMeshRecord, DefaultRecordIsEmptyAndItsDestructorDoesNothing)
{
    alignas(OruMeshRecord) unsigned char storage[sizeof(OruMeshRecord)];
    std::memset(storage, 0xCD, sizeof storage); // as if the memory held garbage
    OruMeshRecord* r = new (storage) OruMeshRecord();
    EXPECT_EQ(0u, r->key);
    EXPECT_EQ(nullptr, r->vertexBuffer);
    EXPECT_EQ(nullptr, r->indexBuffer);
    EXPECT_EQ(nullptr, r->vertices);
    EXPECT_EQ(nullptr, r->indices);
    EXPECT_EQ(0, r->vertexCount + r->faceCount + r->stride + r->noVB + r->isStatic);
    EXPECT_EQ(0u, r->fvf);
    EXPECT_EQ(0, r->rangeCount);
    for (const D3DXATTRIBUTERANGE& range : r->ranges)
        EXPECT_EQ(0u, range.AttribId | range.FaceStart | range.FaceCount | range.VertexStart | range.VertexCount);
    r->~OruMeshRecord();
}

TEST(OruMeshRecord, CopiesShareArraysAndLeaveTheSourceAlone)
{
    OruMeshRecord copy = g_restRecord;
    copy.isStatic = 1;
    copy.key = reinterpret_cast<uintptr_t>(copy.vertices);
    EXPECT_EQ(g_restRecord.vertices, copy.vertices);
    EXPECT_EQ(g_restRecord.indices, copy.indices);
    EXPECT_EQ(0u, g_restRecord.key);
    EXPECT_EQ(nullptr, g_restRecord.vertexBuffer);
    EXPECT_EQ(3, g_restRecord.vertexCount);
    EXPECT_EQ(2, g_restRecord.rangeCount);
}

TEST(OruMeshRecord, DestroyingAnyRecordReleasesAndFreesNothing)
{
    // The buffers and loaded arrays a record names belong to the buffer
    // server; neither a static record, its copy, nor a loaded record lets go
    // of them when it goes.
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(S_OK, device.Device()->CreateVertexBuffer(3 * 32, 0, 0x112, D3DPOOL_MANAGED, &vb));
    ASSERT_EQ(S_OK, device.Device()->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib));
    vb->AddRef();
    ib->AddRef();
    uint8_t* vertices = new uint8_t[3 * 32];
    uint16_t* indices = new uint16_t[3];
    g_freed.clear();
    g_watching = true;
    {
        OruMeshRecord original(3, g_restPose, 1, g_indices, 0x112, 32, g_ranges, 1);
        original.vertexBuffer = vb;
        original.indexBuffer = ib;
        OruMeshRecord copy = original;
        OruMeshRecord assigned;
        assigned = copy;
        OruMeshRecord loaded;
        loaded.vertices = vertices;
        loaded.indices = indices;
        loaded.vertexBuffer = vb;
        loaded.indexBuffer = ib;
        loaded.isStatic = 0;
        OruMeshRecord loadedCopy = loaded;
        OruMeshRecord staticCopy = g_restRecord;
    }
    g_watching = false;
    EXPECT_TRUE(g_freed.empty()) << "no record frees an array";
    EXPECT_EQ(7.0f, g_restPose[2].position.x);
    EXPECT_EQ(1u, vb->Release()) << "both references are still the test's";
    EXPECT_EQ(1u, ib->Release());
    EXPECT_EQ(0u, vb->Release());
    EXPECT_EQ(0u, ib->Release());
    delete[] vertices;
    delete[] indices;
}
