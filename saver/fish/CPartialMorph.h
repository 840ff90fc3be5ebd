// Moves single parts of a fish (attribute ranges of its rest pose)
// independently of the swim: each part has two extreme poses in a pose mesh
// and is blended between them every frame by a weight of its own. The
// offsets from the rest pose reach the vertex shader as stream 3.
//
// One template per fish kind finds, once, which vertices each part's poses
// move and turns the pose mesh into offsets from the rest pose; every fish
// of the kind copies the template's tables (CopyFrom) and owns its own
// blend array and device buffer.
#pragma once

#include "MorphTriple.h"

#include "mesh/MorphVertex.h"
#include "mesh/OruMeshRecord.h"

#include <windows.h>
#include <d3d8.h>

#include <cstdint>

const int MorphBaseRangeCapacity = MeshRangeCapacity; // 20
const int MorphChangedCapacity = 150;  // moved vertices recorded per base range
const int MorphWeightCount = 20;       // the weight array BlendMorph reads
// Rest-pose vertices a fish's blend array holds (the largest rest pose has
// 385); the build stops at a larger rest pose.
const int MorphVertexCapacity = 512;

class CPartialMorph {
public:
    CPartialMorph();
    CPartialMorph(const CPartialMorph&) = delete;
    CPartialMorph& operator=(const CPartialMorph&) = delete;
    virtual ~CPartialMorph();

    // The blend array (zeroed) and the dynamic device buffer of the offsets.
    // A failed creation is returned; the fish then draws without stream 3.
    virtual HRESULT RestoreDeviceObjects();
    // Releases the device buffer; the blend array is unusable until the
    // next restore.
    virtual HRESULT InvalidateDeviceObjects();
    virtual HRESULT DeleteDeviceObjects() { return 0; }

    void SetMorphSource(OruMeshRecord* meshes, int baseMesh, int poseMesh, const MorphTriple* triples,
                        int tripleCount);
    // Records the moved vertices of every part and turns the pose mesh's
    // vertex array into offsets from the rest pose. Runs once per pose mesh:
    // a second call (on any template over the same vertex array) changes
    // nothing and returns 0; otherwise returns the number of triples built.
    int BUildPartialMorphData();
    // The template's tables (not its buffers); meshes is then this fish's own
    // mesh array.
    void CopyFrom(const CPartialMorph& source, OruMeshRecord* meshes);

    // Blends the recorded vertices of every part: w A + (1 - w) B with
    // w = weights[t]. Does nothing before a successful restore.
    void BlendMorph(const float* weights);
    // Keeps this frame's weights; the blend itself waits for a draw that
    // needs it, so fish drawn as billboards, in low detail or not at all
    // blend nothing.
    void SetPendingWeights(const float* weights);
    // Blends the kept weights, once per SetPendingWeights.
    void BlendPending();
    // Writes the blend into the device buffer. Returns the buffer to bind as
    // stream 3, or null when there is none (the fish then draws without it).
    IDirect3DVertexBuffer8* UploadMorph();
    // Non-zero when the device buffer exists (after a successful restore).
    int Ready() const { return morphBuffer != nullptr && blendReady != 0; }

    OruMeshRecord* meshes;       // the owning fish's mesh array, not owned
    const MorphTriple* triples;  // the kind's table, not owned
    int32_t baseMesh;
    int32_t poseMesh;
    int32_t changedVertices[MorphBaseRangeCapacity][MorphChangedCapacity];
    int32_t changedCounts[MorphBaseRangeCapacity];
    IDirect3DVertexBuffer8* morphBuffer; // owned
    uint32_t tripleCount;
    int32_t blendReady;          // the blend array was cleared by a restore
    MorphVertex blendBuffer[MorphVertexCapacity];
    float pendingWeights[MorphWeightCount];
    int32_t weightsPending;      // pendingWeights are not blended yet

private:
    // Vertex count of the rest pose, 0 when it is missing or too large.
    int RestVertexCount() const;
    // Whether triple t's three ranges exist and have one vertex count.
    bool TripleMatches(uint32_t t) const;
};
