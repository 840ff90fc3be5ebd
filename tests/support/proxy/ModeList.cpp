#include "ModeList.h"

#include <algorithm>

namespace {

bool SameSize(const D3DDISPLAYMODE& m, UINT width, UINT height, D3DFORMAT format)
{
    return m.Width == width && m.Height == height && m.Format == format;
}

bool Contains(const std::vector<D3DDISPLAYMODE>& modes, UINT width, UINT height, D3DFORMAT format)
{
    return std::any_of(modes.begin(), modes.end(),
                       [&](const D3DDISPLAYMODE& m) { return SameSize(m, width, height, format); });
}

} // namespace

std::vector<D3DDISPLAYMODE> ModeList::Build(IDirect3D8* real, UINT adapter, const InjectionConfig& config)
{
    std::vector<D3DDISPLAYMODE> modes;
    const UINT count = real->GetAdapterModeCount(adapter);
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE m;
        if (SUCCEEDED(real->EnumAdapterModes(adapter, i, &m)))
            modes.push_back(m);
    }

    if (config.Has(InjectionConfig::ModesTiny)) {
        std::vector<D3DFORMAT> formats;
        for (const D3DDISPLAYMODE& m : modes)
            if (std::find(formats.begin(), formats.end(), m.Format) == formats.end())
                formats.push_back(m.Format);
        for (D3DFORMAT f : formats)
            for (const D3DDISPLAYMODE tiny : {D3DDISPLAYMODE{320, 240, 60, f}, D3DDISPLAYMODE{640, 350, 60, f}})
                if (!Contains(modes, tiny.Width, tiny.Height, f))
                    modes.push_back(tiny);
    }

    if (config.Has(InjectionConfig::ModesMany)) {
        D3DDISPLAYMODE desktop;
        if (SUCCEEDED(real->GetAdapterDisplayMode(adapter, &desktop))) {
            int added = 0;
            for (UINT i = 0; added < 200; ++i) {
                const UINT w = 400 + 4 * i, h = 300 + 3 * i;
                if (!Contains(modes, w, h, desktop.Format)) {
                    modes.push_back(D3DDISPLAYMODE{w, h, 60, desktop.Format});
                    ++added;
                }
            }
        }
    }

    if (config.Has(InjectionConfig::FormatsMany)) {
        // Texture, bump-map and depth formats: none of them a display format.
        static const D3DFORMAT extra[] = {
            D3DFMT_R8G8B8,       D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4,  D3DFMT_R3G3B2,
            D3DFMT_A8,           D3DFMT_A8R3G3B2, D3DFMT_X4R4G4B4, D3DFMT_A8P8,      D3DFMT_P8,
            D3DFMT_L8,           D3DFMT_A8L8,     D3DFMT_A4L4,     D3DFMT_V8U8,      D3DFMT_L6V5U5,
            D3DFMT_X8L8V8U8,     D3DFMT_Q8W8V8U8, D3DFMT_V16U16,   D3DFMT_W11V11U10, D3DFMT_A2W10V10U10,
            D3DFMT_D16_LOCKABLE, D3DFMT_D32,      D3DFMT_D15S1,    D3DFMT_D24S8,     D3DFMT_D16,
            D3DFMT_D24X8,        D3DFMT_D24X4S4};
        int added = 0;
        for (D3DFORMAT f : extra) {
            if (added == 24 || std::any_of(modes.begin(), modes.end(),
                                           [f](const D3DDISPLAYMODE& m) { return m.Format == f; }))
                continue;
            modes.push_back(D3DDISPLAYMODE{800, 600, 60, f});
            ++added;
        }
    }

    if (config.Has(InjectionConfig::ModesNo640))
        modes.erase(std::remove_if(modes.begin(), modes.end(),
                                   [](const D3DDISPLAYMODE& m) { return m.Width == 640 && m.Height == 480; }),
                    modes.end());

    if (config.Has(InjectionConfig::ModesDup)) {
        std::vector<D3DDISPLAYMODE> twice;
        for (const D3DDISPLAYMODE& m : modes) {
            twice.push_back(m);
            D3DDISPLAYMODE copy = m;
            copy.RefreshRate = m.RefreshRate == 75 ? 60 : 75;
            twice.push_back(copy);
        }
        modes.swap(twice);
    }
    return modes;
}
