// The debug-mode viewer of the first clone group's render texture: a texture
// viewer whose restore never stops the scene's restore. A buffer or shader
// it cannot make is traced, and the viewer then draws nothing until a later
// restore succeeds.
#pragma once

#include "scene/PimTexViewer.h"

class PimCloneTexViewer : public PimTexViewer {
public:
    PimCloneTexViewer(float left, float top, float width);

    // Always 0; a failure is traced and leaves no buffers to draw.
    HRESULT RestoreDeviceObjects() override;
};
