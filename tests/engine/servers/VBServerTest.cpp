// The vertex and index buffer server on Wine's device, directly and through
// the proxy d3d8.dll for exact call sequences and refused creations.

#include "ServersTestSupport.h"
#include "servers/VBServer.h"

#include <cstring>
#include <memory>

using namespace servertest;

namespace {

// Four positions (stride 12) and two triangles.
float Quad[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
float OtherQuad[12] = {0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1};
uint16_t QuadIndices[6] = {0, 1, 2, 0, 2, 3};

BorrowingRecord QuadRecord(float* vertices = Quad)
{
    return BorrowingRecord(4, vertices, 2, QuadIndices, D3DFVF_XYZ, 12, nullptr, 0);
}

std::unique_ptr<VBServer> Server()
{
    return std::unique_ptr<VBServer>(new VBServer());
}

template <typename Buffer> std::vector<uint8_t> Contents(Buffer* buffer, UINT size)
{
    BYTE* data = nullptr;
    if (FAILED(buffer->Lock(0, 0, &data, D3DLOCK_READONLY)) || !data)
        return {};
    std::vector<uint8_t> bytes(data, data + size);
    buffer->Unlock();
    return bytes;
}

std::vector<uint8_t> Bytes(const void* p, size_t n)
{
    const uint8_t* b = static_cast<const uint8_t*>(p);
    return std::vector<uint8_t>(b, b + n);
}

} // namespace

TEST(VBServer, SharesBuffersByKeyAndOwnsTheOnlyReference)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    ServerApp app(device.Device());
    auto vb = Server();
    EXPECT_EQ(0, vb->count);

    BorrowingRecord a = QuadRecord(), b = QuadRecord();
    BorrowingRecord strip(4, OtherQuad, 5, QuadIndices, D3DFVF_XYZ, 12, nullptr, 0);
    ASSERT_EQ(0, vb->Create2(&a, 0));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(Quad), a.key);
    ASSERT_TRUE(a.vertexBuffer);
    ASSERT_TRUE(a.indexBuffer);
    ASSERT_EQ(0, vb->Create2(&b, 0));
    EXPECT_EQ(a.vertexBuffer, b.vertexBuffer);
    EXPECT_EQ(a.indexBuffer, b.indexBuffer);
    ASSERT_EQ(0, vb->Create2(&strip, 1));
    ASSERT_EQ(2, vb->count);
    EXPECT_EQ(a.vertexBuffer, vb->records[0].vertexBuffer);
    EXPECT_EQ(strip.indexBuffer, vb->records[1].indexBuffer);

    // Sizes and contents: triangles take six bytes a face, strips two.
    struct Expected {
        BorrowingRecord* record;
        UINT vbSize, ibSize;
    };
    for (const Expected& e : {Expected{&a, 48, 12}, Expected{&strip, 48, 10}}) {
        D3DVERTEXBUFFER_DESC vd = {};
        D3DINDEXBUFFER_DESC id = {};
        e.record->vertexBuffer->GetDesc(&vd);
        e.record->indexBuffer->GetDesc(&id);
        EXPECT_EQ(e.vbSize, vd.Size);
        EXPECT_EQ(DWORD(D3DUSAGE_WRITEONLY), vd.Usage);
        EXPECT_EQ(D3DPOOL_DEFAULT, vd.Pool);
        EXPECT_EQ(e.ibSize, id.Size);
        EXPECT_EQ(D3DFMT_INDEX16, id.Format);
        EXPECT_EQ(Bytes(e.record->vertices, e.vbSize), Contents(e.record->vertexBuffer, e.vbSize));
        EXPECT_EQ(Bytes(e.record->indices, e.ibSize), Contents(e.record->indexBuffer, e.ibSize));
        // The server's reference is the only one.
        EXPECT_EQ(1u, References(e.record->vertexBuffer));
        EXPECT_EQ(1u, References(e.record->indexBuffer));
    }

    // Invalidate releases them: a reference taken before is then the last.
    IDirect3DVertexBuffer8* oldVB = a.vertexBuffer;
    IDirect3DIndexBuffer8* oldIB = a.indexBuffer;
    oldVB->AddRef();
    oldIB->AddRef();
    EXPECT_EQ(0, vb->InvalidateDeviceObjects());
    EXPECT_EQ(0u, oldVB->Release());
    EXPECT_EQ(0u, oldIB->Release());
    EXPECT_EQ(2, vb->count);
    EXPECT_EQ(nullptr, vb->records[0].vertexBuffer);
    EXPECT_EQ(nullptr, vb->records[1].indexBuffer);

    // The next restore remakes them in place, through either caller.
    ASSERT_EQ(0, vb->Create2(&b, 0));
    EXPECT_EQ(2, vb->count);
    ASSERT_TRUE(b.vertexBuffer);
    EXPECT_EQ(b.vertexBuffer, vb->records[0].vertexBuffer);
    ASSERT_EQ(0, vb->Create2(&a, 0));
    EXPECT_EQ(b.vertexBuffer, a.vertexBuffer);
    EXPECT_EQ(1u, References(a.vertexBuffer));

    // Delete empties the list, releasing buffers no invalidate did; the next
    // sight of a static record appends it.
    IDirect3DVertexBuffer8* leftVB = vb->records[0].vertexBuffer;
    IDirect3DIndexBuffer8* leftIB = vb->records[0].indexBuffer;
    leftVB->AddRef();
    leftIB->AddRef();
    EXPECT_EQ(0, vb->DeleteDeviceObjects());
    EXPECT_EQ(0u, leftVB->Release());
    EXPECT_EQ(0u, leftIB->Release());
    EXPECT_EQ(0, vb->count);
    EXPECT_EQ(Quad, vb->records[0].vertices) << "static arrays are program data, never freed";
    ASSERT_EQ(0, vb->Create2(&strip, 1));
    EXPECT_EQ(1, vb->count);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(OtherQuad), vb->records[0].key);
    vb->InvalidateDeviceObjects();
}

