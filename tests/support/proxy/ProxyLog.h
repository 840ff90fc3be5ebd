// The proxy's call log: one line per call of interest, appended to the file
// named by REEF_D3D8_LOG and written straight through (no buffering), so a
// test can read it while the program runs. Several processes may append to
// one file: each line is a single append.
//
// Line format: the method name, its key arguments as name=value, then
// " -> " and the result; results are HRESULTs as 0x%lX, counts in decimal.
// " injected" ends a line whose result the proxy made up. Formats, device
// types and multisample types are the decimal D3DFORMAT / D3DDEVTYPE /
// D3DMULTISAMPLE_TYPE values. The lines:
//   Direct3DCreate8 sdk=220 inject=<tokens|none> -> object|null
//   GetAdapterCount -> 1
//   GetAdapterModeCount adapter=0 -> 2 formats=22,23
//   EnumAdapterModes adapter=0 mode=1 last -> 0x0 1024x768 format=23 refresh=0
//       (only the list's last mode and failed calls are logged)
//   GetAdapterDisplayMode adapter=0 -> 0x0 1024x768 format=22 refresh=0
//   CheckDeviceType adapter=0 type=1 display=22 backbuffer=22 windowed=1 -> 0x0
//   CheckDeviceMultiSampleType adapter=0 type=1 format=22 windowed=1 ms=4 -> 0x0
//   CheckDepthStencilMatch adapter=0 type=1 adapterformat=22 target=22 depthformat=77 -> 0x0
//   GetDeviceCaps adapter=0 type=1 -> 0x0 vs=0xFFFE0101 ps=0xFFFF0104 caps2=0x200A0000
//   CreateDevice adapter=0 type=1 behaviour=0x20 windowed=1 size=800x623 format=22 ms=0 depth=1 depthformat=77 -> 0x0
//       (the presentation parameters as the program passed them)
//   Reset windowed=1 size=800x623 format=22 ms=0 depth=1 depthformat=77 -> 0x0
//   TestCooperativeLevel -> 0x88760868            (only when not 0)
//   Present n=1 -> 0x0    (the device's n-th call; logged for n a power of two and when not 0)
//   SetGammaRamp flags=0x1 red=0/32896/65535 green=... blue=...   (entries 0, 128, 255)
//   CreateVertexShader usage=0x0 -> 0x0      (" injected" under vs_create_fail)
//   CreatePixelShader -> 0x0
//   DeleteVertexShader handle=0x... -> 0x0
//   DeletePixelShader handle=0x... -> 0x0
//   SetVertexShader handle=0x2 -> 0x0
//   SetPixelShader handle=0x0 -> 0x0
//   BeginStateBlock -> 0x0
//   EndStateBlock -> 0x0 token=0x...
//   ApplyStateBlock token=0x... -> 0x0
//   DeleteStateBlock token=0x... -> 0x0
//   CreateVertexBuffer length=96 usage=0x8 fvf=0x0 pool=0 -> 0x0 vb=0x...
//   CreateIndexBuffer length=36 usage=0x8 format=101 pool=0 -> 0x0 ib=0x...
//   VertexBuffer.Lock -> 0x8876086C injected          (vb_lock_fail only)
//   IndexBuffer.Lock -> 0x8876086C injected           (ib_lock_fail only)
//   SetStreamSource stream=0 vb=0x... stride=12 -> 0x0   (vb=0x0 for null)
//   SetIndices ib=0x... base=0 -> 0x0
//       Handles, tokens and buffers are hexadecimal; a buffer is the address
//       the program holds (the proxy's wrapper under vb_lock_fail, ib_lock_fail).
//   Device.GetDeviceCaps -> 0x0 vs=0xFFFE0101 ps=0xFFFF0104 caps2=0x200A0000
//   Device.Release -> 0 presents=37                (the device's final release)
//   Direct3D.Release -> 0                          (the Direct3D object's final release)
#pragma once

#include <windows.h>
#include <d3d8.h>

#include <string>

class ProxyLog {
public:
    // Starts appending to path; an empty path stops the log.
    static void Open(const std::string& path);
    // Appends one line (printf format, no newline).
    static void Write(const char* format, ...) __attribute__((format(printf, 1, 2)));
    // "windowed=1 size=800x623 format=22 ms=0 depth=1 depthformat=77", as
    // CreateDevice and Reset lines show presentation parameters.
    static std::string Parameters(const D3DPRESENT_PARAMETERS* parameters);
};
