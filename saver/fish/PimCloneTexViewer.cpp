#include "fish/PimCloneTexViewer.h"

#include "trace/TraceD3DResult.h"

PimCloneTexViewer::PimCloneTexViewer(float left, float top, float width) : PimTexViewer(left, top, width)
{
}

HRESULT PimCloneTexViewer::RestoreDeviceObjects()
{
    const HRESULT hr = PimTexViewer::RestoreDeviceObjects();
    if (hr != 0) {
        TRACE_D3D(hr);
        // A viewer without its shader or state block is not drawn either.
        PimTexViewer::InvalidateDeviceObjects();
    }
    return 0;
}
