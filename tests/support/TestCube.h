// A drawable for the engine's tests and the framework's test application: a
// vertex object with one mesh and one texture, drawn through the world's
// servers with the low-detail fish program in its own colour (the texture's
// colour times the object's), opaque or blended by the texture's alpha. An
// owned steering, when given, steers it before it moves; its sort key is its
// distance from the eye.
#pragma once

#include "scene/PimVertexObject.h"

class OruSteering;

class TestCube : public PimVertexObject {
public:
    TestCube(OruMeshRecord* mesh, const EmbeddedFileRef& texture, bool transparentCube);

    void Update(float time, float prevTime) override;
    HRESULT Render() override;

    // Hands the object its mover (owned from then on).
    void SetSteering(OruSteering* steering);

    int renders = 0;
};
