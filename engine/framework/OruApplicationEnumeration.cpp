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

namespace {

// The distinct modes of one adapter (refresh rates ignored), sorted, and
// their formats, the desktop format first.
struct AdapterModes {
    D3DDISPLAYMODE modes[MaxDistinctModes];
    D3DFORMAT formats[MaxFormats];
    UINT modeCount;
    UINT formatCount;
};

// What one device type confirmed for each format of AdapterModes.
struct ConfirmedFormats {
    bool confirmed[MaxFormats];
    DWORD behaviour[MaxFormats];
    D3DFORMAT depthFormat[MaxFormats];
};

// What the enumeration saw of the hardware device, over all adapters: the
// reason given when the start choice is the reference device.
struct HardwareSeen {
    bool device = false;          // it takes a format
    bool mode = false;            // it lists a mode
    bool windowed = false;        // it renders in a window
    bool desktopWindowed = false; // it renders in a window in the desktop format
};

void ListModes(IDirect3D8* d3d, UINT ordinal, D3DFORMAT desktopFormat, AdapterModes* out)
{
    out->modeCount = 0;
    out->formatCount = 0;
    out->formats[out->formatCount++] = desktopFormat;
    const UINT reported = d3d->GetAdapterModeCount(ordinal);
    for (UINT i = 0; i < reported; ++i) {
        D3DDISPLAYMODE mode;
        if (FAILED(d3d->EnumAdapterModes(ordinal, i, &mode)))
            continue;
        if (mode.Width < 640 || mode.Height < 400)
            continue;
        bool listed = false;
        for (UINT m = 0; m < out->modeCount && !listed; ++m)
            listed = out->modes[m].Width == mode.Width && out->modes[m].Height == mode.Height &&
                     out->modes[m].Format == mode.Format;
        if (listed || out->modeCount >= MaxDistinctModes)
            continue;
        bool known = false;
        for (UINT f = 0; f < out->formatCount && !known; ++f)
            known = out->formats[f] == mode.Format;
        if (!known) {
            if (out->formatCount >= MaxFormats)
                continue; // a mode whose format cannot be listed is left out
            out->formats[out->formatCount++] = mode.Format;
        }
        out->modes[out->modeCount++] = mode;
    }
    std::qsort(out->modes, out->modeCount, sizeof out->modes[0], OruApplication::CompareDisplayModes);
}

// The vertex processing the device offers, the most capable first.
int BehaviourCandidates(const D3DCAPS8& caps, DWORD (&tries)[4])
{
    int count = 0;
    if (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
        if (caps.DevCaps & D3DDEVCAPS_PUREDEVICE)
            tries[count++] = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
        tries[count++] = D3DCREATE_HARDWARE_VERTEXPROCESSING;
        tries[count++] = D3DCREATE_MIXED_VERTEXPROCESSING;
    }
    tries[count++] = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    return count;
}

// A format is confirmed when the device type takes it, the application
// accepts one of the behaviours for it, and (with a depth buffer wanted) a
// depth/stencil format goes with it.
void ConfirmFormats(OruApplication& app, UINT ordinal, const OruDeviceRecord& record, const AdapterModes& modes,
                    ConfirmedFormats* out, HardwareSeen* seen)
{
    const bool isHal = record.deviceType == D3DDEVTYPE_HAL;
    const bool windowCaps = (record.caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) != 0;
    DWORD tries[4];
    const int tryCount = BehaviourCandidates(record.caps, tries);
    for (UINT f = 0; f < modes.formatCount; ++f) {
        const D3DFORMAT format = modes.formats[f];
        out->confirmed[f] = false;
        out->behaviour[f] = 0;
        out->depthFormat[f] = D3DFMT_UNKNOWN;
        if (FAILED(app.d3d->CheckDeviceType(ordinal, record.deviceType, format, format, FALSE)))
            continue;
        if (isHal) {
            seen->device = true;
            if (windowCaps) {
                seen->windowed = true;
                if (f == 0)
                    seen->desktopWindowed = true;
            }
        }
        for (int k = 0; k < tryCount && !out->confirmed[f]; ++k) {
            if (app.AcceptDevice(&record.caps, tries[k], format) >= 0) {
                out->confirmed[f] = true;
                out->behaviour[f] = tries[k];
            }
        }
        if (out->confirmed[f] && app.depthBufferOn &&
            !app.PickDepthStencilFormat(ordinal, record.deviceType, format, &out->depthFormat[f]))
            out->confirmed[f] = false;
        DebugPrint("Confirm Formats f[%d]:%d conf-%d DepSten-%d\n", f, format, out->confirmed[f],
                   out->depthFormat[f]);
    }
}

// The record's modes: every listed mode whose format was confirmed, up to
// the record's capacity.
void FillModes(const AdapterModes& modes, const ConfirmedFormats& confirmed, OruDeviceRecord& record)
{
    for (UINT m = 0; m < modes.modeCount && record.modeCount < MaxDisplayModes; ++m) {
        UINT f = 0;
        while (f < modes.formatCount && modes.formats[f] != modes.modes[m].Format)
            ++f;
        if (f == modes.formatCount || !confirmed.confirmed[f])
            continue;
        OruDisplayMode& mode = record.modes[record.modeCount++];
        mode.width = modes.modes[m].Width;
        mode.height = modes.modes[m].Height;
        mode.format = modes.modes[m].Format;
        mode.behaviourFlags = confirmed.behaviour[f];
        mode.depthStencilFormat = confirmed.depthFormat[f];
        DebugPrint("MODES[%d] %d-%d FMT-%d Bef-%d DepSten %d\n", record.modeCount - 1, mode.width, mode.height,
                   mode.format, mode.behaviourFlags, mode.depthStencilFormat);
    }
}

// Fills record for one device type of the adapter; false when the type
// has no caps or no usable mode (the record is then not kept).
bool FillDeviceRecord(OruApplication& app, UINT ordinal, D3DDEVTYPE type, const char* name,
                      const AdapterModes& modes, OruDeviceRecord& record, HardwareSeen* seen)
{
    record.deviceType = type;
    if (FAILED(app.d3d->GetDeviceCaps(ordinal, type, &record.caps)))
        return false;
    record.description = name;
    record.modeCount = 0;
    record.currentMode = 0;
    record.canRenderWindowed = FALSE;
    record.windowed = FALSE;
    record.windowedMultiSample = D3DMULTISAMPLE_NONE;
    record.fullScreenMultiSample = D3DMULTISAMPLE_NONE;

    ConfirmedFormats confirmed;
    ConfirmFormats(app, ordinal, record, modes, &confirmed, seen);
    FillModes(modes, confirmed, record);
    if (type == D3DDEVTYPE_HAL && record.modeCount > 0)
        seen->mode = true;
    app.PickDefaultMode(&record);
    if (confirmed.confirmed[0] && (record.caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED)) {
        record.canRenderWindowed = TRUE;
        record.windowed = TRUE;
    }
    return record.modeCount > 0;
}

// Fills adapter for one ordinal; false when it has no desktop mode or no
// usable device.
bool FillAdapterRecord(OruApplication& app, UINT ordinal, OruAdapterRecord& adapter, HardwareSeen* seen)
{
    std::memset(&adapter, 0, sizeof adapter);
    adapter.ordinal = ordinal;
    app.d3d->GetAdapterIdentifier(ordinal, D3DENUM_NO_WHQL_LEVEL, &adapter.identifier);
    if (FAILED(app.d3d->GetAdapterDisplayMode(ordinal, &adapter.desktopMode)))
        return false;

    AdapterModes modes;
    ListModes(app.d3d, ordinal, adapter.desktopMode.Format, &modes);

    static const D3DDEVTYPE types[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF};
    static const char* const names[] = {"HAL", "REF"};
    for (int t = 0; t < 2 && adapter.deviceCount < MaxDevicesPerAdapter; ++t) {
        if (FillDeviceRecord(app, ordinal, types[t], names[t], modes, adapter.devices[adapter.deviceCount], seen))
            ++adapter.deviceCount;
    }
    return adapter.deviceCount > 0;
}

// The start choice: the first device that renders in a window. Choosing the
// reference device shows why no hardware device was chosen.
HRESULT PickStartChoice(OruApplication& app, const HardwareSeen& seen)
{
    for (UINT a = 0; a < app.adapterCount; ++a) {
        for (UINT d = 0; d < app.adapters[a].deviceCount; ++d) {
            if (!app.adapters[a].devices[d].windowed)
                continue;
            app.adapters[a].currentDevice = d;
            app.currentAdapter = a;
            app.windowed = TRUE;
            if (app.adapters[a].devices[d].deviceType == D3DDEVTYPE_REF) {
                HRESULT why = !seen.device            ? AppErrNoHardwareDevice
                              : !seen.mode            ? AppErrHardwareLacksFeature
                              : !seen.windowed        ? AppErrNoWindowedHardware
                              : !seen.desktopWindowed ? AppErrNoDesktopHardware
                                                      : AppErrNoDesktopHardwareFeature;
                app.ShowError(why, ErrorKindReference);
            }
            return 0;
        }
    }
    return AppErrNoWindowableDevice;
}

} // namespace

HRESULT OruApplication::EnumerateDevices()
{
    HardwareSeen seen;
    adapterCount = 0;
    const UINT ordinals = d3d->GetAdapterCount();
    for (UINT ordinal = 0; ordinal < ordinals && adapterCount < MaxAdapters; ++ordinal) {
        if (FillAdapterRecord(*this, ordinal, adapters[adapterCount], &seen))
            ++adapterCount;
    }
    if (adapterCount == 0)
        return AppErrNoCompatibleDevice;
    return PickStartChoice(*this, seen);
}