TEST(VBServer, BindFiltersAndResetCurrent)
{
    ProxyDevice proxy("");
    ASSERT_TRUE(proxy.Device());
    ServerApp app(proxy.Device());
    auto vb = Server();
    BorrowingRecord a = QuadRecord(), b = QuadRecord(OtherQuad);
    ASSERT_EQ(0, vb->Create2(&a, 0));
    ASSERT_EQ(0, vb->Create2(&b, 0));
    IDirect3DVertexBuffer8* v1 = a.vertexBuffer;
    IDirect3DVertexBuffer8* v2 = b.vertexBuffer;
    IDirect3DIndexBuffer8* i1 = a.indexBuffer;
    auto stream = [](UINT s, void* p) {
        return "SetStreamSource stream=" + std::to_string(s) + " vb=" + Hex(p) + " stride=12 -> 0x0";
    };
    auto indices = [](void* p, UINT base) {
        return "SetIndices ib=" + Hex(p) + " base=" + std::to_string(base) + " -> 0x0";
    };

    enum Kind { Stream, Index, Reset };
    struct Step {
        Kind kind;
        UINT slot; // stream, or base vertex
        void* buffer;
        std::vector<std::string> calls;
    };
    const Step steps[] = {
        {Stream, 0, v1, {stream(0, v1)}},
        {Stream, 0, v1, {}},
        {Stream, 1, v1, {stream(1, v1)}},
        {Stream, 0, v2, {stream(0, v2)}},
        {Index, 0, i1, {indices(i1, 0)}},
        {Index, 0, i1, {}},
        {Index, 3, i1, {indices(i1, 3)}},
        {Index, 3, i1, {indices(i1, 3)}},
        {Index, 0, i1, {}},
        {Stream, 9, v2, {stream(9, v2)}},
        {Stream, 10, v2, {}},
        {Stream, 0xFFFFFFFF, v2, {}},
        {Reset, 0, nullptr, {}},
        {Stream, 0, v2, {stream(0, v2)}},
        {Index, 0, i1, {indices(i1, 0)}},
    };
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        SCOPED_TRACE(i);
        const Step& s = steps[i];
        const size_t mark = proxy.Mark();
        if (s.kind == Stream)
            vb->SetStream(s.slot, static_cast<IDirect3DVertexBuffer8*>(s.buffer), 12, 0);
        else if (s.kind == Index)
            vb->SetIndexBuffer(static_cast<IDirect3DIndexBuffer8*>(s.buffer), s.slot, 0);
        else
            vb->ResetCurrent();
        EXPECT_EQ(s.calls, proxy.ServerCalls(mark));
    }
    EXPECT_EQ(static_cast<void*>(i1), vb->currentIB);

    // A null stream is traced as result 1 and still bound.
    DebugOutputCapture capture;
    const size_t mark = proxy.Mark();
    vb->SetStream(2, nullptr, 12, 1);
    EXPECT_EQ((std::vector<std::string>{stream(2, nullptr)}), proxy.ServerCalls(mark));
    ASSERT_EQ(1u, Traces(capture).size());
    EXPECT_EQ("1", TracedResult(Traces(capture)[0]));

    proxy.Device()->SetStreamSource(0, nullptr, 0);
    proxy.Device()->SetStreamSource(1, nullptr, 0);
    proxy.Device()->SetStreamSource(9, nullptr, 0);
    proxy.Device()->SetIndices(nullptr, 0);
    vb->InvalidateDeviceObjects();
    EXPECT_EQ(0u, proxy.ReleaseDevice()) << "every buffer released";
}

