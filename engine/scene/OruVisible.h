// A drawable object: after moving, it decides whether it is in view, takes
// the view and projection matrices, chooses low detail by distance and
// animates. It keeps the handle of its state block, recorded from its
// class's token table by the world's state-block server.
#pragma once

#include "OruMove.h"

#include "servers/StateTokens.h"

class OruVisible : public OruMove {
public:
    OruVisible();

    HRESULT RestoreDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;
    HRESULT DeleteDeviceObjects() override;
    void Update(float time, float prevTime) override;
    HRESULT FinalCleanup() override;

    // Added after OruObject's operations, in this order.
    virtual void ComputeBounds() {}
    // Non-zero when the object has a low-detail mesh.
    virtual int GetLowDetailMeshIndex() { return 0; }
    virtual void UpdateShaderMatrices(const D3DXMATRIX* view, const D3DXMATRIX* projection);
    virtual void Animate(float time, float prevTime);

    int32_t updated;
    DWORD stateBlock;         // NoStateBlock when none
    StateTokens stateTokens;  // the class's static table, or null
    int32_t updateOnce;       // non-zero: only the first update runs
    float drawDistance;       // beyond it an object with a low-detail mesh draws at low detail
    int32_t useLowDetail;
};
