// The enumeration of adapters, devices and modes into the application's
// tables, and the default choice.
#include "OruApplication.h"

#include "trace/DebugPrint.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

const UINT MaxDistinctModes = 100;
const UINT MaxFormats = 20;

bool Is32Bit(D3DFORMAT f) { return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_R8G8B8; }
bool Is16Bit(D3DFORMAT f) { return f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5 || f == D3DFMT_A1R5G5B5; }

} // namespace

int OruApplication::CompareDisplayModes(const void* a, const void* b)
{
    const D3DDISPLAYMODE* m1 = static_cast<const D3DDISPLAYMODE*>(a);
    const D3DDISPLAYMODE* m2 = static_cast<const D3DDISPLAYMODE*>(b);
    if (m1->Format != m2->Format)
        return m1->Format > m2->Format ? -1 : 1;
    if (m1->Width != m2->Width)
        return m1->Width < m2->Width ? -1 : 1;
    if (m1->Height != m2->Height)
        return m1->Height < m2->Height ? -1 : 1;
    return 0;
}

BOOL OruApplication::TryDepthStencilFormats(UINT ordinal, D3DDEVTYPE type, D3DFORMAT format, D3DFORMAT* out)
{
    struct Candidate {
        D3DFORMAT format;
        UINT depthMax;
        UINT stencilMax;
    };
    static const Candidate candidates[] = {
        {D3DFMT_D16, 16, 0},     {D3DFMT_D15S1, 15, 1},   {D3DFMT_D24X8, 24, 0},
        {D3DFMT_D24S8, 24, 8},   {D3DFMT_D24X4S4, 24, 4}, {D3DFMT_D32, 32, 0},
    };
    for (const Candidate& c : candidates) {
        if (depthBitsMin > c.depthMax || stencilBitsMin > c.stencilMax)
            continue;
        if (SUCCEEDED(d3d->CheckDeviceFormat(ordinal, type, format, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                             c.format)) &&
            SUCCEEDED(d3d->CheckDepthStencilMatch(ordinal, type, format, format, c.format))) {
            *out = c.format;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL OruApplication::PickDepthStencilFormat(UINT ordinal, D3DDEVTYPE type, D3DFORMAT format, D3DFORMAT* out)
{
    for (UINT stencil : {8u, 4u, 1u, 0u}) {
        stencilBitsMin = stencil;
        if (TryDepthStencilFormats(ordinal, type, format, out))
            return TRUE;
    }
    return FALSE;
}

void OruApplication::PickDefaultMode(OruDeviceRecord* record)
{
    auto pick = [record](bool (*depth)(D3DFORMAT)) {
        for (UINT m = 0; m < record->modeCount; ++m) {
            const OruDisplayMode& mode = record->modes[m];
            if (mode.width == 640 && mode.height == 480 && depth(mode.format)) {
                record->currentMode = m;
                return true;
            }
        }
        return false;
    };
    if (runMode == RunModeSaver)
        pick(Is16Bit);
    else if (!pick(Is32Bit))
        pick(Is16Bit);
}

int OruApplication::GetStencilBits()
{
    if (!depthBufferOn || adapterCount == 0)
        return 0;
    return StencilBitsOf(CurrentMode().depthStencilFormat);
}

int OruApplication::StencilBitsOf(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_D15S1:
        return 1;
    case D3DFMT_D24S8:
        return 8;
    case D3DFMT_D24X4S4:
        return 4;
    default:
        return 0;
    }
}

HRESULT OruApplication::EnumerateDevices()
{
    bool hardwareFound = false;
    bool hardwareMode = false;
    bool hardwareWindowed = false;
    bool hardwareDesktopWindowed = false;

    adapterCount = 0;
    const UINT ordinals = d3d->GetAdapterCount();
    for (UINT ordinal = 0; ordinal < ordinals && adapterCount < MaxAdapters; ++ordinal) {
        OruAdapterRecord& adapter = adapters[adapterCount];
        std::memset(&adapter, 0, sizeof adapter);
        adapter.ordinal = ordinal;
        d3d->GetAdapterIdentifier(ordinal, D3DENUM_NO_WHQL_LEVEL, &adapter.identifier);
        if (FAILED(d3d->GetAdapterDisplayMode(ordinal, &adapter.desktopMode)))
            continue;

        // Distinct modes (refresh rates ignored) and formats, desktop format first.
        D3DDISPLAYMODE modes[MaxDistinctModes];
        D3DFORMAT formats[MaxFormats];
        UINT modeCount = 0;
        UINT formatCount = 0;
        formats[formatCount++] = adapter.desktopMode.Format;
        const UINT reported = d3d->GetAdapterModeCount(ordinal);
        for (UINT i = 0; i < reported; ++i) {
            D3DDISPLAYMODE mode;
            if (FAILED(d3d->EnumAdapterModes(ordinal, i, &mode)))
                continue;
            if (mode.Width < 640 || mode.Height < 400)
                continue;
            bool listed = false;
            for (UINT m = 0; m < modeCount && !listed; ++m)
                listed = modes[m].Width == mode.Width && modes[m].Height == mode.Height && modes[m].Format == mode.Format;
            if (listed || modeCount >= MaxDistinctModes)
                continue;
            bool known = false;
            for (UINT f = 0; f < formatCount && !known; ++f)
                known = formats[f] == mode.Format;
            if (!known) {
                if (formatCount >= MaxFormats)
                    continue; // a mode whose format cannot be listed is left out
                formats[formatCount++] = mode.Format;
            }
            modes[modeCount++] = mode;
        }
        std::qsort(modes, modeCount, sizeof modes[0], CompareDisplayModes);

        static const D3DDEVTYPE types[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF};
        static const char* const names[] = {"HAL", "REF"};
        for (int t = 0; t < 2 && adapter.deviceCount < MaxDevicesPerAdapter; ++t) {
            OruDeviceRecord& record = adapter.devices[adapter.deviceCount];
            record.deviceType = types[t];
            if (FAILED(d3d->GetDeviceCaps(ordinal, types[t], &record.caps)))
                continue;
            record.description = names[t];
            record.modeCount = 0;
            record.currentMode = 0;
            record.canRenderWindowed = FALSE;
            record.windowed = FALSE;
            record.windowedMultiSample = D3DMULTISAMPLE_NONE;
            record.fullScreenMultiSample = D3DMULTISAMPLE_NONE;
            const bool isHal = types[t] == D3DDEVTYPE_HAL;
            const bool windowCaps = (record.caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) != 0;

            bool confirmed[MaxFormats] = {};
            DWORD behaviour[MaxFormats] = {};
            D3DFORMAT depthFormat[MaxFormats] = {};
            for (UINT f = 0; f < formatCount; ++f) {
                if (FAILED(d3d->CheckDeviceType(ordinal, types[t], formats[f], formats[f], FALSE)))
                    continue;
                if (isHal) {
                    hardwareFound = true;
                    if (windowCaps) {
                        hardwareWindowed = true;
                        if (f == 0)
                            hardwareDesktopWindowed = true;
                    }
                }
                DWORD tries[4];
                int tryCount = 0;
                if (record.caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
                    if (record.caps.DevCaps & D3DDEVCAPS_PUREDEVICE)
                        tries[tryCount++] = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
                    tries[tryCount++] = D3DCREATE_HARDWARE_VERTEXPROCESSING;
                    tries[tryCount++] = D3DCREATE_MIXED_VERTEXPROCESSING;
                }
                tries[tryCount++] = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
                for (int k = 0; k < tryCount && !confirmed[f]; ++k) {
                    if (AcceptDevice(&record.caps, tries[k], formats[f]) >= 0) {
                        confirmed[f] = true;
                        behaviour[f] = tries[k];
                    }
                }
                if (confirmed[f] && depthBufferOn && !PickDepthStencilFormat(ordinal, types[t], formats[f], &depthFormat[f]))
                    confirmed[f] = false;
                DebugPrint("Confirm Formats f[%d]:%d conf-%d DepSten-%d\n", f, formats[f], confirmed[f], depthFormat[f]);
            }

            for (UINT m = 0; m < modeCount && record.modeCount < MaxDisplayModes; ++m) {
                UINT f = 0;
                while (f < formatCount && formats[f] != modes[m].Format)
                    ++f;
                if (f == formatCount || !confirmed[f])
                    continue;
                OruDisplayMode& mode = record.modes[record.modeCount++];
                mode.width = modes[m].Width;
                mode.height = modes[m].Height;
                mode.format = modes[m].Format;
                mode.behaviourFlags = behaviour[f];
                mode.depthStencilFormat = depthFormat[f];
                DebugPrint("MODES[%d] %d-%d FMT-%d Bef-%d DepSten %d\n", record.modeCount - 1, mode.width,
                           mode.height, mode.format, mode.behaviourFlags, mode.depthStencilFormat);
                if (isHal)
                    hardwareMode = true;
            }
            PickDefaultMode(&record);
            if (confirmed[0] && windowCaps) {
                record.canRenderWindowed = TRUE;
                record.windowed = TRUE;
            }
            if (record.modeCount > 0)
                ++adapter.deviceCount;
        }
        if (adapter.deviceCount > 0)
            ++adapterCount;
    }

    if (adapterCount == 0)
        return AppErrNoCompatibleDevice;

    for (UINT a = 0; a < adapterCount; ++a) {
        for (UINT d = 0; d < adapters[a].deviceCount; ++d) {
            if (!adapters[a].devices[d].windowed)
                continue;
            adapters[a].currentDevice = d;
            currentAdapter = a;
            windowed = TRUE;
            if (adapters[a].devices[d].deviceType == D3DDEVTYPE_REF) {
                HRESULT why = !hardwareFound              ? AppErrNoHardwareDevice
                              : !hardwareMode             ? AppErrHardwareLacksFeature
                              : !hardwareWindowed         ? AppErrNoWindowedHardware
                              : !hardwareDesktopWindowed  ? AppErrNoDesktopHardware
                                                          : AppErrNoDesktopHardwareFeature;
                ShowError(why, ErrorKindReference);
            }
            return 0;
        }
    }
    return AppErrNoWindowableDevice;
}