TEST(VBServer, IndexOnlyRecordsShareTheirIndexBuffer)
{
    ProxyDevice proxy("");
    ASSERT_TRUE(proxy.Device());
    ServerApp app(proxy.Device());
    auto vb = Server();
    BorrowingRecord a = QuadRecord(), b = QuadRecord();
    a.noVB = b.noVB = 1;

    size_t mark = proxy.Mark();
    ASSERT_EQ(0, vb->Create2(&a, 0));
    ASSERT_EQ(0, vb->Create2(&b, 0));
    ASSERT_EQ(0, vb->Create2(&a, 0));
    EXPECT_EQ(nullptr, a.vertexBuffer);
    ASSERT_TRUE(a.indexBuffer);
    EXPECT_EQ(a.indexBuffer, b.indexBuffer);
    EXPECT_EQ(1u, References(a.indexBuffer));
    EXPECT_EQ((std::vector<std::string>{"CreateIndexBuffer length=12 usage=0x8 format=101 pool=0 -> 0x0 ib=" +
                                        Hex(a.indexBuffer)}),
              proxy.ServerCalls(mark));

    vb->InvalidateDeviceObjects();
    mark = proxy.Mark();
    ASSERT_EQ(0, vb->Create2(&b, 0));
    ASSERT_EQ(0, vb->Create2(&a, 0));
    EXPECT_EQ(1u, proxy.Calls("CreateIndexBuffer", mark).size());
    EXPECT_EQ(1, vb->count);
    vb->InvalidateDeviceObjects();
    EXPECT_EQ(0u, proxy.ReleaseDevice());
}

