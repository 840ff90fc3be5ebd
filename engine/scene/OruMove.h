// An object that moves: each update turns its orientation into a heading,
// advances the position along it at its speed and rebuilds the world matrix,
// discarding a displacement or a matrix that is not finite.
#pragma once

#include "OruObject.h"

class OruMove : public OruObject {
public:
    OruMove();

    void Update(float time, float prevTime) override;
    HRESULT FinalCleanup() override;

    // The world matrix of the last update whose matrix was finite; the
    // identity until then.
    D3DXMATRIX lastGoodWorld;
};
