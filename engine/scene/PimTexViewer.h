// Draws one texture on a flat rectangle at a fixed place on the screen, for
// looking at a texture the program renders itself. Positions are those of the
// vertex program's output, passed through unchanged: x from -1 (left) to 1,
// y from -1 (bottom) to 1. It owns a small vertex and index buffer, made at
// every restore and released at every invalidate.
#pragma once

#include "PimVertexObject.h"

#include <windows.h>
#include <d3d8.h>

// vs11 with the screen-quad declaration; no pixel shader.
extern const ShaderSet TexViewerShaders;
extern const DWORD TexViewerStateTokens[];

class PimTexViewer : public PimVertexObject {
public:
    // The rectangle's left and top edges and its width; the height is
    // 1.33 x width, downwards from top.
    PimTexViewer(float left, float top, float width);

    // Makes and fills the buffers, then the shader and state block. Returns
    // 0, or the failure of a buffer creation or lock (nothing is then kept
    // or filled).
    HRESULT RestoreDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;
    void Update(float time, float prevTime) override;
    // Draws the rectangle with the texture that the source holds now; draws
    // nothing while the buffers are missing.
    HRESULT Render() override;

    // source: where the texture to show is kept, read at every draw.
    void SetTexture(IDirect3DTexture8** source);

    IDirect3DTexture8** shownTexture;      // not owned
    IDirect3DVertexBuffer8* vertexBuffer;  // owned
    IDirect3DIndexBuffer8* indexBuffer;    // owned
    float top;
    float left;
    float width;

private:
    HRESULT MakeBuffers(IDirect3DDevice8* device);
    void ReleaseBuffers();
};