// A refused creation or lock: the error is returned and traced, nothing
// further is asked of the device, neither record keeps a buffer, and what
// was made is released (the device's final release finds nothing left).
TEST(VBServer, FailedCreationOrLockReleasesTheBuffersAndReturnsTheError)
{
    const std::string vbCreate = "CreateVertexBuffer length=48 usage=0x8 fvf=0x0 pool=0 -> ";
    const std::string ibCreate = "CreateIndexBuffer length=12 usage=0x8 format=101 pool=0 -> ";
    const std::string vbLock = "VertexBuffer.Lock -> 0x8876086C injected";
    const std::string ibLock = "IndexBuffer.Lock -> 0x8876086C injected";
    struct Case {
        const char* faults;
        int32_t noVB;
        HRESULT error;
        std::vector<std::string> calls; // beginnings of the logged calls
    };
    const Case cases[] = {
        {"vb_create_fail", 0, D3DERR_OUTOFVIDEOMEMORY, {vbCreate + "0x8876017C"}},
        {"vb_lock_fail", 0, D3DERR_INVALIDCALL, {vbCreate + "0x0", vbLock}},
        {"ib_create_fail", 0, D3DERR_OUTOFVIDEOMEMORY, {vbCreate + "0x0", ibCreate + "0x8876017C"}},
        {"ib_lock_fail", 0, D3DERR_INVALIDCALL, {vbCreate + "0x0", ibCreate + "0x0", ibLock}},
        {"ib_lock_fail", 1, D3DERR_INVALIDCALL, {ibCreate + "0x0", ibLock}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.faults) + (c.noVB ? " index only" : ""));
        ProxyDevice proxy(c.faults);
        ASSERT_TRUE(proxy.Device());
        ServerApp app(proxy.Device());
        auto vb = Server();
        BorrowingRecord a = QuadRecord();
        a.noVB = c.noVB;
        DebugOutputCapture capture;

        const size_t mark = proxy.Mark();
        EXPECT_EQ(c.error, vb->Create2(&a, 0));
        EXPECT_EQ(nullptr, a.vertexBuffer);
        EXPECT_EQ(nullptr, a.indexBuffer);
        ASSERT_EQ(1, vb->count);
        EXPECT_EQ(nullptr, vb->records[0].vertexBuffer);
        EXPECT_EQ(nullptr, vb->records[0].indexBuffer);
        const std::vector<std::string> calls = proxy.ServerCalls(mark);
        ASSERT_EQ(c.calls.size(), calls.size());
        for (size_t i = 0; i < calls.size(); ++i)
            EXPECT_EQ(c.calls[i], calls[i].substr(0, c.calls[i].size()));
        ASSERT_EQ(1u, Traces(capture).size());
        EXPECT_EQ(Hex(static_cast<unsigned long>(c.error)).substr(2), TracedResult(Traces(capture)[0]));

        vb->InvalidateDeviceObjects();
        vb->DeleteDeviceObjects();
        EXPECT_EQ(0u, proxy.ReleaseDevice()) << "the buffers of the failed call were released";
    }
}

TEST(VBServer, HandlesOfAnEarlierDeviceAreNeverTakenOver)
{
    // The caller's record still holds buffers of an earlier device.
    TestDevice earlier;
    ASSERT_TRUE(earlier.Ok()) << earlier.Error();
    IDirect3DVertexBuffer8* staleVB = nullptr;
    IDirect3DIndexBuffer8* staleIB = nullptr;
    ASSERT_EQ(D3D_OK, earlier.Device()->CreateVertexBuffer(48, 0, 0, D3DPOOL_MANAGED, &staleVB));
    ASSERT_EQ(D3D_OK, earlier.Device()->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &staleIB));

    for (const char* faults : {"", "ib_create_fail"}) {
        SCOPED_TRACE(faults);
        ProxyDevice proxy(faults);
        ASSERT_TRUE(proxy.Device());
        ServerApp app(proxy.Device());
        auto vb = Server();
        BorrowingRecord a = QuadRecord();
        a.vertexBuffer = staleVB;
        a.indexBuffer = staleIB;
        const HRESULT hr = vb->Create2(&a, 0);
        ASSERT_EQ(1, vb->count);
        if (*faults) {
            EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY, hr);
            EXPECT_EQ(nullptr, a.vertexBuffer);
            EXPECT_EQ(nullptr, a.indexBuffer);
            EXPECT_EQ(nullptr, vb->records[0].vertexBuffer);
            EXPECT_EQ(nullptr, vb->records[0].indexBuffer);
            // A second caller of the key finds no buffers to borrow.
            BorrowingRecord b = QuadRecord();
            EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY, vb->Create2(&b, 0));
            EXPECT_EQ(nullptr, b.vertexBuffer);
            EXPECT_EQ(1, vb->count);
        } else {
            EXPECT_EQ(0, hr);
            EXPECT_NE(staleVB, a.vertexBuffer);
            EXPECT_NE(staleIB, a.indexBuffer);
            EXPECT_EQ(a.vertexBuffer, vb->records[0].vertexBuffer);
        }
        vb->InvalidateDeviceObjects();
        vb->DeleteDeviceObjects();
        vb.reset();
        EXPECT_EQ(1u, References(staleVB));
        EXPECT_EQ(1u, References(staleIB));
        EXPECT_EQ(0u, proxy.ReleaseDevice()) << "the buffers of this device were released";
    }
    EXPECT_EQ(0u, staleVB->Release());
    EXPECT_EQ(0u, staleIB->Release());
}

