#include "StateTokens.h"

#include "framework/AppAccess.h"
#include "framework/OruApplication.h"
#include "trace/TraceD3DResult.h"

namespace {

// One colour or alpha record: n, stage, op, then a and b as n asks. Returns
// the values read after the kind.
const DWORD* StageRecord(IDirect3DDevice8* device, const DWORD* p, D3DTEXTURESTAGESTATETYPE op,
                         D3DTEXTURESTAGESTATETYPE arg1, D3DTEXTURESTAGESTATETYPE arg2)
{
    const DWORD n = p[0];
    const DWORD stage = p[1];
    device->SetTextureStageState(stage, op, p[2]);
    p += 3;
    if (n == 2 || n == 3)
        device->SetTextureStageState(stage, arg1, *p++);
    if (n == 3)
        device->SetTextureStageState(stage, arg2, *p++);
    return p;
}

} // namespace

void RecordStateTokens(IDirect3DDevice8* device, StateTokens tokens, bool pixelShaders)
{
    if (!device || !tokens)
        return;
    const DWORD* p = tokens;
    for (;;) {
        const DWORD kind = *p++;
        switch (kind) {
        case StateTokenEnd:
            return;
        case StateTokenColourStage:
            p = StageRecord(device, p, D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2);
            break;
        case StateTokenAlphaStage:
            p = StageRecord(device, p, D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2);
            break;
        case StateTokenPixelShaderStop:
            if (pixelShaders)
                return;
            break;
        default:
            TRACE_D3D(device->SetRenderState(D3DRENDERSTATETYPE(kind), p[0]));
            ++p;
            break;
        }
    }
}

bool DeviceHasPixelShaders()
{
    const OruApplication* app = App();
    return app && app->caps.PixelShaderVersion >= PixelShaderVersion10;
}
