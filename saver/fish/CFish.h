// The drawable, swimming fish and the base of the three fish kinds. Each
// frame it is steered by its mover, moves, is culled, chooses its level of
// detail and animates its swim: a keyframe blend of the rest pose with two
// neighbouring swim keyframes that the vertex shader computes from three
// vertex streams and three weights (OruMorphAnimator); kinds with a partial
// morph add a fourth stream of part offsets (CPartialMorph). A fish on the
// line from the eye toward the sun dims the flare, and the master of a clone
// group renders its own picture into the group's texture (PimRenderTexture).
//
// The fish draws unlit: its colour times its skin's alpha, with the stencil
// reference set to its stencilId so that the stencil paint finds it.
#pragma once

#include "scene/PimVertexObject.h"

#include "servers/ShaderSet.h"
#include "servers/StateTokens.h"

#include <cstdint>

class OruMorphAnimator;
class CPartialMorph;
struct MorphTriple;
class PimRenderTexture;

// cloneRole values.
const int32_t CloneRoleNone = 0;
const int32_t CloneRoleMaster = 2;
const int32_t CloneRoleMember = 3;

// Entries of FishShaderSet.
const int FishShaderMorph = 0; // vs14rp, FishMorphDeclaration
const int FishShaderPixel = 1; // ps2rp
const int FishShaderLow = 2;   // it1rp, FishLowDeclaration
const int FishShaderPlain = 3; // vs2rp, FishDeclaration

extern const ShaderSet FishShaderSet;
// Main pass (blended) and master pass (unblended) state tables.
extern const DWORD FishStateTokens[];
extern const DWORD FishMasterStateTokens[];

class CFish : public PimVertexObject {
public:
    // Built only by the kinds' constructors, which then add the meshes, the
    // skin and the animator. Draws scale then ownRate from SelRandUnit.
    CFish();

    // Folds the stencil id into the stencil format, records the master state
    // block, restores the base (its failure is returned) and the partial
    // morph (whose failure only leaves the fish without stream 3).
    HRESULT RestoreDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;
    // Device objects only: the animator and the partial morph stay.
    HRESULT DeleteDeviceObjects() override;
    // Mover, move/cull/LOD/animate, the sun-ray test, and for a clone master
    // the picture of the master pass.
    void Update(float time, float prevTime) override;
    // Draw(); always 0.
    HRESULT Render() override;
    // Draws the fish (in the master pass its picture, with the master state
    // block): true only when its triangles reached the device. Nothing is
    // drawn for a matrix that is not a number, a refused texture or
    // validation, a mesh without data, or a master pass without its state
    // block.
    bool Draw();
    // Frees the animator and the partial morph (once), then the base's.
    HRESULT FinalCleanup() override;
    // In the master pass the matrices are those of the fish at unit scale
    // (the picture a billboard scales by each member's own size); otherwise
    // the fish's own.
    void UpdateShaderMatrices(const D3DXMATRIX* view, const D3DXMATRIX* projection) override;
    void Animate(float time, float prevTime) override;
    // Blends the partial morph: every part at (sin(4 time) + 1) / 2.
    virtual void AnimateMorph(float time, float prevTime);

    // ((id - 1) mod (2^bits - 1)) + 1 in unsigned 32-bit arithmetic; 1 when
    // bits is 0 (or out of 1..32).
    static uint32_t FoldStencilId(uint32_t id, int bits);
    // The factor by which a fish at position dims the sun seen from eye along
    // sunDirection (pointing from the sun into the scene): 1 when the fish is
    // not between the eye and the sun or not within radius of the ray,
    // otherwise d / radius when that exceeds 0.5, else 0.
    static float SunRayFactor(const Vector3& eye, const Vector3& sunDirection, const Vector3& position,
                              float radius);

    int32_t masterPass;         // non-zero while drawing into the group's texture
    DWORD masterStateBlock;     // from FishMasterStateTokens
    OruMorphAnimator* animator; // owned
    CPartialMorph* partialMorph; // owned, or null
    float swimPhase;            // [0, the animator's frameCount)
    float swimAmplitude;
    float ownRate;              // 1 + r
    float maxAmplitude;         // cap of the amplitude target
    int32_t cloneRole;          // CloneRoleNone, CloneRoleMaster or CloneRoleMember
    PimRenderTexture* renderTexture; // the fish's clone group, not owned

    // False when the kind's constructor could not allocate its animator or
    // its partial morph; such a fish is finalised and deleted unused.
    bool Complete() const { return complete; }

protected:
    // The kinds' construction steps. The animator morphs meshes 1 to 10 (the
    // swim keyframes) over mesh 0 (the rest pose). With the partial morph on,
    // the pose mesh is added as mesh 11 and the fish copies the kind's
    // template, built over it once. A refused allocation clears `complete`.
    void AddAnimator();
    void AddPartialMorph(OruMeshRecord* poseMesh, CPartialMorph& kindTemplate, const MorphTriple* triples,
                         int tripleCount);

    bool complete;

private:
    void RunMasterPass();
};