TEST(VBServer, MeshWithoutVerticesOrFacesIsSkipped)
{
    ProxyDevice proxy("");
    ASSERT_TRUE(proxy.Device());
    ServerApp app(proxy.Device());
    struct Case {
        const char* name;
        int32_t vertexCount, faceCount;
        bool vertices, indices;
        int32_t noVB;
    };
    const Case cases[] = {
        {"no vertices", 0, 2, true, true, 0}, {"no faces", 4, 0, true, true, 0},
        {"null vertex array", 4, 2, false, true, 0}, {"null index array", 4, 2, true, false, 0},
        {"index-only without faces", 4, 0, true, true, 1},
    };
    auto vb = Server();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        float vertices[12] = {};
        BorrowingRecord r(c.vertexCount, c.vertices ? vertices : nullptr, c.faceCount,
                          c.indices ? QuadIndices : nullptr, D3DFVF_XYZ, 12, nullptr, 0);
        r.noVB = c.noVB;
        r.vertexBuffer = reinterpret_cast<IDirect3DVertexBuffer8*>(uintptr_t(0x1000));
        r.indexBuffer = reinterpret_cast<IDirect3DIndexBuffer8*>(uintptr_t(0x2000));
        const size_t mark = proxy.Mark();
        EXPECT_EQ(0, vb->Create2(&r, 0));
        EXPECT_EQ(0, vb->count);
        EXPECT_EQ(nullptr, r.vertexBuffer);
        EXPECT_EQ(nullptr, r.indexBuffer);
        EXPECT_TRUE(proxy.ServerCalls(mark).empty());
    }
    // An index-only record needs no vertex array.
    BorrowingRecord indexOnly(4, nullptr, 2, QuadIndices, D3DFVF_XYZ, 12, nullptr, 0);
    indexOnly.noVB = 1;
    indexOnly.isStatic = 0; // keyed by the caller, arrays not the server's to free
    indexOnly.key = 0x5EED;
    EXPECT_EQ(0, vb->Create2(&indexOnly, 0));
    EXPECT_TRUE(indexOnly.indexBuffer);
    vb->InvalidateDeviceObjects();
    vb->records[0].indices = nullptr;
    vb->DeleteDeviceObjects();
    indexOnly.indices = nullptr;
    indexOnly.isStatic = 1;
    EXPECT_EQ(0u, proxy.ReleaseDevice());
}

TEST(VBServer, HundredAndFirstMeshIsRefused)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    ServerApp app(device.Device());
    auto vb = Server();
    std::vector<std::vector<float>> arrays(VBServerCapacity + 1, std::vector<float>(Quad, Quad + 12));
    DebugOutputCapture capture;
    for (int i = 0; i < VBServerCapacity; ++i) {
        BorrowingRecord r = QuadRecord(arrays[size_t(i)].data());
        EXPECT_EQ(0, vb->Create2(&r, 0)) << i;
    }
    EXPECT_TRUE(Traces(capture).empty());
    BorrowingRecord last = QuadRecord(arrays.back().data());
    EXPECT_EQ(E_OUTOFMEMORY, vb->Create2(&last, 0));
    EXPECT_EQ(nullptr, last.vertexBuffer);
    EXPECT_EQ(VBServerCapacity, vb->count);
    ASSERT_EQ(1u, Traces(capture).size());
    EXPECT_EQ("8007000E", TracedResult(Traces(capture)[0]));
    // A known key is still served when full.
    BorrowingRecord known = QuadRecord(arrays[7].data());
    EXPECT_EQ(0, vb->Create2(&known, 0));
    EXPECT_EQ(vb->records[7].vertexBuffer, known.vertexBuffer);
    vb->InvalidateDeviceObjects();
}
