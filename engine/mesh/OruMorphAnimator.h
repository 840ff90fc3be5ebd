// Keyframe chooser of a swimming fish: from a swim amplitude and a phase it
// picks two neighbouring keyframes of a mesh list and three blend weights,
// and when the fish draws it binds the rest pose and the two keyframes as
// vertex streams 0, 1 and 2 and puts the weights into register c24. The
// fish's vertex shader does the blending.
#pragma once

#include "OruMeshRecord.h"

#include <windows.h>
#include <d3d8.h>

#include <cstdint>

class VBServer;

class OruMorphAnimator {
public:
    // meshes is the owner's mesh-record array (not owned); the keyframes are
    // meshes firstFrame .. firstFrame + frameCount - 1. A negative count
    // counts as no keyframes.
    OruMorphAnimator(OruMeshRecord* meshes, int baseMesh, int firstFrame, int frameCount);

    // Chooses the keyframes and weights. The phase is first reduced into
    // [0, frameCount) (a phase that is not finite counts as 0), so both
    // chosen keyframes always lie in the list; an amplitude that is not
    // finite counts as 0 (the rest pose). Without keyframes every stream
    // gets the rest pose at full weight.
    void Evaluate(float amplitude, float phase);

    // Binds what the last Evaluate chose, through the world's buffer server
    // on the application's device.
    void Apply();
    // The same on the given device and server; either may be null (then
    // that part is skipped).
    void Apply(IDirect3DDevice8* device, VBServer* server);

    OruMeshRecord* meshes;
    int32_t baseMesh;
    int32_t firstFrame;
    float weights[4];  // register c24: rest pose, keyframe, next keyframe, 0
    int32_t chosen[3]; // mesh indices for streams 0, 1 and 2
    uint32_t frameCount;
};
